#pragma once
// The real device link (command channel, keystroke capture) driven against
// the simulated keyboard on a virtual clock, plus an independent decoder of
// the typed dump to check the keyboard's answers with.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/command_channel.h"
#include "link/counters.h"
#include "link/keystroke_capture.h"
#include "link/os_name.h"
#include "sim/simulated_keyboard.h"
#include "sim/virtual_clock.h"

namespace tavrin::simtest {

using Eeprom = sim::KeyboardFirmware::Eeprom;

// The nibble a virtual-key code stands for, both keypad codes included.
inline std::optional<int> nibbleOf(std::uint8_t vk) {
    struct Row {
        std::uint8_t vk;
        int nibble;
    };
    static constexpr Row kRows[] = {{0x75, 0x0}, {0x76, 0x1}, {0x77, 0x2}, {0x78, 0x3}, {0x79, 0x4},
                                    {0x90, 0x5}, {0x91, 0x6}, {0x67, 0x7}, {0x24, 0x7}, {0x68, 0x8},
                                    {0x26, 0x8}, {0x69, 0x9}, {0x21, 0x9}, {0x6D, 0xA}, {0x64, 0xB},
                                    {0x25, 0xB}, {0x65, 0xC}, {0x0C, 0xC}, {0x66, 0xD}, {0x27, 0xD},
                                    {0x6B, 0xE}, {0x61, 0xF}, {0x23, 0xF}};
    for (const auto& r : kRows) {
        if (r.vk == vk) {
            return r.nibble;
        }
    }
    return std::nullopt;
}

struct DecodedDump {
    int versionMajor = 0;
    int versionMinor = 0;
    Eeprom eeprom{};
};

// Dump positions of the 258 nibbles: all of them on the Windows 98 family,
// 30, 31 and 33..288 otherwise. nullopt at the first key that is no nibble.
inline std::optional<DecodedDump> decodeDump(const std::vector<std::uint8_t>& dump,
                                             bool windows98) {
    std::array<int, 258> nibbles{};
    for (std::size_t k = 0; k < nibbles.size(); ++k) {
        std::size_t pos = windows98 ? k : (k < 2 ? 30 + k : 31 + k);
        if (pos >= dump.size()) {
            return std::nullopt;
        }
        auto n = nibbleOf(dump[pos]);
        if (!n) {
            return std::nullopt;
        }
        nibbles[k] = *n;
    }
    DecodedDump d;
    d.versionMajor = nibbles[0];
    d.versionMinor = nibbles[1];
    for (std::size_t a = 0; a < d.eeprom.size(); ++a) {
        d.eeprom[a] = static_cast<std::uint8_t>(16 * nibbles[2 + 2 * a] + nibbles[3 + 2 * a]);
    }
    return d;
}

// An EEPROM in which every nibble value stands at both nibble positions.
inline Eeprom patternedEeprom() {
    Eeprom e{};
    for (std::size_t a = 0; a < e.size(); ++a) {
        e[a] = static_cast<std::uint8_t>((a * 37 + 11) & 0xFF);
    }
    e[0] = 0x55;
    e[1] = 0xAA;
    return e;
}

struct CaptureResult {
    std::string osName;
    bool windows98 = false;
    std::int32_t keyCount = 0;
    std::int32_t tickCounter = 0;
    std::vector<std::uint8_t> dump;
    bool timedOut() const { return tickCounter >= 15; }
};

struct LinkRig {
    explicit LinkRig(sim::SimulatedKeyboard::Options options = {})
        : kb(clock, std::move(options)) {}

    sim::VirtualClock clock;
    sim::SimulatedKeyboard kb;
    link::LinkCounters counters;
    link::CommandChannel channel{kb.ports(), kb.host(), kb.host(), counters};
    link::KeystrokeCapture capture{kb.host(), kb.host(), kb.host(), counters};

    sim::KeyboardFirmware& firmware() { return kb.firmware(); }

    // A whole frame, back to back, as the channel sends it.
    void frame(std::initializer_list<int> values) {
        channel.SendFrame(std::span<const int>(values.begin(), values.size()));
    }

    // A frame followed by a short wait, so that its last byte reaches the
    // keyboard before the test looks.
    void send(std::initializer_list<int> values) {
        frame(values);
        channel.WaitMilliseconds(10);
    }

    // The EEPROM read as the program runs it: read command with its waits,
    // then the capture with key limit 257 or 289 and tick limit 15.
    CaptureResult read() {
        CaptureResult r;
        counters.sendErrorCounter = 0;
        counters.tickCounter = 0;
        counters.keyCount = 0;
        std::int16_t major = 0, minor = 0;
        link::GetOsName(kb.host(), major, minor, r.osName);
        r.windows98 = r.osName == link::kWindows98Family;
        capture.sizeDumpBuffer(r.windows98 ? 258 : 290);
        capture.enableTimer1();
        channel.SendStartFrame();
        channel.WaitMilliseconds(100);
        channel.SendDataBytes({0x63, 0x52});
        channel.WaitMilliseconds(100);
        channel.SendEndFrame();
        channel.WaitMilliseconds(100);
        counters.sendErrorCounter = 0;
        capture.installHook();
        capture.captureLoop(r.windows98 ? 257 : 289, 15);
        capture.removeHook();
        capture.disableTimer1();
        r.keyCount = counters.keyCount;
        r.tickCounter = counters.tickCounter;
        r.dump = capture.dumpBuffer();
        return r;
    }
};

// The default options as change leaves them, for a rig set up in one line.
template <class Change>
sim::SimulatedKeyboard::Options with(Change change) {
    sim::SimulatedKeyboard::Options o;
    change(o);
    return o;
}

inline sim::SimulatedKeyboard::Options windows98() {
    sim::SimulatedKeyboard::Options o;
    o.host.osVersion = platform::OsVersionInfo{1, 4, 10};
    return o;
}

}  // namespace tavrin::simtest
