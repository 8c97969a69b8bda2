// Keystroke streams of any keys, count and pace, on either system family:
// the read's capture, the dump layout, the nibble conversion and the image;
// and the raw-capture diagnostic.
//  - a read succeeds exactly when the answer's converted positions all hold
//    nibble keys within the time limit; then the image is what those keys
//    spell, else the image, the display and the firmware text are as before;
//  - every key is stored in order and only inside the dump buffer and the
//    scan-code list; the hook, Timer1 and the waiting dialog end released.
//
// Input: one byte of options (system family, path), then three bytes per
// keystroke: virtual key, scan code, pause before it in 8 ms steps (0xFF:
// a hook call with a negative code, which is passed on).

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "eeprom/display.h"
#include "eeprom/dump.h"
#include "fuzz_support.h"
#include "support/fakes.h"

namespace {

using namespace tavrin;

// The nibble each key stands for; the oracle, written apart from the code.
std::optional<int> nibbleOf(std::uint8_t vk) {
    static constexpr std::array<std::pair<std::uint8_t, int>, 23> kKeys{{
        {0x75, 0},  {0x76, 1},  {0x77, 2},  {0x78, 3},  {0x79, 4},  {0x90, 5},
        {0x91, 6},  {0x67, 7},  {0x24, 7},  {0x68, 8},  {0x26, 8},  {0x69, 9},
        {0x21, 9},  {0x6D, 10}, {0x64, 11}, {0x25, 11}, {0x65, 12}, {0x0C, 12},
        {0x66, 13}, {0x27, 13}, {0x6B, 14}, {0x61, 15}, {0x23, 15},
    }};
    for (const auto& [key, nibble] : kKeys) {
        if (key == vk) {
            return nibble;
        }
    }
    return std::nullopt;
}

struct Key {
    std::uint8_t vk;
    std::uint8_t scan;
};

struct TimedKey {
    std::uint64_t at;
    Key key;
    bool passOn;
};

// The millisecond counter, event pump and Timer1, delivering the input's
// keys through the hook at their times without an allocation per key.
class KeyTime : public platform::TickCounter, public platform::EventPump, public platform::Timer {
public:
    explicit KeyTime(test::FakeHooks& hooks) : hooks_(hooks) {}

    void reset() {
        now_ = 0;
        enabled_ = false;
        keys.clear();
        next_ = 0;
        stored.clear();
    }
    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(now_); }
    __attribute__((no_sanitize("coverage"))) void processEvents(std::uint32_t maxWaitMs) override {
        if (runDue()) {
            return;
        }
        std::uint64_t target = now_ + maxWaitMs;
        if (next_ < keys.size()) {
            target = std::min(target, keys[next_].at);
        }
        if (enabled_) {
            target = std::min(target, nextTick_);
        }
        now_ = std::max(now_, target);
        runDue();
    }
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    void setEnabled(bool enabled) override {
        if (enabled && !enabled_) {
            nextTick_ = now_ + 1000;
        }
        enabled_ = enabled;
    }
    bool enabled() const override { return enabled_; }

    std::vector<TimedKey> keys;  // in time order
    std::vector<Key> stored;     // delivered to an installed hook

private:
    __attribute__((no_sanitize("coverage"))) bool runDue() {
        bool ran = false;
        while (next_ < keys.size() && keys[next_].at <= now_) {
            const TimedKey& k = keys[next_++];
            if (hooks_.type(k.key.vk, k.key.scan, k.passOn ? -1 : 0) && !k.passOn) {
                stored.push_back(k.key);
            }
            ran = true;
        }
        while (enabled_ && nextTick_ <= now_) {
            nextTick_ += 1000;
            if (handler_) {
                handler_();
            }
            ran = true;
        }
        return ran;
    }

    test::FakeHooks& hooks_;
    std::uint64_t now_ = 0;
    bool enabled_ = false;
    std::uint64_t nextTick_ = 0;
    std::size_t next_ = 0;
    std::function<void()> handler_;
};

struct KeyRig {
    test::FakeHooks hooks;
    KeyTime time{hooks};
    test::FakePorts ports;
    test::FakeVersion version;
    test::FakeDialogs dialogs;
    ui::WindowModel window;
    link::LinkCounters counters;
    link::CommandChannel channel{ports, time, time, counters};
    link::KeystrokeCapture capture{hooks, time, time, counters};
    eeprom::Context ctx{window, counters, channel, capture, version, dialogs};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t options = in.byte();
    // One rig for every run, its window saved once showing an image.
    static KeyRig& rig = *new KeyRig;
    static const ui::WindowModel shown = [] {
        ui::WindowModel& w = rig.window;
        for (int a = 0; a < eeprom::kEepromSize; ++a) {
            w.image[static_cast<std::size_t>(a)] = (a * 37 + 11) & 0xFF;
        }
        w.image[0] = 0x55;
        w.image[1] = 0xAA;
        w.image[eeprom::kEepromSize] = 0x5A5A;
        eeprom::ShowImage(rig.ctx);
        w.aboutLabel6 = "Firmware Version 9.9";
        return w;
    }();
    fuzz::restore(rig.window, shown);
    rig.time.reset();
    rig.counters = link::LinkCounters{};
    rig.dialogs.messages.clear();
    rig.dialogs.waitingShows = rig.dialogs.waitingCloses = 0;
    rig.dialogs.shown = false;
    rig.hooks.installs = rig.hooks.removals = 0;
    rig.capture.sizeDumpBuffer(0);
    const auto scanCodesBefore = rig.capture.scanCodeList();
    switch (options & 3) {
        case 0:
            rig.version.info = platform::OsVersionInfo{2, 5, 1};
            break;
        case 1:
            rig.version.info = platform::OsVersionInfo{1, 4, 10};
            break;
        case 2:
            rig.version.info = platform::OsVersionInfo{0, 3, 11};
            break;
        default:
            rig.version.info = std::nullopt;
            break;
    }
    const bool windows98 = (options & 3) == 1;
    const bool noSystem = (options & 3) == 3;
    const bool raw = (options & 4) != 0;

