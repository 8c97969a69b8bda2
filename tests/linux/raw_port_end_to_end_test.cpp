// The whole program over the raw keyboard port and its double: the same
// wire bytes and frames reach the simulated keyboard, and the same results
// come out, as on the simulated keyboard's own path; each fault gives a
// clear error and never a success over a lost byte.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/raw_rig.h"
#include "support/table.h"

namespace tavrin::test {
namespace {

using enum link::ScanCodeSet;
using ::testing::ElementsAre;

// What an operation left behind, on either path.
struct Outcome {
    std::vector<std::string> messages;
    std::vector<std::uint8_t> wire;
    std::vector<std::vector<std::uint8_t>> frames;
    sim::KeyboardFirmware::Eeprom eeprom;
    std::vector<int> image;
    bool imageValid;
    std::string firmwareVersion;
};

template <class Rig>
Outcome outcome(Rig& rig) {
    Outcome o;
    o.messages = rig.messageTexts();
    o.wire = rig.keyboard.ports().wireBytes();
    o.frames = rig.keyboard.firmware().frames();
    o.eeprom = rig.keyboard.firmware().eeprom();
    o.image.assign(rig.window.model().image.begin(), rig.window.model().image.end());
    o.imageValid = rig.window.model().imageValidFlag;
    o.firmwareVersion = rig.window.model().aboutLabel6;
    return o;
}

void expectSame(const Outcome& raw, const Outcome& sim, const char* step) {
    EXPECT_EQ(raw.messages, sim.messages) << step;
    EXPECT_EQ(raw.wire, sim.wire) << step;
    EXPECT_EQ(raw.frames, sim.frames) << step;
    EXPECT_EQ(raw.eeprom, sim.eeprom) << step;
    EXPECT_EQ(raw.image, sim.image) << step;
    EXPECT_EQ(raw.imageValid, sim.imageValid) << step;
    EXPECT_EQ(raw.firmwareVersion, sim.firmwareVersion) << step;
}

// Start-up read, a changed item written with the whole image, reset to
// default, the OPOS preset: each step compared with the simulated
// keyboard's own path.
template <class Rig>
void step(Rig& rig, int n) {
    switch (n) {
        case 0:
            rig.window.Form_Load();
            break;
        case 1:
            rig.dialogs.inputAnswers = {"25"};
            rig.window.cmdItem_Click(3);
            rig.window.choose(5, 4);  // SPAIN
            rig.window.Command4_Click();
            break;
        case 2:
            rig.dialogs.answers = {platform::MsgAnswer::Yes};
            rig.window.Command5_Click();
            break;
        case 3:
            rig.window.chooseMode(1);
            rig.dialogs.answers = {platform::MsgAnswer::Yes};
            rig.window.Cmdpt_Click();
            break;
    }
}
constexpr const char* kSteps[] = {"read", "whole-image write", "reset", "OPOS"};

struct PathCase {
    const char* name;
    RawKeyboardDouble::Options raw;
    sim::SimulatedKeyboard::Options keyboard;
    friend void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }
};

class SamePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(SamePath, AsTheSimulatedKeyboardsOwn) {
    const PathCase& c = GetParam();
    SimRig sim(c.keyboard);
    RawRig raw(c.raw, c.keyboard);
    for (int n = 0; n < 4; ++n) {
        step(sim, n);
        step(raw, n);
        expectSame(outcome(raw), outcome(sim), kSteps[n]);
    }
    EXPECT_FALSE(raw.port.gone());
    EXPECT_EQ(raw.port.tally().refusedBytes, 0);
    EXPECT_EQ(raw.keyboard.host().typedElsewhere(), 0);
}

// Typed during the start-up read's answer, into its ignored first positions
// and into the EEPROM's nibbles: the read must fail on both paths.
const sim::SimulatedKeyboard::Options kOperatorKeys = [] {
    sim::SimulatedKeyboard::Options o;
    o.operatorKeys = {{350'000, 'A', 0x1E}, {500'000, 0x0D, 0x1C}};
    return o;
}();
const RawKeyboardDouble::Options kResend{.resendByte = 5};
const RawKeyboardDouble::Options kSelfTest{.set = Set2, .selfTestAfter = 12};

INSTANTIATE_TEST_SUITE_P(
    Cases, SamePath,
    ::testing::Values(PathCase{"Set1", rawOptions(Set1), {}},
                      PathCase{"Set2", rawOptions(Set2), {}},
                      PathCase{"Set1BreakAlone", rawOptions(Set1, true, true), {}},
                      PathCase{"Set2BreakAlone", rawOptions(Set2, true, true), {}},
                      PathCase{"NoAck", rawOptions(Set1, false), {}},
                      PathCase{"OneResend", kResend, {}},
                      PathCase{"SelfTestInTheMiddle", kSelfTest, {}},
                      PathCase{"OperatorKeysInTheAnswer", rawOptions(Set1), kOperatorKeys}),
    RowName());

// What the port saw is told apart: ACKs, silence, the resend, the restart.
TEST(RawPortTally, CountsTheKeyboardsReplies) {
    RawRig plain(rawOptions(Set1));
    plain.window.Form_Load();
    EXPECT_EQ(plain.port.tally().acks, 8);
    EXPECT_EQ(plain.port.tally().keystrokes, 290);
    EXPECT_EQ(plain.port.tally().releases, 290);

    RawRig silent(rawOptions(Set1, false));
    silent.window.Form_Load();
    EXPECT_EQ(silent.port.tally().noReply, 8);
    EXPECT_EQ(silent.port.tally().acks, 0);

    RawRig resend(kResend);
    resend.window.Form_Load();
    EXPECT_EQ(resend.port.tally().resends, 1);
    EXPECT_EQ(resend.port.tally().bytesSent, 9);
    EXPECT_EQ(resend.keyboard.ports().wireBytes().size(), 8u);

    RawRig restarted(kSelfTest);
    restarted.window.Form_Load();
    restarted.window.Command3_Click();
    EXPECT_EQ(restarted.port.tally().selfTests, 1);
}

struct FaultCase {
    const char* name;
    RawKeyboardDouble::Options raw;
    bool overrun = false;  // the kernel's ring dropped bytes
    friend void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }
};

