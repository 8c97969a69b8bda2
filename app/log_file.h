#pragma once
// A log of the bytes that went to or came from the keyboard, a line at a
// time. They include the keyboard's settings (and a card swiped meanwhile):
// on POSIX the file is the user's alone, created 0600 or emptied when it
// exists, and a link planted at its name is not followed.

#include <cstdio>
#include <string>

namespace tavrin::app {

class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // why: the reason it cannot be written (a FIFO, another user's file).
    bool open(const std::string& path, std::string* why = nullptr);
    // Why the last open failed, as the system said it.
    const std::string& openError() const { return openError_; }
    bool isOpen() const { return file_ != nullptr; }
    // False when any line could not be written.
    bool close();

protected:
    // text and a line end, when open.
    void line(const std::string& text);

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    std::string openError_;
};

}  // namespace tavrin::app
