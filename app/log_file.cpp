#include "app/log_file.h"

#include <cerrno>
#include <system_error>

#ifndef _WIN32
#include "platform/posix_files.h"
#endif

namespace tavrin::app {

LogFile::~LogFile() {
    close();
}

bool LogFile::open(const std::string& path, std::string* why) {
    close();
#ifdef _WIN32
    (void)why;
    file_ = std::fopen(path.c_str(), "wb");  // the same line ends everywhere
#else
    file_ = platform::openPrivateFile(path, why);
#endif
    failed_ = file_ == nullptr;
    openError_ = failed_ ? std::generic_category().message(errno) : std::string();
    return file_ != nullptr;
}

void LogFile::line(const std::string& text) {
    if (file_ != nullptr && std::fprintf(file_, "%s\n", text.c_str()) < 0) {
        failed_ = true;
    }
}

bool LogFile::close() {
    if (file_ != nullptr) {
        failed_ = std::fclose(file_) != 0 || failed_;
        file_ = nullptr;
    }
    return !failed_;
}

}  // namespace tavrin::app
