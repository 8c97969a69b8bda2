#include "app/raw_trace.h"

#include <cerrno>
#include <system_error>

#ifndef _WIN32
#include "platform/posix_files.h"
#endif

namespace tavrin::app {

RawTrace::~RawTrace() {
    close();
}

bool RawTrace::open(const std::string& path, std::string* why) {
    close();
#ifdef _WIN32
    (void)why;
    file_ = std::fopen(path.c_str(), "wb");
#else
    // The answer holds the keyboard's settings, and a card swiped during a
    // capture would be in it too: the trace is the user's alone.
    file_ = platform::openPrivateFile(path, why);
#endif
    failed_ = file_ == nullptr;
    openError_ = failed_ ? std::generic_category().message(errno) : std::string();
    return file_ != nullptr;
}

void RawTrace::record(std::int64_t milliseconds, const char* phase, bool out,
                      const std::uint8_t* bytes, std::size_t count, const char* note) {
    if (file_ == nullptr) {
        return;
    }
    std::string line = std::to_string(milliseconds) + ' ' + phase + (out ? " out" : " in");
    char hex[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        line += hex;
    }
    if (note != nullptr) {
        line = line + ' ' + note;
    }
    if (std::fprintf(file_, "%s\n", line.c_str()) < 0) {
        failed_ = true;
    }
}

void RawTrace::comment(const std::string& text) {
    if (file_ != nullptr && std::fprintf(file_, "# %s\n", text.c_str()) < 0) {
        failed_ = true;
    }
}

bool RawTrace::close() {
    if (file_ != nullptr) {
        failed_ = std::fclose(file_) != 0 || failed_;
        file_ = nullptr;
    }
    return !failed_;
}

platform::RawDevice::Io TracingRawDevice::writeByte(std::uint8_t byte) {
    const Io io = inner_.writeByte(byte);
    trace_.record(now(), phase(), true, &byte, 1,
                  io == Io::Ok       ? nullptr
                  : io == Io::Failed ? "failed"
                                     : "gone");
    return io;
}

platform::RawDevice::Io TracingRawDevice::readAvailable(std::vector<std::uint8_t>& bytes) {
    const std::size_t before = bytes.size();
    const Io io = inner_.readAvailable(bytes);
    if (bytes.size() > before) {
        trace_.record(now(), phase(), false, bytes.data() + before, bytes.size() - before);
    }
    return io;
}

}  // namespace tavrin::app
