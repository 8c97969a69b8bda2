#include "app/wire_log.h"

namespace tavrin::app {

WireLog::~WireLog() {
    close();
}

bool WireLog::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "wb");  // the same line ends everywhere
    failed_ = file_ == nullptr;
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
