// The raw keyboard port behind the channel's and the capture's seams, over a
// scripted device: each byte's reply, refused and vanished devices, and the
// keyboard's typing handed to the hook.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "link/command_channel.h"
#include "link/keystroke_capture.h"
#include "link/raw_keyboard_port.h"
#include "support/fakes.h"
#include "support/port_checks.h"

namespace tavrin::test {
namespace {

using link::RawKeyboardPort;
using platform::RawDevice;

// A device whose keyboard answers each written byte as scripted, after
// replyDelayMs; time moves only while the port waits.
class ScriptedDevice : public RawDevice, public platform::TickCounter {
public:
    // One entry per write, in order; past the script every byte is ACKed.
    enum class Answer { Ack, Silent, Resend, Refuse, Vanish };
    std::deque<Answer> script;
    std::uint32_t replyDelayMs = 2;
    std::vector<std::uint8_t> written;
    std::uint32_t now = 1000;
    std::multimap<std::uint32_t, std::uint8_t> incoming;  // arrival time -> byte
    bool vanished = false;

    std::uint32_t GetTickCount() override { return now; }

    Io writeByte(std::uint8_t byte) override {
        if (vanished) {
            return Io::Gone;
        }
        Answer a = Answer::Ack;
        if (!script.empty()) {
            a = script.front();
            script.pop_front();
        }
        switch (a) {
            case Answer::Refuse:
                return Io::Failed;
            case Answer::Vanish:
                vanished = true;
                return Io::Gone;
            case Answer::Ack:
                incoming.emplace(now + replyDelayMs, link::kKeyboardAck);
                break;
            case Answer::Resend:
                incoming.emplace(now + replyDelayMs, link::kKeyboardResend);
                break;
            case Answer::Silent:
                break;
        }
        written.push_back(byte);
        return Io::Ok;
    }
    Io readAvailable(std::vector<std::uint8_t>& bytes) override {
        while (!incoming.empty() && incoming.begin()->first <= now) {
            bytes.push_back(incoming.begin()->second);
            incoming.erase(incoming.begin());
        }
        return vanished ? Io::Gone : Io::Ok;
    }
    void waitReadable(std::uint32_t ms) override {
        std::uint32_t until = now + ms;
        if (!incoming.empty() && incoming.begin()->first < until) {
            until = incoming.begin()->first;
        }
        now = std::max(now, until);
    }
    std::string lastError() const override { return "scripted"; }
};

using A = ScriptedDevice::Answer;

struct ByteCase {
    const char* name;
    std::vector<A> script;
    bool delivered;
    std::size_t writes;  // write() calls that reached the device
    std::uint32_t waitedMs;
    int acks, resends, noReply, refused;
};

void PrintTo(const ByteCase& c, std::ostream* os) {
    *os << c.name;
}

class OneByte : public ::testing::TestWithParam<ByteCase> {};

TEST_P(OneByte, WaitsForItsReply) {
    const ByteCase& c = GetParam();
    ScriptedDevice device;
    device.script.assign(c.script.begin(), c.script.end());
    RawKeyboardPort port(device, device, link::ScanCodeSet::Set1);
    const std::uint32_t start = device.now;
    EXPECT_EQ(port.SetPortVal(link::kDataPort, 0x1E7, 1), c.delivered);  // low byte only
    EXPECT_EQ(device.written, std::vector<std::uint8_t>(c.writes, 0xE7));
    EXPECT_EQ(device.now - start, c.waitedMs);
    EXPECT_EQ(port.tally().acks, c.acks);
    EXPECT_EQ(port.tally().resends, c.resends);
    EXPECT_EQ(port.tally().noReply, c.noReply);
    EXPECT_EQ(port.tally().refusedBytes, c.refused);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OneByte,
    ::testing::Values(ByteCase{"Acked", {A::Ack}, true, 1, 2, 1, 0, 0, 0},
                      ByteCase{"SilenceGoesOnAfterTheWait", {A::Silent}, true, 1, 20, 0, 0, 1, 0},
                      ByteCase{"ResentOnce", {A::Resend, A::Ack}, true, 2, 4, 1, 1, 0, 0},
                      ByteCase{"ResentThenSilent", {A::Resend, A::Silent}, true, 2, 22, 0, 1, 1, 0},
                      ByteCase{
                          "ResentTwiceIsLost", {A::Resend, A::Resend}, false, 2, 4, 0, 2, 0, 1},
                      ByteCase{"RefusedWrite", {A::Refuse}, false, 0, 0, 0, 0, 0, 1},
                      ByteCase{"DeviceVanished", {A::Vanish}, false, 0, 0, 0, 0, 0, 1}),
    [](const ::testing::TestParamInfo<ByteCase>& info) { return info.param.name; });

TEST(RawKeyboardPort, StatusReadsEmptyAndTheInterruptMaskIsLeftAlone) {
    ScriptedDevice device;
    RawKeyboardPort port(device, device, link::ScanCodeSet::Set1);
    expectStatusEmptyAndMaskKept(port, 0x02);
    EXPECT_TRUE(device.written.empty());
}

// The channel over the port: a frame goes out byte by byte, and a device
// that refuses or vanishes turns into dropped bytes, the vanished one at
// once for every later byte.
TEST(RawKeyboardPort, RefusedAndVanishedBytesAreDroppedBytes) {
    struct Case {
        std::vector<A> script;
        std::vector<std::uint8_t> written;
        std::uint64_t dropped;
    };
    const Case cases[] = {
        {{}, {0xE7, 0x55, 0xAA, 0xE3, 0x63, 0xE3, 0x52, 0xE6}, 0},
        {{A::Ack, A::Refuse}, {0xE7, 0xAA, 0xE3, 0x63, 0xE3, 0x52, 0xE6}, 1},
        {{A::Ack, A::Ack, A::Vanish}, {0xE7, 0x55}, 6},
    };
    for (const Case& c : cases) {
        ScriptedDevice device;
        device.script.assign(c.script.begin(), c.script.end());
        RawKeyboardPort port(device, device, link::ScanCodeSet::Set1);
        FakeTime time;
        link::LinkCounters counters;
        link::CommandChannel channel(port, device, time, counters);
        channel.SendFrame(std::vector<int>{0x63, 0x52});
        EXPECT_EQ(device.written, c.written);
        EXPECT_EQ(counters.droppedBytes, c.dropped);
        EXPECT_EQ(port.gone(), c.dropped == 6);
    }
}

// Keystrokes reach the installed hook with the scan code where the capture
// reads it; without a hook they are counted and go nowhere.
TEST(RawKeyboardPort, TypingReachesTheCaptureHook) {
    ScriptedDevice device;
    RawKeyboardPort port(device, device, link::ScanCodeSet::Set2);
    FakeTime time;
    link::LinkCounters counters;
    link::KeystrokeCapture capture(port, time, time, counters);
    capture.sizeDumpBuffer(8);

    device.incoming = {{1000, 0x1C}, {1000, 0xF0}, {1000, 0x1C}};  // 'A' before the hook
    port.drain();
    capture.installHook();
    // F8 make and break, gray Up, keypad 1 as a break alone, an ACK.
    device.incoming = {{1000, 0x0A}, {1000, 0xF0}, {1000, 0x0A}, {1000, 0xE0},
                       {1000, 0x75}, {1000, 0xFA}, {1000, 0xF0}, {1000, 0x69}};
    link::RawPortEvents events(time, port);
    events.processEvents(0);
    capture.removeHook();

    EXPECT_EQ(counters.keyCount, 3);
    EXPECT_THAT(
        std::vector<std::uint8_t>(capture.dumpBuffer().begin(), capture.dumpBuffer().begin() + 3),
        ::testing::ElementsAre(0x77, 0x26, 0x61));
    EXPECT_THAT(std::vector<std::int32_t>(capture.scanCodeList().begin(),
                                          capture.scanCodeList().begin() + 3),
                ::testing::ElementsAre(0x42, 0x48, 0x4F));
    EXPECT_EQ(port.tally().unclaimedKeys, 1);
    EXPECT_EQ(port.tally().releases, 2);
    EXPECT_EQ(port.tally().lateReplies, 1);
}

}  // namespace
}  // namespace tavrin::test
