// The keystroke capture: the hook's storing and swallowing, the capture
// loop's two limits, the raw-key diagnostic and the read's time-out as the
// command channel and Timer1 shape it.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "link/command_channel.h"
#include "link/counters.h"
#include "link/keystroke_capture.h"
#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::link {
namespace {

using test::FakeHooks;
using test::FakePorts;
using test::FakeTime;

// Hooks that also remember what was passed on and in which state Timer1
// was when the hook went away.
class RecordingHooks : public FakeHooks {
public:
    explicit RecordingHooks(const FakeTime& time) : time_(time) {}

    std::int32_t CallNextHookEx(platform::HookHandle hook, int code, std::uintptr_t wParam,
                                std::intptr_t lParam) override {
        FakeHooks::CallNextHookEx(hook, code, wParam, lParam);
        passed.push_back({hook, code, wParam, lParam});
        return 77;
    }
    bool UnhookWindowsHookEx(platform::HookHandle hook) override {
        removedHandles.push_back(hook);
        timerEnabledAtUnhook.push_back(time_.enabled());
        return FakeHooks::UnhookWindowsHookEx(hook);
    }

    struct Call {
        platform::HookHandle hook;
        int code;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    std::vector<Call> passed;
    std::vector<platform::HookHandle> removedHandles;
    std::vector<bool> timerEnabledAtUnhook;

private:
    const FakeTime& time_;
};

struct CaptureRig {
    FakeTime time;
    FakePorts ports{&time};
    RecordingHooks hooks{time};
    LinkCounters counters;
    CommandChannel channel{ports, time, time, counters};
    KeystrokeCapture capture{hooks, time, time, counters};

    // The keyboard types a key at atMs (virtual key, hardware scan code).
    void typeAt(std::uint64_t atMs, std::uint8_t vk, std::uint8_t scan) {
        time.at(atMs, [this, vk, scan] { hooks.type(vk, scan); });
    }

