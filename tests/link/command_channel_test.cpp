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
#include "support/table.h"

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
    EXPECT_EQ(rig.ports.maskWrites,
              (std::vector<std::uint32_t>{0xBA, 0xB8, 0xBA, 0xB8, 0xBA, 0xB8}));
    EXPECT_EQ(rig.ports.interruptMask, 0xB8u);
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

// --- Sending, on a ready, slow or dead controller ------------------------

// What a row sends: one controller byte, the start frame, data bytes, or
// start frame, data bytes and end frame.
enum class Send { Byte, Start, Data, Framed };

struct SendCase {
    const char* name;
    Send send;
    const char* bytes;    // hex
    long busyReads;       // status reads that find the buffer full; -1: never ready
    std::uint32_t mask;   // the interrupt mask before
    std::int16_t errors;  // the counters before
    std::int32_t ticks;
    const char* written;  // the data port afterwards, hex
    long statusReads;
    std::int16_t errorsAfter;
    std::uint32_t maskAfter;
};

class CommandChannelSend : public ::testing::TestWithParam<SendCase> {};

TEST_P(CommandChannelSend, WritesReadsCountsAndUnmasks) {
    const SendCase& c = GetParam();
    ChannelRig rig(std::max(c.busyReads, 0L));
    rig.ports.neverReady = c.busyReads < 0;
    rig.ports.interruptMask = c.mask;
    rig.counters.sendErrorCounter = c.errors;
    rig.counters.tickCounter = c.ticks;
    const std::vector<int> bytes = test::hexInts(c.bytes);
    if (c.send == Send::Byte) {
        rig.channel.SendControllerByte(bytes.at(0));
    }
    if (c.send == Send::Start || c.send == Send::Framed) {
        rig.channel.SendStartFrame();
    }
    if (c.send == Send::Data || c.send == Send::Framed) {
        rig.channel.SendDataBytes(bytes);
    }
    if (c.send == Send::Framed) {
        rig.channel.SendEndFrame();
    }
    EXPECT_EQ(rig.ports.dataWrites, test::hexBytes(c.written));
    EXPECT_EQ(rig.ports.statusReads, c.statusReads);
    EXPECT_EQ(rig.counters.sendErrorCounter, c.errorsAfter);
    // IRQ1 ends unmasked whatever it was; the other lines keep their bits.
    EXPECT_EQ(rig.ports.interruptMask & kIrq1Mask, 0u);
    EXPECT_EQ(rig.ports.interruptMask, c.maskAfter);
    EXPECT_EQ(rig.counters.tickCounter, 0) << "every byte restarts the tick counter";
}

// A dead controller is read 300,000 times per byte; the error tally
// saturates instead of wrapping negative.
INSTANTIATE_TEST_SUITE_P(
    Rows, CommandChannelSend,
    ::testing::Values(SendCase{"ReadCommandWritesItsEightBytesInOrder", Send::Framed, "63 52", 0, 0,
                               0, 0, "E7 55 AA E3 63 E3 52 E6", 8, 0, 0},
                      SendCase{"EveryDataByteGetsItsOwnPrefix", Send::Data, "43 00 E3 FF", 0, 0, 0,
                               0, "E3 43 E3 00 E3 E3 E3 FF", 8, 0, 0},
                      SendCase{"AlreadyMaskedIrq1EndsUnmaskedOtherBitsKept", Send::Byte, "E6", 0,
                               0xFF, 0, 0, "E6", 1, 0, 0xFD},
                      SendCase{"MaskedIrq0AndIrq1EndWithIrq0Masked", Send::Byte, "E6", 0, 0x03, 0,
                               0, "E6", 1, 0, 0x01},
                      SendCase{"NeverReadyControllerDropsEachByteAfterTheReadLimit", Send::Byte,
                               "E6", -1, 0xFF, 4, 0, "", 300000, 5, 0xFD},
                      SendCase{"NeverReadyStartFrameRaisesTheCounterByThree", Send::Start, "", -1,
                               0x02, 0, 0, "", 900000, 3, 0x00},
                      SendCase{"StatusReadNumber299999IsStillTested", Send::Byte, "E7", 299998, 0,
                               0, 0, "E7", 299999, 0, 0},
                      SendCase{"StatusReadNumber300000IsNotLookedAt", Send::Byte, "E7", 299999, 0,
                               0, 0, "", 300000, 1, 0},
                      SendCase{"FrameGoesOnAfterADroppedByte", Send::Framed, "63", 300000, 0, 0, 0,
                               "55 AA E3 63 E6", 300000 + 5, 1, 0},
                      SendCase{"ErrorTallyDoesNotWrapNegative", Send::Byte, "E6", -1, 0, INT16_MAX,
                               0, "", 300000, INT16_MAX, 0},
                      SendCase{"EveryByteRestartsTheTickCounter", Send::Byte, "E7", 0, 0, 0, 12,
                               "E7", 1, 0, 0},
                      SendCase{"EveryDroppedByteRestartsTheTickCounter", Send::Byte, "E6", -1, 0, 0,
                               3, "", 300000, 1, 0}),
    test::RowName());

// --- Tick counter ---------------------------------------------------------

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
