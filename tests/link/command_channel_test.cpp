// The command channel: framing, the status poll with its bound, the IRQ1
// mask around each byte, the tick counter reset and the millisecond wait.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "link/command_channel.h"
#include "link/counters.h"
#include "link/keystroke_capture.h"
#include "support/fakes.h"

namespace tavrin::link {
namespace {

using test::FakePorts;
using test::FakeTime;

// A controller that keeps its input buffer full for the first busyReads
// status reads and also records the interrupt mask seen at every data write.
class SlowController : public FakePorts {
public:
    explicit SlowController(long busyReads) : busyReads_(busyReads) {}

    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) override {
        bool ok = FakePorts::GetPortVal(port, value, size);
        if (port == kStatusPort) {
            value = (neverReady || statusReads <= busyReads_) ? kInputBufferFull : 0;
        }
        return ok;
    }
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) override {
        if (port == kDataPort) {
            maskAtWrite.push_back(interruptMask);
            rawDataWrites.push_back(value);
        } else if (port == kInterruptMaskPort) {
            maskWrites.push_back(value & 0xFF);
        }
        return FakePorts::SetPortVal(port, value, size);
    }

    std::vector<std::uint32_t> maskAtWrite;
    std::vector<std::uint32_t> rawDataWrites;  // the values as handed to the driver
    std::vector<std::uint32_t> maskWrites;

private:
    long busyReads_;
};

struct ChannelRig {
    explicit ChannelRig(long busyReads = 0) : ports(busyReads) {}
    FakeTime time;
    SlowController ports;
    LinkCounters counters;
    CommandChannel channel{ports, time, time, counters};
};

using Bytes = std::vector<std::uint8_t>;

// --- Framing on a ready controller --------------------------------------

TEST(CommandChannelFraming, ReadCommandWritesItsEightBytesInOrder) {
    ChannelRig rig;
    rig.channel.SendStartFrame();
    rig.channel.SendDataBytes({0x63, 0x52});
    rig.channel.SendEndFrame();

    EXPECT_EQ(rig.ports.dataWrites, (Bytes{0xE7, 0x55, 0xAA, 0xE3, 0x63, 0xE3, 0x52, 0xE6}));
    EXPECT_EQ(rig.ports.statusReads, 8);
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
}

TEST(CommandChannelFraming, ReadyControllerCostsOneStatusReadAndOneWritePerByte) {
    ChannelRig rig;
    const Bytes expected{0xE7, 0x55, 0xAA, 0xE3, 0x63, 0xE3, 0x52, 0xE6};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        rig.channel.SendControllerByte(expected[i]);
        EXPECT_EQ(rig.ports.statusReads, static_cast<long>(i + 1)) << "byte " << i;
        ASSERT_EQ(rig.ports.dataWrites.size(), i + 1) << "byte " << i;
        EXPECT_EQ(rig.ports.dataWrites.back(), expected[i]);
    }
}

TEST(CommandChannelFraming, EveryDataByteGetsItsOwnPrefix) {
    ChannelRig rig;
    rig.channel.SendDataBytes({0x43, 0x00, 0xE3, 0xFF});
    EXPECT_EQ(rig.ports.dataWrites, (Bytes{0xE3, 0x43, 0xE3, 0x00, 0xE3, 0xE3, 0xE3, 0xFF}));
}

TEST(CommandChannelFraming, EmptyDataListTouchesNoPort) {
    ChannelRig rig;
    rig.counters.tickCounter = 9;
    rig.channel.SendDataBytes(std::span<const int>{});

    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(rig.ports.statusReads, 0);
    EXPECT_TRUE(rig.ports.maskWrites.empty());
    // No byte went out, so the tick counter was not restarted either.
    EXPECT_EQ(rig.counters.tickCounter, 9);
}

TEST(CommandChannelFraming, WholeFrameMatchesStartDataEnd) {
    ChannelRig rig;
    const std::vector<int> payload{0x43, 0x1E, 0x30};
    rig.channel.SendFrame(payload);
    EXPECT_EQ(rig.ports.dataWrites, test::frame({0x43, 0x1E, 0x30}));
    EXPECT_EQ(rig.time.passes, 0) << "sending must not pump events";
}

TEST(CommandChannelFraming, OnlyTheLowEightBitsGoOut) {
    ChannelRig rig;
    rig.channel.SendControllerByte(0x1E7);
    rig.channel.SendControllerByte(-1);
    rig.channel.SendControllerByte(0x12345655);
    EXPECT_EQ(rig.ports.rawDataWrites, (std::vector<std::uint32_t>{0xE7, 0xFF, 0x55}));
}

// --- IRQ1 masking ---------------------------------------------------------

TEST(CommandChannelIrqMask, KeyboardInterruptMaskedOnlyWhileEachByteIsWritten) {
    ChannelRig rig;
    rig.ports.interruptMask = 0xB8;  // other lines masked, IRQ1 open
    rig.channel.SendStartFrame();

    ASSERT_EQ(rig.ports.maskAtWrite.size(), 3u);
    for (std::uint32_t mask : rig.ports.maskAtWrite) {
        EXPECT_EQ(mask, 0xBAu);
    }
    // Mask, unmask for each of the three bytes: never held across the frame.
    EXPECT_EQ(rig.ports.maskWrites, (std::vector<std::uint32_t>{0xBA, 0xB8, 0xBA, 0xB8, 0xBA, 0xB8}));
    EXPECT_EQ(rig.ports.interruptMask, 0xB8u);
}

