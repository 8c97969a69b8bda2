// The Linux backend over a fake sysfs and the raw keyboard port's double:
// it opens the port only where there is one, reads the keyboard as the
// simulated keyboard's own path does, records every byte in the trace, and
// gives the port back to atkbd when it shuts.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/raw_rig.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

using ::testing::HasSubstr;

TEST(RawPortBackend, ReadsTracesAndGivesThePortBack) {
    for (const std::string type : {"06", "01"}) {
        SimRig sim;
        sim.window.Form_Load();
        BackendRig rig(
            rawOptions(type == "06" ? link::ScanCodeSet::Set1 : link::ScanCodeSet::Set2));
        TempDir dir;
        const std::string file = dir.file("trace.txt");
        ASSERT_TRUE(rig.trace.open(file));
        rig.window.Form_Load();
        // The start-up read over, the port is back and the keyboard types.
        EXPECT_TRUE(rig.backend.sessionOpen()) << rig.backend.reason();
        EXPECT_FALSE(rig.backend.isOpen());
        EXPECT_EQ(rig.sysfs.drvctl("serio0"), "atkbd");
        EXPECT_EQ(rig.source.releases, 1);
        EXPECT_EQ(rig.window.model().image, sim.window.model().image) << type;
        EXPECT_EQ(rig.keyboard.ports().wireBytes(), sim.keyboard.ports().wireBytes());
        EXPECT_TRUE(rig.dialogs.messages.empty());
        rig.window.Form_Unload();
        EXPECT_FALSE(rig.backend.sessionOpen());
        EXPECT_EQ(rig.sysfs.drvctl("serio0"), "atkbd");
        EXPECT_EQ(rig.source.opens, 1);
        EXPECT_EQ(rig.source.releases, 1);
        ASSERT_TRUE(rig.trace.close());

        // Every byte written is in the trace, in order, in the command
        // phase; the keyboard's answer comes in during the capture.
        struct stat st {};
        ASSERT_EQ(::lstat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        std::ifstream in(file);
        std::string header;
        ASSERT_TRUE(std::getline(in, header));
        EXPECT_EQ(header, type == "06" ? "# set 1 (serio0)" : "# set 2 (serio0)");
        in.seekg(0);
        const RawTraceFile trace = parseRawTrace(in);
        EXPECT_TRUE(trace.errors.empty()) << trace.errors.front();
        int acks = 0, captured = 0;
        long last = -1;
        for (const RawTraceFile::Entry& e : trace.entries) {
            EXPECT_GE(e.ms, last);
            last = e.ms;
            EXPECT_FALSE(e.out && e.capture) << e.ms;
            acks += !e.out && e.byte == link::kKeyboardAck ? 1 : 0;
            captured += !e.out && e.capture ? 1 : 0;
        }
        const std::vector<std::uint8_t> out = trace.outs();
        EXPECT_EQ(out, sim.keyboard.ports().wireBytes());
        EXPECT_EQ(acks, static_cast<int>(out.size()));
        // 290 keystrokes, make and break, E0-free: two bytes each in set 1, three in set 2.
        EXPECT_EQ(captured, type == "06" ? 580 : 870);
    }
}

struct Operation {
    const char* name;
    void (*run)(ui::MsrWindow&);
    bool reachesTheKeyboard;
    bool tellsAFailure = true;  // the raw capture shows what came, no box
};

// On the card-reading keyboard, and on a standard one that refuses every
// command byte: the second shows the error boxes.
class BetweenOperations : public ::testing::TestWithParam<std::tuple<Operation, bool>> {};

// An operation that reaches the keyboard binds the port and gives it back
// as it ends; one that does not never takes it. Its boxes show once the
// port is back, so Enter on the till's own keyboard closes them.
TEST_P(BetweenOperations, TheKeyboardTypes) {
    const auto& [operation, cardReading] = GetParam();
    RawKeyboardDouble::Options raw;
    raw.standard = !cardReading;
    BackendRig rig(raw);
    std::vector<int> heldAtBox;
    rig.dialogs.onMessage = [&] { heldAtBox.push_back(rig.source.opens - rig.source.releases); };
    rig.window.Form_Load();
    ASSERT_EQ(rig.source.opens, 1);
    rig.dialogs.answers = {platform::MsgAnswer::Yes, platform::MsgAnswer::Yes};
    operation.run(rig.window);
    EXPECT_EQ(rig.source.opens, operation.reachesTheKeyboard ? 2 : 1);
    EXPECT_EQ(rig.source.releases, rig.source.opens);
    EXPECT_EQ(rig.sysfs.drvctl("serio0"), "atkbd");
    // The start-up read's box, then the operation's own.
    if (operation.tellsAFailure && !cardReading) {
        EXPECT_GE(heldAtBox.size(), 2u) << ::testing::PrintToString(rig.messageTexts());
    }
    EXPECT_THAT(heldAtBox, ::testing::Each(0)) << ::testing::PrintToString(rig.messageTexts());
}

const Operation kOperations[] = {
    {"read", [](ui::MsrWindow& w) { w.ReadsettingfromEEPROM_Click(); }, true},
    {"whole_image_write", [](ui::MsrWindow& w) { w.Command4_Click(); }, true},
    {"reset", [](ui::MsrWindow& w) { w.Resettodefault_Click(); }, true},
    {"opos_preset", [](ui::MsrWindow& w) { w.chooseMode(1), w.Cmdpt_Click(); }, true},
    {"raw_capture", [](ui::MsrWindow& w) { w.Command7_Click(); }, true, false},
    {"combo_choice", [](ui::MsrWindow& w) { w.choose(5, 1); }, false, false},
    {"save_cancelled", [](ui::MsrWindow& w) { w.Saveeepromsettingtofile_Click(); }, false, false},
};

INSTANTIATE_TEST_SUITE_P(Operations, BetweenOperations,
                         ::testing::Combine(::testing::ValuesIn(kOperations), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<Operation, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "" : "_standard_keyboard");
                         });

