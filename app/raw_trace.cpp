#include "app/raw_trace.h"

#include "ui/profile_diff.h"

namespace tavrin::app {

void RawTrace::record(std::int64_t milliseconds, const char* phase, bool out,
                      const std::uint8_t* bytes, std::size_t count, const char* note) {
    if (!isOpen()) {
        return;
    }
    std::string text = std::to_string(milliseconds) + ' ' + phase + (out ? " out" : " in");
    for (std::size_t i = 0; i < count; ++i) {
        text += ' ' + ui::hexValue(bytes[i]);
    }
    line(note != nullptr ? text + ' ' + note : text);
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
