#include "app/wire_log.h"

#include <cerrno>
#include <system_error>

#ifndef _WIN32
#include "platform/posix_files.h"
#endif

namespace tavrin::app {

WireLog::~WireLog() {
    close();
}

bool WireLog::open(const std::string& path, std::string* why) {
    close();
#ifdef _WIN32
    (void)why;
    file_ = std::fopen(path.c_str(), "wb");  // the same line ends everywhere
#else
    // The bytes sent include the keyboard's settings: the log is the
    // user's alone, and a link planted at its name is not followed.
    file_ = platform::openPrivateFile(path, why);
#endif
    failed_ = file_ == nullptr;
    openError_ = failed_ ? std::generic_category().message(errno) : std::string();
    return file_ != nullptr;
}

void WireLog::record(std::int64_t milliseconds, std::uint8_t byte) {
    if (file_ != nullptr &&
        std::fprintf(file_, "%lld %02X\n", static_cast<long long>(milliseconds), byte) < 0) {
        failed_ = true;
    }
}

bool WireLog::close() {
    if (file_ != nullptr) {
        failed_ = std::fclose(file_) != 0 || failed_;
        file_ = nullptr;
    }
    return !failed_;
}

}  // namespace tavrin::app