TEST(CommandChannelIrqMask, AlreadyMaskedIrq1EndsUnmaskedOtherBitsKept) {
    ChannelRig rig;
    rig.ports.interruptMask = 0xFF;
    rig.channel.SendControllerByte(0xE6);
    EXPECT_EQ(rig.ports.interruptMask, 0xFDu);

    rig.ports.interruptMask = 0x03;
    rig.channel.SendControllerByte(0xE6);
    EXPECT_EQ(rig.ports.interruptMask, 0x01u);
}

TEST(CommandChannelIrqMask, MaskAndUnmaskKeepTheOtherLines) {
    ChannelRig rig;
    rig.ports.interruptMask = 0x51;
    rig.channel.MaskKeyboardIrq();
    EXPECT_EQ(rig.ports.interruptMask, 0x53u);
    rig.channel.MaskKeyboardIrq();
    EXPECT_EQ(rig.ports.interruptMask, 0x53u);
    rig.channel.UnmaskKeyboardIrq();
    EXPECT_EQ(rig.ports.interruptMask, 0x51u);
    rig.channel.UnmaskKeyboardIrq();
    EXPECT_EQ(rig.ports.interruptMask, 0x51u);
}

// --- A controller that does not take the byte -----------------------------

TEST(CommandChannelTimeout, NeverReadyControllerDropsEachByteAfterTheReadLimit) {
    ChannelRig rig;
    rig.ports.neverReady = true;
    rig.ports.interruptMask = 0xFF;
    rig.counters.sendErrorCounter = 4;

    rig.channel.SendControllerByte(0xE6);
    EXPECT_EQ(rig.ports.statusReads, 300000);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(rig.counters.sendErrorCounter, 5);
    EXPECT_EQ(rig.ports.interruptMask & kIrq1Mask, 0u);
    EXPECT_EQ(rig.ports.interruptMask, 0xFDu);
}

TEST(CommandChannelTimeout, NeverReadyStartFrameRaisesTheCounterByThree) {
    ChannelRig rig;
    rig.ports.neverReady = true;
    rig.ports.interruptMask = 0x02;

    rig.channel.SendStartFrame();
    EXPECT_EQ(rig.ports.statusReads, 900000);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(rig.counters.sendErrorCounter, 3);
    EXPECT_EQ(rig.ports.interruptMask, 0x00u);
}

TEST(CommandChannelTimeout, StatusReadNumber299999IsStillTested) {
    ChannelRig rig(299998);  // ready on the 299,999th read
    rig.channel.SendControllerByte(0xE7);
    EXPECT_EQ(rig.ports.statusReads, 299999);
    EXPECT_EQ(rig.ports.dataWrites, (Bytes{0xE7}));
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
}

TEST(CommandChannelTimeout, StatusReadNumber300000IsNotLookedAt) {
    ChannelRig rig(299999);  // would be ready on the 300,000th read
    rig.channel.SendControllerByte(0xE7);
    EXPECT_EQ(rig.ports.statusReads, 300000);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(rig.counters.sendErrorCounter, 1);
}

TEST(CommandChannelTimeout, FrameGoesOnAfterADroppedByte) {
    ChannelRig rig(300000);  // busy through the whole first byte, then ready
    rig.channel.SendStartFrame();
    rig.channel.SendDataBytes({0x63});
    rig.channel.SendEndFrame();

    EXPECT_EQ(rig.ports.dataWrites, (Bytes{0x55, 0xAA, 0xE3, 0x63, 0xE6}));
    EXPECT_EQ(rig.counters.sendErrorCounter, 1);
    EXPECT_EQ(rig.ports.statusReads, 300000 + 5);
}

TEST(CommandChannelTimeout, ErrorTallyDoesNotWrapNegative) {
    ChannelRig rig;
    rig.ports.neverReady = true;
    rig.counters.sendErrorCounter = INT16_MAX;
    rig.channel.SendControllerByte(0xE6);
    EXPECT_EQ(rig.counters.sendErrorCounter, INT16_MAX);
}

// --- Tick counter ---------------------------------------------------------

TEST(CommandChannelTicks, EveryByteRestartsTheTickCounter) {
    ChannelRig rig;
    rig.counters.tickCounter = 12;
    rig.channel.SendControllerByte(0xE7);
    EXPECT_EQ(rig.counters.tickCounter, 0);

    // Also for a byte the controller never takes.
    rig.ports.neverReady = true;
    rig.counters.tickCounter = 3;
    rig.channel.SendControllerByte(0xE6);
    EXPECT_EQ(rig.counters.tickCounter, 0);
}

