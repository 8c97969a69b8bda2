#pragma once
// A raw-port trace played back as the keyboard: the recorded "in" bytes are
// the device's answers, each due as long after the "out" byte before it as
// it was when recorded, and every byte the program writes is checked
// against the recorded "out" bytes in order. Lines starting with # carry
// the scan-code set ("# set 1|2", which the program writes) and what the
// recording expects ("# read ok|error", "# image HH...", the double's).

#include <istream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "link/scan_code_decoder.h"
#include "platform/raw_device.h"
#include "sim/virtual_clock.h"

namespace tavrin::test {

struct RawTraceFile {
    struct Entry {
        long ms;
        bool out;
        std::uint8_t byte;
        bool capture = false;  // in the capture phase, not the command's
        platform::RawDevice::Io io = platform::RawDevice::Io::Ok;  // an out the kernel refused
    };
    std::vector<Entry> entries;
    link::ScanCodeSet set = link::ScanCodeSet::Set1;
    std::optional<bool> readOk;
    std::vector<int> image;
    std::vector<std::string> errors;  // lines that are not a trace's

    std::vector<std::uint8_t> outs() const {
        std::vector<std::uint8_t> bytes;
        for (const Entry& e : entries) {
            if (e.out) {
                bytes.push_back(e.byte);
            }
        }
        return bytes;
    }
};

inline RawTraceFile parseRawTrace(std::istream& in) {
    RawTraceFile trace;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        if (line.rfind("# ", 0) == 0) {
            std::string hash, key, value;
            fields >> hash >> key;
            if (key == "set") {
                fields >> value;
                trace.set = value == "2" ? link::ScanCodeSet::Set2 : link::ScanCodeSet::Set1;
            } else if (key == "read") {
                fields >> value;
                trace.readOk = value == "ok";
            } else if (key == "image") {
                for (std::string hex; fields >> hex;) {
                    trace.image.push_back(std::stoi(hex, nullptr, 16));
                }
            }
            continue;
        }
        // A write's byte, or a read's bytes (older traces: one per line).
        RawTraceFile::Entry e{};
        std::string phase, dir, word;
        std::vector<std::uint8_t> bytes;
        const bool head = static_cast<bool>(fields >> e.ms >> phase >> dir);
        for (; fields >> word && word.size() == 2 &&
               word.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
             word.clear()) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(word, nullptr, 16)));
        }
        if (!head || (dir != "out" && dir != "in") || bytes.empty()) {
            trace.errors.push_back(line);
            continue;
        }
        e.out = dir == "out";
        e.capture = phase == "capture";
        if (!word.empty()) {
            e.io = word == "gone" ? platform::RawDevice::Io::Gone : platform::RawDevice::Io::Failed;
        }
        for (std::uint8_t byte : bytes) {
            e.byte = byte;
            trace.entries.push_back(e);
        }
    }
    return trace;
}

class ReplayDevice : public platform::RawDevice {
public:
    ReplayDevice(sim::VirtualClock& clock, const RawTraceFile& trace)
        : clock_(clock), entries_(trace.entries) {}

    Io writeByte(std::uint8_t byte) override {
        written_.push_back(byte);
        while (nextOut_ < entries_.size() && !entries_[nextOut_].out) {
            ++nextOut_;
        }
        if (nextOut_ >= entries_.size()) {
            return Io::Ok;  // beyond the recording: told by written()
        }
        const RawTraceFile::Entry& e = entries_[nextOut_++];
        // Time runs from here as it ran from this byte when recorded.
        offset_ = clock_.now() - e.ms * 1000;
        return e.io;
    }

    Io readAvailable(std::vector<std::uint8_t>& bytes) override {
        while (nextIn_ < entries_.size()) {
            const RawTraceFile::Entry& e = entries_[nextIn_];
            if (e.out) {
                if (nextIn_ >= nextOut_) {
                    break;  // its answers wait for the program to write it
                }
            } else if (due(e) > clock_.now()) {
                break;
            } else {
                bytes.push_back(e.byte);
            }
            ++nextIn_;
        }
        return Io::Ok;
    }

    void waitReadable(std::uint32_t ms) override {
        platform::Micros wait = static_cast<platform::Micros>(ms) * 1000;
        if (nextIn_ < entries_.size() && !entries_[nextIn_].out) {
            wait = std::min(wait,
                            std::max<platform::Micros>(0, due(entries_[nextIn_]) - clock_.now()));
        }
        clock_.runEvents(wait);
    }

    std::string lastError() const override { return "Input/output error"; }

    const std::vector<std::uint8_t>& written() const { return written_; }
    // Recorded answers the program never read.
    std::size_t unread() const {
        std::size_t n = 0;
        for (std::size_t i = nextIn_; i < entries_.size(); ++i) {
            n += entries_[i].out ? 0 : 1;
        }
        return n;
    }

private:
    platform::Micros due(const RawTraceFile::Entry& e) const { return e.ms * 1000 + offset_; }

    sim::VirtualClock& clock_;
    std::vector<RawTraceFile::Entry> entries_;
    std::vector<std::uint8_t> written_;
    std::size_t nextOut_ = 0;
    std::size_t nextIn_ = 0;
    platform::Micros offset_ = 0;
};

}  // namespace tavrin::test
