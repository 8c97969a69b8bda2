#pragma once
// One line per byte written to the keyboard controller's data port:
// "<ms> <HH>", milliseconds since the program began talking to the device.

#include <cstdint>
#include <cstdio>
#include <string>

namespace tavrin::app {

class WireLog {
public:
    WireLog() = default;
    ~WireLog();
    WireLog(const WireLog&) = delete;
    WireLog& operator=(const WireLog&) = delete;

    // why: the reason it cannot be written (a FIFO, another user's file).
    bool open(const std::string& path, std::string* why = nullptr);
    // Why the last open failed, as the system said it.
    const std::string& openError() const { return openError_; }
    bool isOpen() const { return file_ != nullptr; }
    void record(std::int64_t milliseconds, std::uint8_t byte);
    // False when any line could not be written.
    bool close();

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    std::string openError_;
};

}  // namespace tavrin::app