TEST(CommandChannelTicks, TicksBeforeTheLastByteDoNotCount) {
    ChannelRig rig;
    test::FakeHooks hooks;
    KeystrokeCapture capture(hooks, rig.time, rig.time, rig.counters);
    capture.enableTimer1();

    rig.channel.WaitMilliseconds(3500);
    EXPECT_EQ(rig.counters.tickCounter, 3);
    rig.channel.SendStartFrame();
    EXPECT_EQ(rig.counters.tickCounter, 0);
    rig.channel.WaitMilliseconds(1000);  // tick at 4000 ms
    EXPECT_EQ(rig.counters.tickCounter, 1);
    rig.channel.SendEndFrame();
    EXPECT_EQ(rig.counters.tickCounter, 0);
    capture.disableTimer1();
}

// --- WaitMilliseconds -----------------------------------------------------

TEST(CommandChannelWait, ZeroProcessesEventsOnceAndReturns) {
    ChannelRig rig;
    rig.time.now = 5000;
    int ran = 0;
    rig.time.at(5000, [&] { ++ran; });
    rig.time.at(5001, [&] { ++ran; });

    rig.channel.WaitMilliseconds(0);
    EXPECT_EQ(rig.time.passes, 1);
    EXPECT_EQ(ran, 1) << "the pending event runs, the later one does not";
    EXPECT_EQ(rig.time.now, 5000u);
}

TEST(CommandChannelWait, NegativeStillProcessesEventsOnce) {
    ChannelRig rig;
    rig.time.now = 100;
    rig.channel.WaitMilliseconds(-50);
    EXPECT_EQ(rig.time.passes, 1);
    EXPECT_EQ(rig.time.now, 100u);
}

TEST(CommandChannelWait, EarlyEventsDoNotEndTheWait) {
    ChannelRig rig;
    rig.time.now = 1000;
    std::vector<std::uint32_t> ranAt;
    for (std::uint32_t t : {1010u, 1040u, 1099u, 1100u, 1150u}) {
        rig.time.at(t, [&ranAt, &rig] { ranAt.push_back(rig.time.now); });
    }

    rig.channel.WaitMilliseconds(100);
    EXPECT_GE(rig.time.now, 1100u);
    EXPECT_LT(rig.time.now, 1150u);
    EXPECT_EQ(ranAt, (std::vector<std::uint32_t>{1010, 1040, 1099, 1100}));
}

TEST(CommandChannelWait, FakeClockWrappingDuringTheWait) {
    ChannelRig rig;
    rig.time.now = 0xFFFFFFF0u;  // wraps 16 ms into the wait
    const std::uint32_t start = rig.time.now;
    rig.channel.WaitMilliseconds(100);
    const std::uint32_t elapsed = rig.time.now - start;  // modulo 2^32
    EXPECT_GE(elapsed, 100u);
    EXPECT_LT(elapsed, 1000u);
    EXPECT_LT(rig.time.now, 0x1000u) << "the clock wrapped";
}

// A millisecond counter that moves a fixed step per event pass whatever
// the pump was allowed to wait: events arriving sooner than the deadline.
class SteppingClock : public platform::TickCounter, public platform::EventPump {
public:
    SteppingClock(std::uint64_t startMs, std::uint32_t step) : trueMs(startMs), step_(step) {}
    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(trueMs); }
    void processEvents(std::uint32_t maxWaitMs) override {
        ++passes;
        trueMs += std::min(step_, maxWaitMs);
        if (onPass) {
            onPass(*this);
        }
    }
    std::uint64_t trueMs;
    int passes = 0;
    std::function<void(SteppingClock&)> onPass;

private:
    std::uint32_t step_;
};

TEST(CommandChannelWait, SmallStepsAcrossTheWrapStillWaitAtLeastMs) {
    for (std::uint64_t start : {0xFFFFFFFFull, 0xFFFFFFF0ull, 0xFFFFFC00ull, 0x7FFFFFF0ull}) {
        SteppingClock clock(start, 7);
        FakePorts ports;
        LinkCounters counters;
        CommandChannel channel(ports, clock, clock, counters);

        channel.WaitMilliseconds(1500);
        const std::uint64_t elapsed = clock.trueMs - start;
        EXPECT_GE(elapsed, 1500u) << "start " << start;
        EXPECT_LT(elapsed, 1507u) << "start " << start;
        EXPECT_GE(clock.passes, 1500 / 7) << "start " << start;
    }
}

TEST(CommandChannelWait, CounterGoingBackRestartsTheMeasurement) {
    SteppingClock clock(10000, 10);
    bool jumped = false;
    clock.onPass = [&jumped](SteppingClock& c) {
        if (!jumped && c.trueMs == 10050) {
            c.trueMs = 9000;  // the counter comes out behind the start
            jumped = true;
        }
    };
    FakePorts ports;
    LinkCounters counters;
    CommandChannel channel(ports, clock, clock, counters);

    channel.WaitMilliseconds(100);
    ASSERT_TRUE(jumped);
    // Measured from 9000, where the difference first came out negative.
    EXPECT_GE(clock.trueMs, 9100u);
    EXPECT_LT(clock.trueMs, 9110u);
}

}  // namespace
}  // namespace tavrin::link