    // A capture as its owner runs it: count from 0, Timer1, hook, loop.
    void runCapture(std::size_t bufferSize, std::int32_t keyLimit, std::int32_t tickLimit) {
        capture.sizeDumpBuffer(bufferSize);
        counters.keyCount = 0;
        counters.tickCounter = 0;
        capture.enableTimer1();
        capture.installHook();
        capture.captureLoop(keyLimit, tickLimit);
        capture.removeHook();
        capture.disableTimer1();
    }
};

constexpr std::intptr_t scanBits(std::uint8_t scan) {
    return static_cast<std::intptr_t>(scan) << 16;
}

// --- The hook procedure ---------------------------------------------------

TEST(KeyboardHook, StoresVirtualKeyAndScanCodeAndSwallowsTheKey) {
    CaptureRig rig;
    rig.capture.sizeDumpBuffer(8);
    // Repeat count 1, extended flag and a transition bit around the scan code.
    const std::intptr_t lParam = scanBits(0x1E) | 0x01 | (1 << 24) | (std::intptr_t{1} << 30);
    EXPECT_EQ(rig.capture.KeyboardHookProc(0, 0x141, lParam), 1);

    EXPECT_EQ(rig.counters.keyCount, 1);
    EXPECT_EQ(rig.capture.dumpBuffer()[0], 0x41);
    EXPECT_EQ(rig.capture.scanCodeList()[0], 0x1E);
    EXPECT_TRUE(rig.hooks.passed.empty());
}

TEST(KeyboardHook, KeyDownAndKeyUpAreTwoEntries) {
    CaptureRig rig;
    rig.capture.sizeDumpBuffer(8);
    const std::intptr_t down = scanBits(0x2E) | 0x01;
    const std::intptr_t up = down | (std::intptr_t{1} << 30) | (std::intptr_t{1} << 31);
    EXPECT_EQ(rig.capture.KeyboardHookProc(0, 0x43, down), 1);
    EXPECT_EQ(rig.capture.KeyboardHookProc(0, 0x43, up), 1);
    // A peeked (not removed) notification counts too.
    EXPECT_EQ(rig.capture.KeyboardHookProc(3, 0x43, up), 1);

    EXPECT_EQ(rig.counters.keyCount, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(rig.capture.dumpBuffer()[k], 0x43) << k;
        EXPECT_EQ(rig.capture.scanCodeList()[k], 0x2E) << k;
    }
}

TEST(KeyboardHook, NegativeCodesArePassedOnAndNotCounted) {
    CaptureRig rig;
    rig.capture.sizeDumpBuffer(8);
    rig.capture.installHook();
    const platform::HookHandle handle = rig.hooks.lastHandle;

    EXPECT_EQ(rig.capture.KeyboardHookProc(-1, 0x41, scanBits(0x1E)), 77);
    EXPECT_EQ(rig.capture.KeyboardHookProc(INT32_MIN, 0x42, scanBits(0x30)), 77);

    EXPECT_EQ(rig.counters.keyCount, 0);
    EXPECT_EQ(rig.capture.dumpBuffer()[0], 0);
    EXPECT_EQ(rig.capture.scanCodeList()[0], 0);
    ASSERT_EQ(rig.hooks.passed.size(), 2u);
    EXPECT_EQ(rig.hooks.passed[0].hook, handle);
    EXPECT_EQ(rig.hooks.passed[0].code, -1);
    EXPECT_EQ(rig.hooks.passed[0].wParam, 0x41u);
    EXPECT_EQ(rig.hooks.passed[0].lParam, scanBits(0x1E));
    EXPECT_EQ(rig.hooks.passed[1].code, INT32_MIN);
    rig.capture.removeHook();
}

TEST(KeyboardHook, KeysBeyondTheDumpBufferAreSwallowedUncounted) {
    CaptureRig rig;
    rig.capture.sizeDumpBuffer(3);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(rig.capture.KeyboardHookProc(0, 0x30 + k, scanBits(0x10 + k)), 1) << k;
    }
    EXPECT_EQ(rig.counters.keyCount, 3);
    EXPECT_EQ(rig.capture.dumpBuffer(), (std::vector<std::uint8_t>{0x30, 0x31, 0x32}));
    EXPECT_EQ(rig.capture.scanCodeList()[2], 0x12);
    EXPECT_EQ(rig.capture.scanCodeList()[3], 0) << "nothing stored past the count";
    EXPECT_TRUE(rig.hooks.passed.empty()) << "swallowed, not passed on";
}

TEST(KeyboardHook, NoDumpBufferYetStoresNothing) {
    CaptureRig rig;
    EXPECT_EQ(rig.capture.KeyboardHookProc(0, 0x30, scanBits(0x0B)), 1);
    EXPECT_EQ(rig.counters.keyCount, 0);
    EXPECT_TRUE(rig.capture.dumpBuffer().empty());
    EXPECT_EQ(rig.capture.scanCodeList()[0], 0);
}

TEST(KeyboardHook, ScanCodeListBoundsAStoreEvenWithALargerDumpBuffer) {
    CaptureRig rig;
    rig.capture.sizeDumpBuffer(kScanCodeListSize + 50);
    for (std::size_t k = 0; k < kScanCodeListSize + 3; ++k) {
        rig.capture.KeyboardHookProc(0, 0x31, scanBits(0x02));
    }
    EXPECT_EQ(rig.counters.keyCount, static_cast<std::int32_t>(kScanCodeListSize));
    EXPECT_EQ(rig.capture.scanCodeList()[kScanCodeListSize - 1], 0x02);
    EXPECT_EQ(rig.capture.dumpBuffer()[kScanCodeListSize - 1], 0x31);
    EXPECT_EQ(rig.capture.dumpBuffer()[kScanCodeListSize], 0);
}

TEST(KeyboardHook, Timer1TickAddsOneToTheTickCounter) {
    CaptureRig rig;
    rig.counters.tickCounter = 4;
    rig.capture.enableTimer1();
    rig.time.processEvents(1000);
    EXPECT_EQ(rig.counters.tickCounter, 5);
    rig.time.processEvents(1000);
    EXPECT_EQ(rig.counters.tickCounter, 6);
    rig.capture.disableTimer1();
    rig.time.processEvents(5000);
    EXPECT_EQ(rig.counters.tickCounter, 6) << "a disabled Timer1 does not tick";
}

// --- The capture loop -------------------------------------------------------

TEST(CaptureLoop, EndsInThePassThatStoresKeystroke258) {
    CaptureRig rig;
    for (int i = 0; i < 262; ++i) {
        rig.typeAt(100 + 10 * i, static_cast<std::uint8_t>(0x30 + i % 10),
                   static_cast<std::uint8_t>(i & 0xFF));
    }
    rig.runCapture(258, 257, 15);

    EXPECT_EQ(rig.counters.keyCount, 258);
    EXPECT_EQ(rig.time.now, 100u + 10u * 257u) << "loop ended when the 258th key arrived";
    for (int i = 0; i < 258; ++i) {
        ASSERT_EQ(rig.capture.dumpBuffer()[i], 0x30 + i % 10) << i;
        ASSERT_EQ(rig.capture.scanCodeList()[i], i & 0xFF) << i;
    }
    EXPECT_FALSE(rig.hooks.installed());
    EXPECT_FALSE(rig.time.enabled());

    // The remaining keys reach no hook of ours.
    rig.time.processEvents(1000);
    rig.time.processEvents(1000);
    EXPECT_EQ(rig.counters.keyCount, 258);
}

TEST(CaptureLoop, TestsComeAfterTheEventPass) {
    CaptureRig rig;
    rig.capture.sizeDumpBuffer(8);
    rig.capture.installHook();
    rig.counters.keyCount = 3;  // already past the limit
    rig.counters.tickCounter = 0;
    rig.time.at(0, [&rig] { rig.hooks.type(0x30, 0x0B); });
    rig.capture.captureLoop(1, 15);
    EXPECT_EQ(rig.time.passes, 1);
    EXPECT_EQ(rig.counters.keyCount, 4) << "the pending key was stored before the test";
    rig.capture.removeHook();
}

// A capture loop or the raw-key diagnostic over keys typed at set times:
// what it counted and stored, and when it ended.
struct RunCase {
    const char* name;
    std::uint32_t startMs;
    const char* typed;       // per key: the time in ms, then virtual key and scan code in hex
    std::size_t bufferSize;  // 0: the raw-key diagnostic, which sizes its own
    std::int32_t keyLimit, tickLimit;
    std::int32_t keys, ticks;  // the counters afterwards
    std::uint32_t endMs;
    const char* text = "";  // the diagnostic's text1 afterwards, "old" before
};

class CaptureRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(CaptureRun, CountsStoresAndEndsInTime) {
    const RunCase& c = GetParam();
    CaptureRig rig;
    rig.time.now = c.startMs;
    std::vector<std::pair<int, int>> typed;  // virtual key, scan code
    std::istringstream in(c.typed);
    for (int at, vk, scan; in >> std::dec >> at >> std::hex >> vk >> scan;) {
        rig.typeAt(at, static_cast<std::uint8_t>(vk), static_cast<std::uint8_t>(scan));
        typed.emplace_back(vk, scan);
    }
    rig.counters.keyCount = 40;  // left from before: every run counts from zero
    rig.counters.tickCounter = 9;
    if (c.bufferSize == 0) {
        std::string text1 = "old";
        rig.capture.CaptureRawKeys(text1);
        EXPECT_EQ(text1, c.text);
    } else {
        rig.runCapture(c.bufferSize, c.keyLimit, c.tickLimit);
    }
    EXPECT_EQ(rig.counters.keyCount, c.keys);
    EXPECT_EQ(rig.counters.tickCounter, c.ticks);
    EXPECT_EQ(rig.time.now, c.endMs);
    // The first keys typed are stored in arrival order, nothing past the count.
    ASSERT_LE(static_cast<std::size_t>(c.keys), typed.size());
    for (int k = 0; k < c.keys; ++k) {
        EXPECT_EQ(rig.capture.dumpBuffer()[k], typed[k].first) << k;
        EXPECT_EQ(rig.capture.scanCodeList()[k], typed[k].second) << k;
    }
    EXPECT_EQ(rig.capture.dumpBuffer()[c.keys], 0);
    EXPECT_EQ(rig.capture.scanCodeList()[c.keys], 0);
    EXPECT_FALSE(rig.hooks.installed());
    EXPECT_FALSE(rig.time.enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CaptureRun,
    ::testing::Values(
        // Four keys arrive together at 400; the limit is passed inside this pass.
        RunCase{"SeveralKeysInOnePassAreStoredInArrivalOrder", 0,
                "100 30 0B  200 31 02  300 32 03  400 33 04  400 34 05  400 35 06  400 36 07  "
                "500 37 08",
                16, 4, 15, 7, 0, 400},
        // Five keys equal the limit but do not pass it: the ticks end the loop.
        RunCase{"ReachingTheKeyLimitExactlyDoesNotEndIt", 0,
                "100 30 0B  200 30 0B  300 30 0B  400 30 0B  500 30 0B", 16, 5, 3, 5, 3, 3000},
        RunCase{"NoAnswerEndsAtTheTickLimit", 7000, "", 290, 289, 15, 0, 15, 7000 + 15000},
        RunCase{"KeyArrivingWithTheLastTickIsStillStored", 0, "5000 39 0A", 16, 289, 5, 1, 5, 5000},
        RunCase{"OperatorTypingDuringTheCaptureIsPartOfTheAnswer", 0, "50 51 10  60 30 0B", 8, 1,
                15, 2, 0, 60},
        // Decimal scan codes run together; ten ticks from the start.
        RunCase{"RawKeysShowDecimalScanCodesRunTogether", 2000, "2300 24 47  2400 26 48", 0, 0, 0,
                2, 10, 2000 + 10000, "7172"},
        RunCase{"RawKeysNoKeystrokeLeavesText1AsItWas", 0, "", 0, 0, 0, 0, 10, 10000, "old"},
        RunCase{"RawKeysStartFromZeroCountsWhateverCameBefore", 0,
                "9500 00 01  9600 00 0F  9700 00 FF", 0, 0, 0, 3, 10, 10000, "115255"}),
    test::RowName());

// --- The read's time-out --------------------------------------------------

TEST(ReadTimeout, ReachedFourteenToFifteenSecondsAfterTheEndFrame) {
    for (std::uint32_t start : {0u, 250u, 999u, 123456u}) {
        CaptureRig rig;
        rig.time.now = start;
        rig.capture.sizeDumpBuffer(290);
        rig.counters.keyCount = 0;
        rig.counters.tickCounter = 0;

        rig.capture.enableTimer1();
        rig.channel.SendStartFrame();
        rig.channel.WaitMilliseconds(100);
        rig.channel.SendDataBytes({0x63, 0x52});
        rig.channel.WaitMilliseconds(100);
        rig.channel.SendEndFrame();
        ASSERT_EQ(rig.ports.writeTimes.size(), 8u);
        const std::uint32_t endFrameAt = rig.ports.writeTimes.back();
        rig.channel.WaitMilliseconds(100);
        rig.capture.installHook();
        rig.capture.captureLoop(289, 15);
        rig.capture.removeHook();
        rig.capture.disableTimer1();

        const std::uint32_t sinceEnd = rig.time.now - endFrameAt;
        EXPECT_GE(sinceEnd, 14000u) << "start " << start;
        EXPECT_LE(sinceEnd, 15000u) << "start " << start;
        // Timer1 kept the phase it got when it was enabled before the command.
        EXPECT_EQ(rig.time.now, start + 15000u) << "start " << start;
        EXPECT_EQ(rig.counters.tickCounter, 15);
        EXPECT_EQ(rig.ports.dataWrites, test::frame({0x63, 0x52}));
    }
}

// --- Lifecycle ----------------------------------------------------------------

TEST(CaptureLifecycle, HookRemovedBeforeTimer1IsDisabled) {
    CaptureRig rig;
    std::string text1;
    rig.capture.CaptureRawKeys(text1);
    EXPECT_EQ(rig.hooks.installs, 1);
    ASSERT_EQ(rig.hooks.timerEnabledAtUnhook.size(), 1u);
    EXPECT_TRUE(rig.hooks.timerEnabledAtUnhook[0]);
    EXPECT_EQ(rig.hooks.removedHandles[0], rig.hooks.lastHandle);
    EXPECT_FALSE(rig.capture.hookInstalled());
    EXPECT_FALSE(rig.time.enabled());
}

TEST(CaptureLifecycle, DestroyingTheCaptureRemovesAnInstalledHook) {
    FakeTime time;
    RecordingHooks hooks{time};
    LinkCounters counters;
    {
        KeystrokeCapture capture(hooks, time, time, counters);
        capture.installHook();
        capture.installHook();  // one hook at a time
        EXPECT_EQ(hooks.installs, 1);
    }
    EXPECT_EQ(hooks.removals, 1);
    EXPECT_FALSE(hooks.installed());
}

// --- The raw-key diagnostic -------------------------------------------------

TEST(CaptureRawKeys, EndsAfterTheHundredAndFirstKeystroke) {
    CaptureRig rig;
    std::string expected;
    for (int i = 0; i < 105; ++i) {
        const auto scan = static_cast<std::uint8_t>(0x10 + i % 5);
        rig.typeAt(10 + 10 * i, 0x41, scan);
        if (i < 101) {
            expected += std::to_string(scan);
        }
    }
    std::string text1;
    rig.capture.CaptureRawKeys(text1);
    EXPECT_EQ(rig.counters.keyCount, 101);
    EXPECT_EQ(rig.time.now, 10u + 10u * 100u);
    EXPECT_EQ(text1, expected);
}

}  // namespace
}  // namespace tavrin::link
