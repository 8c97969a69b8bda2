#pragma once
// The raw keyboard port's trace: one line per byte written to the port and
// per read from it, "<ms> <phase> <out|in> <HH>[ <HH>...]" (a read's bytes
// as they came in that read), with " failed" or " gone" after a write the
// kernel refused. Lines starting with # say what the bytes were read with
// ("# set 1 ..." or "# set 2 ...": the scan-code set). The phase is "command"
// while the channel talks to the keyboard and "capture" while the keyboard
// types its answer. What the keyboard replies to a vendor frame is not
// documented; a trace from a real keyboard shows it.

#include <cstdint>
#include <string>

#include "app/log_file.h"
#include "platform/raw_device.h"
#include "platform/tick_counter.h"

namespace tavrin::app {

class RawTrace : public LogFile {
public:
    // A write's byte or a read's bytes, on one line.
    void record(std::int64_t milliseconds, const char* phase, bool out, const std::uint8_t* bytes,
                std::size_t count, const char* note = nullptr);
    void comment(const std::string& text) { line("# " + text); }
};

// A raw device whose every byte goes to the trace, timed from start.
class TracingRawDevice : public platform::RawDevice {
public:
    TracingRawDevice(platform::RawDevice& inner, RawTrace& trace, platform::TickCounter& ticks,
                     std::uint32_t start, const bool& capturing)
        : inner_(inner), trace_(trace), ticks_(ticks), start_(start), capturing_(capturing) {}

    Io writeByte(std::uint8_t byte) override;
    Io readAvailable(std::vector<std::uint8_t>& bytes) override;
    void waitReadable(std::uint32_t ms) override { inner_.waitReadable(ms); }
    std::string lastError() const override { return inner_.lastError(); }

private:
    std::int64_t now() const { return static_cast<std::int32_t>(ticks_.GetTickCount() - start_); }
    const char* phase() const { return capturing_ ? "capture" : "command"; }

    platform::RawDevice& inner_;
    RawTrace& trace_;
    platform::TickCounter& ticks_;
    std::uint32_t start_;
    const bool& capturing_;
};

}  // namespace tavrin::app
