// The simulated PC: clocks, the tick counter, Timer1, the hook seam, the
// version query and the i8042's ports.

#include <gtest/gtest.h>

#include <vector>

#include "link_rig.h"

namespace tavrin::simtest {
namespace {

TEST(VirtualClock, PumpJumpsToTheNextEventOrTheBound) {
    sim::VirtualClock clock;
    std::vector<int> ran;
    clock.post(5'000, [&] { ran.push_back(1); });
    clock.post(5'000, [&] { ran.push_back(2); });
    clock.post(9'000, [&] { ran.push_back(3); });
    clock.runEvents(2'000);  // nothing due within the bound
    EXPECT_EQ(clock.now(), 2'000);
    EXPECT_TRUE(ran.empty());
    clock.runEvents(100'000);  // next event first, both of its time, in order
    EXPECT_EQ(clock.now(), 5'000);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    clock.spend(10'000);  // paying time runs nothing
    EXPECT_EQ(ran.size(), 2u);
    clock.runEvents(0);  // overdue: runs at once, the clock stays
    EXPECT_EQ(clock.now(), 15'000);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    clock.runEvents(0);
    EXPECT_EQ(clock.now(), 15'000);
}

TEST(VirtualClock, EventPostedForNowRunsInTheNextPass) {
    sim::VirtualClock clock;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        clock.post(clock.now(), again);
    };
    clock.post(0, again);
    clock.runEvents(0);
    EXPECT_EQ(runs, 1);
    clock.runEvents(0);
    EXPECT_EQ(runs, 2);
}

struct SimHost : ::testing::Test {
    sim::VirtualClock clock;
    platform::ClockHost host{clock};
};

// The host as the link sees it, in the rig.
TEST(SimHostUnderTheLink, TickCounterWrapsAndWaitsAcrossTheWrap) {
    LinkRig rig(with([](auto& o) { o.host.tickCountAtZero = 0xFFFFFF00u; }));
    EXPECT_EQ(rig.kb.host().GetTickCount(), 0xFFFFFF00u);
    rig.channel.WaitMilliseconds(1000);
    EXPECT_GE(rig.clock.now(), 1'000'000);
    EXPECT_LT(rig.clock.now(), 1'002'000);
    EXPECT_EQ(rig.kb.host().GetTickCount(),
              0xFFFFFF00u + static_cast<std::uint32_t>(rig.clock.now() / 1000));
    EXPECT_LT(rig.kb.host().GetTickCount(), 1000u);
}

TEST_F(SimHost, Timer1TicksEverySecondUntilDisabled) {
    int ticks = 0;
    host.setHandler([&] { ++ticks; });
    clock.runUntil(300'000);
    host.setEnabled(true);
    clock.runUntil(1'299'999);
    EXPECT_EQ(ticks, 0);
    clock.runUntil(1'300'000);
    EXPECT_EQ(ticks, 1);
    clock.runUntil(2'800'000);
    EXPECT_EQ(ticks, 2);
    host.setEnabled(true);  // running: keeps its phase
    clock.runUntil(3'300'000);
    EXPECT_EQ(ticks, 3);
    host.setEnabled(false);
    clock.runUntil(6'000'000);
    EXPECT_EQ(ticks, 3);
    host.setEnabled(true);  // stopped: a new period from now
    clock.runUntil(6'999'999);
    EXPECT_EQ(ticks, 3);
    clock.runUntil(7'000'000);
    EXPECT_EQ(ticks, 4);
    EXPECT_EQ(host.timerTicks(), 4);
}

TEST_F(SimHost, TimerStoppedInsideItsHandlerTicksNoMore) {
    int ticks = 0;
    host.setHandler([&] {
        ++ticks;
        host.setEnabled(false);
    });
    host.setEnabled(true);
    clock.runUntil(5'000'000);
    EXPECT_EQ(ticks, 1);
}

TEST_F(SimHost, OneHookAtATimeAndKeysOnlyThroughIt) {
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> seen;
    auto proc = [&](int code, std::uintptr_t w, std::intptr_t l) {
        EXPECT_EQ(code, 0);
        seen.emplace_back(w, l);
        return 1;
    };
    host.typeKey('A', 0x1E);  // no hook: the key goes elsewhere
    EXPECT_EQ(host.typedElsewhere(), 1);
    auto h = host.SetWindowsHookEx(proc);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(host.SetWindowsHookEx(proc), 0u);  // a second one is refused
    host.typeKeyAt(1'000, 0x67, 0x47);
    host.typeKeyAt(2'000, 0x67, 0x47, true);
    EXPECT_TRUE(seen.empty());  // only from inside the pump
    clock.runUntil(2'000);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, 0x67u);
    EXPECT_EQ(seen[0].second, 0x47 << 16);
    // A release sets bit 31 of the pointer-sized lParam: negative in a
    // 32-bit build, so it is compared at that size.
    EXPECT_EQ(static_cast<std::uintptr_t>(seen[1].second), std::uintptr_t{0x80470000u});
    EXPECT_FALSE(host.UnhookWindowsHookEx(h + 1));
    EXPECT_TRUE(host.UnhookWindowsHookEx(h));
    EXPECT_FALSE(host.hookInstalled());
    EXPECT_EQ(host.CallNextHookEx(h, -1, 1, 2), 0);
    ASSERT_EQ(host.passedOn().size(), 1u);
    EXPECT_EQ(host.passedOn()[0].code, -1);
}

TEST(SimHostUnderTheLink, CaptureHookPassesNegativeCodesOn) {
    LinkRig rig;
    rig.capture.sizeDumpBuffer(290);
    rig.capture.installHook();
    ASSERT_TRUE(rig.kb.host().hookInstalled());
    // The link's hook procedure, as the system would call it with code < 0.
    EXPECT_EQ(rig.capture.KeyboardHookProc(-1, 0x41, 0), 0);
    EXPECT_EQ(rig.kb.host().passedOn().size(), 1u);
    EXPECT_EQ(rig.counters.keyCount, 0);
    rig.capture.removeHook();
    EXPECT_FALSE(rig.kb.host().hookInstalled());
}

// Configured when the host is made, then changed.
TEST_F(SimHost, VersionQueryAnswersAsConfigured) {
    platform::ClockHost configured(clock, {platform::OsVersionInfo{0, 3, 10}, 0});
    std::int16_t major = 0, minor = 0;
    std::string name;
    link::GetOsName(configured, major, minor, name);
    EXPECT_EQ(name, "Windows 3.10");
    configured.setOsVersion(std::nullopt);
    link::GetOsName(configured, major, minor, name);
    EXPECT_EQ(name, "");
}

struct I8042 : ::testing::Test {
    sim::VirtualClock clock;
    sim::I8042 ports{clock, {}};
};

TEST_F(I8042, ByteReachesTheKeyboardOnlyAfterItsTransfer) {
    std::vector<std::pair<platform::Micros, std::uint8_t>> got;
    ports.setKeyboard([&](std::uint8_t b) { got.emplace_back(clock.now(), b); });
    std::vector<std::uint8_t> logged;
    ports.setWireLog([&](platform::Micros, std::uint8_t b) { logged.push_back(b); });
    std::uint32_t status = 0;
    ASSERT_TRUE(ports.SetPortVal(sim::kI8042Data, 0x1E7, 1));  // low byte only
    EXPECT_EQ(logged, (std::vector<std::uint8_t>{0xE7}));
    int fullReads = 0;
    for (;;) {
        ports.GetPortVal(sim::kI8042Status, status, 1);
        if ((status & 0x02) == 0) {
            break;
        }
        ++fullReads;
        EXPECT_TRUE(got.empty());
    }
    // 1000 us at 1 us per read.
    EXPECT_EQ(fullReads, 1000);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, 1000);
    EXPECT_EQ(got[0].second, 0xE7);
}

TEST_F(I8042, LastByteIsDeliveredByThePump) {
    int got = 0;
    ports.setKeyboard([&](std::uint8_t) { ++got; });
    ports.SetPortVal(sim::kI8042Data, 0xE6, 1);
    clock.runEvents(500);
    EXPECT_EQ(got, 0);
    clock.runEvents(5'000);
    EXPECT_EQ(got, 1);
    EXPECT_EQ(clock.now(), 1000);
}

TEST_F(I8042, OverrunReplacesTheHeldByte) {
    std::vector<std::uint8_t> got;
    ports.setKeyboard([&](std::uint8_t b) { got.push_back(b); });
    ports.SetPortVal(sim::kI8042Data, 0x11, 1);
    ports.SetPortVal(sim::kI8042Data, 0x22, 1);
    clock.runUntil(5'000);
    EXPECT_EQ(got, (std::vector<std::uint8_t>{0x22}));
    ASSERT_EQ(ports.wire().size(), 2u);
    EXPECT_FALSE(ports.wire()[0].overrun);
    EXPECT_TRUE(ports.wire()[1].overrun);
}

TEST_F(I8042, InterruptMaskIsRememberedAndRecordedPerByte) {
    std::uint32_t v = 0;
    ports.SetPortVal(sim::kPicMask, 0x02, 1);
    ports.GetPortVal(sim::kPicMask, v, 1);
    EXPECT_EQ(v, 0x02u);
    ports.SetPortVal(sim::kI8042Data, 0x55, 1);
    clock.runUntil(2'000);
    ports.SetPortVal(sim::kPicMask, 0x00, 1);
    ports.SetPortVal(sim::kI8042Data, 0xAA, 1);
    ASSERT_EQ(ports.wire().size(), 2u);
    EXPECT_TRUE(ports.wire()[0].irq1Masked);
    EXPECT_FALSE(ports.wire()[1].irq1Masked);
}

TEST_F(I8042, DriverResultsAndClosedDriver) {
    sim::I8042::Options o;
    o.initializeResults = {false, true};
    o.driverOpenAtStart = false;
    sim::I8042 closed(clock, o);
    std::uint32_t v = 0x1234;
    EXPECT_FALSE(closed.GetPortVal(sim::kI8042Status, v, 1));
    EXPECT_EQ(v, 0x1234u);  // nothing reached the hardware
    EXPECT_FALSE(closed.InitializeWinIo());
    EXPECT_FALSE(closed.SetPortVal(sim::kI8042Data, 0xE7, 1));
    EXPECT_TRUE(closed.InitializeWinIo());
    EXPECT_TRUE(closed.InitializeWinIo());  // results used up
    EXPECT_EQ(closed.initializeCalls(), 3);
    EXPECT_TRUE(closed.GetPortVal(sim::kI8042Status, v, 1));
    EXPECT_EQ(v, 0u);
    closed.ShutdownWinIo();
    EXPECT_EQ(closed.shutdownCalls(), 1);
    EXPECT_FALSE(closed.SetPortVal(sim::kI8042Data, 0xE7, 1));
    EXPECT_TRUE(closed.wire().empty());
}

TEST(SimulatedKeyboard, WireLogSeesEveryDataByte) {
    std::vector<std::pair<platform::Micros, std::uint8_t>> log;
    sim::SimulatedKeyboard::Options o;
    o.wireLog = [&](platform::Micros at, std::uint8_t b) { log.emplace_back(at, b); };
    LinkRig rig(o);
    rig.frame({0x63, 0x52});
    ASSERT_EQ(log.size(), 8u);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < log.size(); ++i) {
        bytes.push_back(log[i].second);
        EXPECT_EQ(log[i].first, rig.kb.ports().wire()[i].at);
    }
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xE7, 0x55, 0xAA, 0xE3, 0x63, 0xE3, 0x52, 0xE6}));
}

TEST(SimulatedKeyboard, EventsLeftOnTheClockOutliveTheKeyboardHarmlessly) {
    sim::VirtualClock clock;
    {
        sim::SimulatedKeyboard kb(clock);
        kb.host().setEnabled(true);
        kb.ports().SetPortVal(sim::kI8042Data, 0xE7, 1);
        kb.host().typeKeyAt(10'000, 'A', 0x1E);
    }
    EXPECT_GT(clock.pendingEvents(), 0u);
    // The timer's tick no longer reposts itself: the queue drains.
    clock.runUntil(3'000'000);
    EXPECT_EQ(clock.pendingEvents(), 0u);
}

}  // namespace
}  // namespace tavrin::simtest