class LostByte : public ::testing::TestWithParam<FaultCase> {};

// A byte lost in the middle of the whole-image write: the write reports its
// error, and the keyboard never took the frame the byte belonged to.
TEST_P(LostByte, EndsTheWriteWithItsError) {
    const FaultCase& c = GetParam();
    RawRig rig(c.raw);
    rig.window.Form_Load();
    ASSERT_TRUE(rig.window.model().imageValidFlag);
    rig.dialogs.messages.clear();
    rig.dialogs.inputAnswers = {"25"};
    rig.window.cmdItem_Click(3);
    rig.window.Command4_Click();
    ASSERT_FALSE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.dialogs.messages.back().text, "Write to EEPROM error!");
    for (const auto& m : rig.dialogs.messages) {
        EXPECT_EQ(m.text.find("Successful"), std::string::npos) << m.text;
    }
    EXPECT_EQ(rig.port.tally().refusedBytes, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, LostByte,
                         ::testing::Values(FaultCase{"WriteRefusedEio", {.refuseWrite = 40}},
                                           FaultCase{"DeviceVanishes", {.vanishAtWrite = 40}}),
                         RowName());

class DisturbedAnswer : public ::testing::TestWithParam<FaultCase> {};

// A card swiped while the keyboard types its answer, or the program too slow
// for the kernel's ring: the start-up read fails with its error and shows
// nothing; the next, undisturbed read succeeds.
TEST_P(DisturbedAnswer, FailsTheReadThenRecovers) {
    const FaultCase& c = GetParam();
    RawRig rig(c.raw);
    rig.window.Form_Load();
    EXPECT_FALSE(rig.window.model().imageValidFlag);
    ASSERT_FALSE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.dialogs.messages.back().text,
              "Read setting from EEPROM error! Please check MSR device. ");
    EXPECT_EQ(rig.device.dropped() > 0, c.overrun);
    EXPECT_EQ(rig.port.tally().overruns > 0, c.overrun);
    EXPECT_EQ(rig.port.tally().withheldKeys > 0, c.overrun);

    SimRig sim;
    sim.window.Form_Load();
    rig.dialogs.messages.clear();
    rig.window.Command3_Click();
    EXPECT_TRUE(rig.window.model().imageValidFlag);
    EXPECT_EQ(rig.window.model().image, sim.window.model().image);
}

// The program stalls while the keyboard types its answer.
constexpr platform::Micros kStallAt = 450'000, kStallFor = 300'000;

INSTANTIATE_TEST_SUITE_P(
    Cases, DisturbedAnswer,
    ::testing::Values(
        FaultCase{"SwipeSet1", {.swipeAt = 400'000}, false},
        FaultCase{"SwipeSet2", {.set = Set2, .swipeAt = 400'000}, false},
        FaultCase{"SlowReaderSet1", {.stallAt = kStallAt, .stallFor = kStallFor}, true},
        FaultCase{
            "SlowReaderSet2", {.set = Set2, .stallAt = kStallAt, .stallFor = kStallFor}, true},
        FaultCase{"SlowReaderBreakAlone",
                  {.breakAlone = true, .stallAt = kStallAt, .stallFor = kStallFor},
                  true}),
    RowName());

// Once the device has gone, nothing more is sent and a read fails.
TEST(RawPortVanished, LaterReadsSendNothingAndFail) {
    RawRig rig(rawOptions(Set1));
    rig.window.Form_Load();
    ASSERT_TRUE(rig.window.model().imageValidFlag);
    rig.device.vanish();
    rig.dialogs.messages.clear();
    const std::size_t wire = rig.keyboard.ports().wireBytes().size();
    rig.window.Command3_Click();
    EXPECT_THAT(std::vector<std::string>{rig.dialogs.messages.back().text},
                ElementsAre("Read setting from EEPROM error!"));
    EXPECT_TRUE(rig.port.gone());
    EXPECT_EQ(rig.keyboard.ports().wireBytes().size(), wire);
    EXPECT_FALSE(rig.window.model().imageValidFlag);
}

}  // namespace
}  // namespace tavrin::test