// A toolkit's loop runs in short slices between reads of the port, so the
// kernel's 64-byte ring does not fill while it waits.
TEST(RawPortBackend, ReadsAroundTheToolkitsLoop) {
    struct Loop : platform::EventPump {
        void processEvents(std::uint32_t maxWaitMs) override { waits.push_back(maxWaitMs); }
        std::vector<std::uint32_t> waits;
    } loop;
    BackendRig rig;
    rig.backend.runBetween(loop);
    rig.backend.processEvents(1000);  // not open yet: the loop waits as asked
    ASSERT_TRUE(rig.backend.InitializeWinIo()) << rig.backend.reason();
    rig.backend.processEvents(1000);
    EXPECT_EQ(loop.waits, (std::vector<std::uint32_t>{1000, 5}));
}

struct Fault {
    const char* name;
    RawKeyboardDouble::Options raw;
    bool startupReads;
    const char* trouble;    // what the backend tells after the fault, or ""
    bool quickEnd = false;  // the start-up read gives up after 2 s, not 15
    friend void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }
};

class BackendFault : public ::testing::TestWithParam<Fault> {};

// Whatever went wrong, the port ends on atkbd once the window closes, and
// the backend says what happened beyond the operation's own message.
TEST_P(BackendFault, EndsOnAtkbdAndTellsWhatHappened) {
    const Fault& f = GetParam();
    BackendRig rig(f.raw);
    const platform::Micros start = rig.clock.now();
    rig.window.Form_Load();
    if (f.quickEnd) {  // two ticks for a keyboard that types anyway, not fifteen
        EXPECT_GE(rig.clock.now() - start, 2'000'000);
        EXPECT_LT(rig.clock.now() - start, 4'000'000);
    }
    EXPECT_EQ(rig.window.model().imageValidFlag, f.startupReads);
    EXPECT_EQ(rig.sysfs.drvctl("serio0"), "atkbd");
    if (f.startupReads) {
        rig.dialogs.inputAnswers = {"25"};
        rig.window.cmdItem_Click(3);
        rig.window.Command4_Click();  // the whole-image write
    }
    const std::string during = rig.backend.trouble();
    rig.window.Form_Unload();
    EXPECT_EQ(rig.sysfs.drvctl("serio0"), "atkbd");
    EXPECT_EQ(rig.source.releases, rig.source.opens);
    EXPECT_EQ(rig.backend.trouble(), during);  // kept after the close
    if (f.trouble[0] == '\0') {
        EXPECT_EQ(during, "");
    } else {
        EXPECT_THAT(during, HasSubstr(f.trouble));
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, BackendFault,
    ::testing::Values(
        Fault{"None", {}, true, ""},
        Fault{"SwipeInTheAnswer", {.swipeAt = 400'000}, false, ""},
        Fault{"WriteRefusedEio", {.refuseWrite = 40}, true,
              "the kernel refused a byte for the keyboard (Input/output error)"},
        Fault{"DeviceVanishes", {.vanishAtWrite = 40}, true, "the raw keyboard device went away"},
        Fault{"StandardKeyboard", {.standard = true}, false,
              "the keyboard answered resend (FE) to every byte of the command: it takes no "
              "configuration commands",
              true},
        Fault{"SlowReader", {.stallAt = 450'000, .stallFor = 300'000}, false,
              "keyboard bytes were lost: the kernel's buffer of 63 bytes was full when read"}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });
// clang-format on

TEST(RawPortBackend, WithoutAKeyboardPortNothingOpens) {
    BackendRig noPort({}, false);
    EXPECT_FALSE(noPort.backend.InitializeWinIo());
    EXPECT_THAT(noPort.backend.reason(), HasSubstr("no i8042 keyboard port on this machine"));
    EXPECT_EQ(noPort.source.opens, 0);
    std::uint32_t value = 7;
    EXPECT_FALSE(noPort.backend.GetPortVal(0x64, value, 1));
    EXPECT_EQ(noPort.backend.SetWindowsHookEx([](int, std::uintptr_t, std::intptr_t) { return 0; }),
              0u);

    BackendRig refused;
    refused.source.refuse = true;
    EXPECT_FALSE(refused.backend.InitializeWinIo());
    EXPECT_EQ(refused.backend.reason(), "refused");
    EXPECT_EQ(refused.sysfs.drvctl("serio0"), "");
    EXPECT_EQ(refused.source.releases, 0);
    // Start-up tries the driver twice; the operator is asked once.
    EXPECT_FALSE(refused.backend.InitializeWinIo());
    EXPECT_EQ(refused.source.opens, 1);
}

}  // namespace
}  // namespace tavrin::test