    ui::WindowModel& w = rig.window;
    const eeprom::EepromImage priorImage = w.image;

    // The keys, delivered by the event pump at their times.
    std::uint64_t at = 0;
    while (!in.empty()) {
        const Key key{in.byte(), in.byte()};
        const std::uint8_t pause = in.byte();
        const bool passOn = pause == 0xFF;
        at += passOn ? 0 : 8ULL * pause;
        rig.time.keys.push_back({at, key, passOn});
    }
    const std::vector<Key>& stored = rig.time.stored;

    if (raw) {
        w.Text1.caption = "before";
        rig.capture.CaptureRawKeys(w.Text1.caption);
        const std::size_t count = std::min<std::size_t>(stored.size(), link::kScanCodeListSize);
        TAVRIN_FUZZ_CHECK(rig.counters.keyCount == static_cast<std::int32_t>(count),
                          "the diagnostic counts every key it stores, up to its list");
        std::string text;
        for (std::size_t k = 0; k < count; ++k) {
            text += std::to_string(stored[k].scan);
        }
        TAVRIN_FUZZ_CHECK(w.Text1.caption == (count == 0 ? std::string("before") : text),
                          "the diagnostic shows the scan codes in order");
    } else {
        const bool ok = eeprom::ReadAndShow(rig.ctx);
        const std::size_t entries = windows98 ? 258 : 290;
        const auto& dump = rig.capture.dumpBuffer();
        const std::size_t count = std::min(stored.size(), entries);
        if (!noSystem) {
            TAVRIN_FUZZ_CHECK(dump.size() == entries, "the dump buffer keeps its size");
            TAVRIN_FUZZ_CHECK(rig.counters.keyCount == static_cast<std::int32_t>(count),
                              "the read counts every key it stores, up to its buffer");
            for (std::size_t k = 0; k < count; ++k) {
                TAVRIN_FUZZ_CHECK(dump[k] == stored[k].vk, "the dump holds the keys in order");
            }
        }

        // The oracle: which positions carry the answer, and what they spell.
        std::vector<int> nibbles;
        bool valid = !noSystem && count == entries && rig.counters.tickCounter < 15;
        for (std::size_t k = 0; valid && k < entries; ++k) {
            const bool ignored = !windows98 && (k < 30 || k == 32 || k == 289);
            if (ignored) {
                continue;
            }
            auto n = nibbleOf(stored[k].vk);
            valid = n.has_value();
            nibbles.push_back(n.value_or(0));
        }
        TAVRIN_FUZZ_CHECK(ok == valid, "a read succeeds exactly on a complete, valid answer");
        TAVRIN_FUZZ_CHECK(w.imageValidFlag == ok, "the image valid flag is the read's outcome");
        if (ok) {
            for (int a = 0; a < eeprom::kEepromSize; ++a) {
                const auto i = static_cast<std::size_t>(a);
                TAVRIN_FUZZ_CHECK(w.image[i] == 16 * nibbles[2 + 2 * i] + nibbles[3 + 2 * i],
                                  "the image is what the answer's nibbles spell");
            }
            TAVRIN_FUZZ_CHECK(w.aboutLabel6 == "Firmware Version " + std::to_string(nibbles[0]) +
                                                   "." + std::to_string(nibbles[1]),
                              "the firmware version comes from the first two nibbles");
        } else {
            TAVRIN_FUZZ_CHECK(w.image == priorImage, "a failed read leaves the image");
            TAVRIN_FUZZ_CHECK(fuzz::sameWindow(w, shown), "a failed read leaves the display");
            TAVRIN_FUZZ_CHECK(w.aboutLabel6 == "Firmware Version 9.9",
                              "a failed read leaves the firmware version");
        }
        TAVRIN_FUZZ_CHECK(w.image[eeprom::kEepromSize] == 0x5A5A, "entry 128 is never read into");
        TAVRIN_FUZZ_CHECK(
            !rig.dialogs.shown && rig.dialogs.waitingShows == rig.dialogs.waitingCloses,
            "the waiting dialog is closed on every path");
    }
    // Whatever was typed, the scan-code list holds the stored keys and is
    // untouched beyond them.
    const auto& list = rig.capture.scanCodeList();
    for (std::size_t k = 0; k < list.size(); ++k) {
        const std::int32_t want = k < static_cast<std::size_t>(rig.counters.keyCount)
                                      ? stored[k].scan
                                      : scanCodesBefore[k];
        TAVRIN_FUZZ_CHECK(list[k] == want, "the scan-code list holds only the stored keys");
    }
    TAVRIN_FUZZ_CHECK(!rig.hooks.installed() && rig.hooks.installs == rig.hooks.removals,
                      "the hook is removed");
    TAVRIN_FUZZ_CHECK(!rig.time.enabled(), "Timer1 is stopped");
    return 0;
}
