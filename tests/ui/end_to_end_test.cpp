// The main window against the simulated keyboard, on virtual time.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings_file/profile.h"
#include "settings_file/settings_file.h"
#include "support/sim_rig.h"
#include "support/table.h"
#include "tavrin_version.h"

namespace tavrin::test {
namespace {

using namespace ::testing;  // its matchers

TEST(StartUp, ReadsAndShowsTheKeyboard) {
    SimRig rig;
    auto eeprom = sim::KeyboardFirmware::factoryDefaults();
    eeprom[40] = 0x42;  // key delay 42 ms
    eeprom[68] = 0x33;  // GERMANY
    eeprom[2] = 0x05;   // buzzer off
    eeprom[71] = 'X';
    rig.firmware().setEeprom(eeprom);
    rig.window.Form_Load();

    EXPECT_THAT(rig.messageTexts(), IsEmpty());
    EXPECT_TRUE(rig.model().imageValidFlag);
    EXPECT_EQ(rig.model().title, "Tavrin Version " TAVRIN_VERSION);
    expectShown(rig, {{3, "42"}, {5, "GERMANY"}, {4, "NO"}, {67, "X"}});
    EXPECT_EQ(rig.model().aboutLabel6, "Firmware Version 1.7");
    EXPECT_EQ(rig.model().Combo5.entries(), (std::vector<std::string>{"NO", "YES"}));
    EXPECT_FALSE(rig.model().Text1.visible);
    EXPECT_FALSE(rig.model().Command7.visible);
    EXPECT_EQ(rig.firmware().readRequests(), 1);
    for (std::size_t a = 0; a < 128; ++a) {
        EXPECT_EQ(rig.model().image[a], eeprom[a]) << a;
    }
}

TEST(StartUp, DeploysTheDriverFilesAndRepairsAFailedOpen) {
    sim::SimulatedKeyboard::Options options;
    options.controller.initializeResults = {false, false};
    SimRig rig(options);
    for (const char* source : {"winiodll", "winiosys", "winiodll3", "winiosys3", "winio.vxd"}) {
        rig.programDir.write(source, {1, 2, 3});
    }
    rig.systemDir.write("winio.dll", {9});     // present: not copied again
    rig.keyboard.ports().setNeverReady(true);  // the driver does not reach the hardware
    rig.window.Form_Load();

    EXPECT_EQ(rig.ports().initializeCalls(), 2);
    for (const char* target : {"winio.dll", "winio.sys", "winio3.dll", "winio3.sys"}) {
        EXPECT_EQ(rig.programDir.read(target), (std::vector<std::uint8_t>{1, 2, 3})) << target;
    }
    EXPECT_EQ(rig.systemDir.read("winio.dll"), (std::vector<std::uint8_t>{9}));
    EXPECT_EQ(rig.systemDir.read("winio.vxd"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(rig.model().imageValidFlag);
    expectOnlyBox(rig.dialogs.messages, "Read setting from EEPROM error! Please check MSR device. ",
                  "Message", platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

TEST(StartUp, ExitClosesThePortDriverOnce) {
    SimRig rig;
    rig.window.Form_Load();
    rig.window.Exit_Click();
    rig.window.Command6_Click();
    EXPECT_TRUE(rig.window.ended());
    EXPECT_EQ(rig.ports().shutdownCalls(), 1);
    EXPECT_FALSE(rig.keyboard.host().enabled());
}

class Operating : public ::testing::Test {
protected:
    void SetUp() override {
        rig.window.Form_Load();
        ASSERT_TRUE(rig.model().imageValidFlag);
        rig.dialogs.messages.clear();
    }
    std::size_t frameCount() { return rig.firmware().frames().size(); }
    SimRig rig;
};

TEST_F(Operating, ComboChangesTheImageButNotTheDevice) {
    auto before = rig.firmware().eeprom();
    std::size_t wire = rig.ports().wire().size();
    rig.choose(4, 0);  // buzzer NO
    rig.choose(5, 4);  // SPAIN
    EXPECT_EQ(rig.model().image[2] & 0x80, 0);
    EXPECT_EQ(rig.model().image[68], 0x34);
    EXPECT_EQ(rig.firmware().eeprom(), before);
    EXPECT_EQ(rig.ports().wire().size(), wire);
}

TEST_F(Operating, EditedItemsReachTheKeyboardAndReadBack) {
    rig.dialogs.inputAnswers = {"25"};
    rig.window.cmdItem_Click(3);
    rig.choose(4, 0);
    rig.choose(5, 4);
    rig.choose(47, 2);  // five supplemental digits
    rig.chooseMode(true);
    rig.dialogs.onPrePost = [](platform::PrePostRequest& r) { r.text = "<64>"; };
    rig.window.cmdItem_Click(67);
    EXPECT_EQ(rig.shown(67), "<64>");

    rig.window.Command4_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Write to EEPROM Successful!"));
    EXPECT_FALSE(rig.dialogs.waitingShown());
    const auto& e = rig.firmware().eeprom();
    EXPECT_EQ(e[2] & 0x80, 0);
    expectBytes(e, {{40, 0x25}, {68, 0x34}, {16, 5}, {71, 0x64}, {72, 0x00}});
    EXPECT_NE(e[49] & 0x10, 0);
    EXPECT_EQ(rig.firmware().closingFrames(), 1);
    EXPECT_THAT(rig.firmware().rejected(), IsEmpty());

    rig.dialogs.messages.clear();
    rig.window.Command3_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Read setting from EEPROM success!"));
    expectShown(rig, {{3, "25"}, {4, "NO"}, {5, "SPAIN"}, {47, "5"}, {67, "<64>"}});
    EXPECT_EQ(rig.model().Combo5.text(), "YES");
    for (std::size_t a = 0; a < 128; ++a) {
        EXPECT_EQ(rig.model().image[a], e[a]) << a;
    }
}

TEST_F(Operating, ResetRestoresTheDefaultsAndSaysSo) {
    rig.dialogs.inputAnswers = {"99"};
    rig.window.cmdItem_Click(3);
    rig.window.Command4_Click();
    ASSERT_EQ(rig.firmware().eeprom()[40], 0x99);

    rig.dialogs.messages.clear();
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    rig.window.Command5_Click();
    EXPECT_EQ(rig.firmware().resets(), 1);
    EXPECT_EQ(rig.firmware().eeprom(), sim::KeyboardFirmware::factoryDefaults());
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Are you sure to reset EEPROM to default?",
                                                "Read default setting from EEPROM success!"));
    EXPECT_EQ(rig.shown(3), "5");
    // Until the next whole-image write every read reports the defaults.
    rig.dialogs.messages.clear();
    rig.window.Command3_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Read default setting from EEPROM success!"));
}

TEST_F(Operating, WriteAfterAResetIsQuietAndClosesTheWaitingDialog) {
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    rig.window.Resettodefault_Click();
    rig.dialogs.messages.clear();
    rig.window.writeSettingtoEEPROM_Click();  // the menu's way
    EXPECT_THAT(rig.messageTexts(), IsEmpty());
    EXPECT_FALSE(rig.dialogs.waitingShown());
    EXPECT_FALSE(rig.model().defaultsRestoredFlag);
    rig.window.Command3_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Read setting from EEPROM success!"));
}

TEST_F(Operating, ResetAnsweredNoSendsNothing) {
    std::size_t wire = rig.ports().wire().size();
    rig.window.Resettodefault_Click();
    EXPECT_EQ(rig.ports().wire().size(), wire);
}

TEST_F(Operating, OposPresetReachesTheKeyboardWithTheModeOn) {
    rig.chooseMode(true);
    ASSERT_TRUE(rig.model().Cmdpt.enabled);
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    rig.window.Cmdpt_Click();
    const auto& e = rig.firmware().eeprom();
    EXPECT_EQ((std::vector<int>{e[50], e[51], e[52]}), (std::vector<int>{0x63, 0, 0}));
    EXPECT_EQ((std::vector<int>{e[53], e[54], e[55]}), (std::vector<int>{0x63, 0, 0}));
    expectBytes(e, {{71, 0x64}, {79, 0x67}, {87, 0x68}, {95, 0x64}, {103, 0x67}});
    EXPECT_EQ((std::vector<int>{e[111], e[112], e[113], e[114]}),
              (std::vector<int>{0x68, 0x6A, 0x6A, 0}));
    EXPECT_NE(e[49] & 0x10, 0);
    EXPECT_TRUE(rig.model().imageValidFlag);
    expectShown(rig, {{72, "<68><6A><6A>"}, {65, "<63>"}});
    EXPECT_FALSE(rig.model().comboWriteFlag);
}

// Switching the mode leaves the shown texts in the other form; the write
// refuses the ones the check rejects and must not call itself a success.
TEST_F(Operating, WriteAfterSwitchingTheModeReportsTheRefusedItems) {
    rig.chooseMode(true);
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    rig.window.Cmdpt_Click();
    const auto preset = rig.firmware().eeprom();
    rig.chooseMode(false);
    rig.dialogs.messages.clear();

    rig.window.Command4_Click();
    EXPECT_THAT(
        rig.messageTexts(),
        ElementsAre("Bad Input! <63>  It is only allowed no more than 3 characters to enter.",
                    "Bad Input! <63>  It is only allowed no more than 3 characters to enter.",
                    "Bad Input! <68><6A><6A>  It is only allowed no more than 8 characters to "
                    "enter.",
                    "Write to EEPROM error!"));
    EXPECT_EQ(rig.dialogs.messages.back().icon, platform::MsgIcon::Error);
    EXPECT_FALSE(rig.dialogs.waitingShown());
    const auto& e = rig.firmware().eeprom();
    // Items 65, 66 and 72 keep the preset; 67 goes out as the four characters it shows.
    for (std::size_t a : {50u, 51u, 52u, 53u, 54u, 55u, 111u, 112u, 113u, 114u}) {
        EXPECT_EQ(e[a], preset[a]) << a;
    }
    EXPECT_EQ((std::vector<int>{e[71], e[72], e[73], e[74], e[75]}),
              (std::vector<int>{'<', '6', '4', '>', 0}));
    EXPECT_EQ(e[49] & 0x10, 0);
    EXPECT_EQ(rig.firmware().closingFrames(), 1);
    expectShown(rig, {{65, "<63>"}, {72, "<68><6A><6A>"}});
}

TEST_F(Operating, OposButtonIsRefusedWithTheModeOff) {
    rig.chooseMode(false);
    std::size_t wire = rig.ports().wire().size();
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    rig.window.Cmdpt_Click();
    EXPECT_EQ(rig.ports().wire().size(), wire);
    EXPECT_THAT(rig.messageTexts(), IsEmpty());
}

TEST_F(Operating, ModeSwitchFollowsCombo5) {
    rig.chooseMode(true);
    EXPECT_EQ(rig.model().frame3Caption[11], "Preamble/Postamble Setting In Hexidecimal");
    EXPECT_NE(rig.model().image[49] & 0x10, 0);
    rig.chooseMode(false);
    EXPECT_EQ(rig.model().frame3Caption[11], "Preamble/Postamble Setting               ");
    EXPECT_FALSE(rig.model().Cmdpt.enabled);
    EXPECT_EQ(rig.model().image[49] & 0x10, 0);
}

TEST_F(Operating, ControllerNeverReadyDuringAWriteIsAnError) {
    rig.ports().setNeverReady(true);
    rig.window.Command4_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Write to EEPROM error!"));
    EXPECT_EQ(rig.dialogs.messages[0].icon, platform::MsgIcon::Error);
    EXPECT_FALSE(rig.dialogs.waitingShown());
}

TEST_F(Operating, SecondCommandIsRefusedWhileAWriteWaits) {
    int readsBefore = rig.firmware().readRequests();
    bool runningSeen = false;
    // The operator clicks READ EEPROM and an Edit button while the write waits.
    rig.clock.post(rig.clock.now() + 500'000, [&] {
        runningSeen = rig.model().operationRunning && !rig.model().commandsEnabled();
        rig.window.Command3_Click();
        rig.window.cmdItem_Click(3);
        rig.window.Command1_Click();
    });
    rig.window.Command4_Click();
    EXPECT_TRUE(runningSeen);
    EXPECT_EQ(rig.firmware().readRequests(), readsBefore);
    EXPECT_THAT(rig.dialogs.inputPrompts, IsEmpty());
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Write to EEPROM Successful!"));
    EXPECT_TRUE(rig.model().commandsEnabled());
}

TEST_F(Operating, ExitDuringAWriteEndsAfterIt) {
    rig.clock.post(rig.clock.now() + 500'000, [&] { rig.window.Exit_Click(); });
    rig.window.Command4_Click();
    EXPECT_TRUE(rig.window.ended());
    EXPECT_EQ(rig.ports().shutdownCalls(), 1);
    EXPECT_EQ(rig.firmware().closingFrames(), 1);  // the write ran to its end
}

TEST_F(Operating, SilentKeyboardTimesOutAndKeepsTheImage) {
    auto image = rig.model().image;
    rig.firmware().options().silent = true;
    platform::Micros start = rig.clock.now();
    rig.window.Command3_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Read setting from EEPROM error!"));
    EXPECT_GE(rig.clock.now() - start, 14'000'000);
    EXPECT_EQ(rig.model().image, image);
    EXPECT_FALSE(rig.model().imageValidFlag);
    EXPECT_EQ(rig.shown(3), "5");
}

TEST_F(Operating, OperatorTypingDuringAReadFailsItAndKeepsTheImage) {
    auto image = rig.model().image;
    auto eeprom = rig.firmware().eeprom();
    eeprom[40] = 0x77;
    rig.firmware().setEeprom(eeprom);
    // An 'A' typed on the window in the middle of the answer.
    rig.keyboard.host().typeKeyAt(rig.clock.now() + 800'000, 0x41, 0x1E);
    rig.window.Command3_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Read setting from EEPROM error!"));
    EXPECT_EQ(rig.model().image, image);
    EXPECT_EQ(rig.shown(3), "5");
}

TEST_F(Operating, WrongSignatureIsReportedAndEveryItemStillShown) {
    auto eeprom = rig.firmware().eeprom();
    eeprom[0] = 0x00;
    eeprom[40] = 0x12;
    rig.firmware().setEeprom(eeprom);
    rig.window.Command3_Click();
    EXPECT_THAT(rig.messageTexts(),
                ElementsAre("Read from EEPROM error!", "Read setting from EEPROM success!"));
    expectShown(rig, {{3, "12"}, {6, "TK123"}});
}

TEST_F(Operating, ResetButtonAfterAFailedReadIsRefused) {
    rig.firmware().options().silent = true;
    rig.window.Command3_Click();
    rig.dialogs.messages.clear();
    std::size_t wire = rig.ports().wire().size();
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    rig.window.Command5_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Wrote setting to EEPROM error!"));
    EXPECT_EQ(rig.ports().wire().size(), wire);
    // The menu item goes ahead without the check.
    rig.dialogs.messages.clear();
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    rig.window.Resettodefault_Click();
    EXPECT_EQ(rig.firmware().resets(), 1);
}

class SettingsFiles : public Operating {};

TEST_F(SettingsFiles, SaveThenOpenRoundTripsWithoutTouchingTheKeyboard) {
    rig.choose(5, 2);  // FRANCE, in the image only
    rig.dialogs.saveNames = {rig.programDir.file("s.bin")};
    rig.window.Command2_Click();
    auto bytes = rig.programDir.read("s.bin");
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(bytes[4 * 68], 0x32);

    rig.choose(5, 0);
    std::size_t wire = rig.ports().wire().size();
    rig.dialogs.openNames = {rig.programDir.file("s.bin")};
    rig.window.Command1_Click();
    EXPECT_EQ(rig.shown(5), "FRANCE");
    EXPECT_EQ(rig.ports().wire().size(), wire);
    EXPECT_THAT(rig.messageTexts(), IsEmpty());
    EXPECT_EQ(rig.dialogs.waitingShows, rig.dialogs.waitingCloses);
}

TEST_F(SettingsFiles, MissingFileOrCancelChangesNothing) {
    auto image = rig.model().image;
    rig.window.Command1_Click();  // cancelled
    rig.dialogs.openNames = {rig.programDir.file("none.bin")};
    rig.window.Command1_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("File not found!"));
    EXPECT_EQ(rig.model().image, image);
    EXPECT_FALSE(rig.model().batchFlag);
}

TEST_F(SettingsFiles, ShortFileLoadsWithTheMissingValuesZero) {
    auto bytes = settings_file::encode(rig.model().image);
    bytes.resize(4 * 41);  // up to address 40
    rig.programDir.write("short.bin", bytes);
    rig.dialogs.openNames = {rig.programDir.file("short.bin")};
    rig.window.Command1_Click();
    expectBytes(rig.model().image, {{40, 0x05}, {68, 0}, {127, 0}});
    EXPECT_EQ(rig.shown(5), "US");  // 0 is entry 0
    EXPECT_TRUE(rig.model().imageValidFlag);
}

TEST_F(SettingsFiles, FailedSaveIsReported) {
    rig.dialogs.saveNames = {rig.programDir.file("no/such/dir/s.bin")};
    rig.window.Command2_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Save setting to file error!"));
    EXPECT_FALSE(rig.dialogs.waitingShown());
}

TEST_F(SettingsFiles, ValuesBeyondAByteStayInTheImageAndNeverReachTheKeyboard) {
    auto image = rig.model().image;
    image[40] = 0x125;  // not a byte
    image[68] = -1;
    rig.programDir.write("wide.bin", settings_file::encode(image));
    rig.dialogs.openNames = {rig.programDir.file("wide.bin")};
    rig.window.Command1_Click();
    expectBytes(rig.model().image, {{40, 0x125}, {68, -1}});
    EXPECT_EQ(rig.shown(3), "");

    const std::size_t frames = rig.firmware().frames().size();
    rig.window.Command4_Click();
    EXPECT_EQ(rig.firmware().eeprom()[40], 0x05);  // item 3 had no value to send
    // ... so the write sends nothing and says so, as for a refused item.
    EXPECT_EQ(rig.firmware().frames().size(), frames);
    EXPECT_THAT(rig.messageTexts(), Contains("Write to EEPROM error!"));
    EXPECT_THAT(rig.messageTexts(), Not(Contains("Write to EEPROM Successful!")));
    rig.dialogs.saveNames = {rig.programDir.file("again.bin")};
    rig.window.Command2_Click();
    EXPECT_EQ(rig.programDir.read("again.bin"), rig.programDir.read("wide.bin"));
}

// Save keeps a profile a profile and makes a .json name one; any other
// file is the 512-byte image, in place over a longer one.
TEST_F(SettingsFiles, SaveKeepsEachFileInItsForm) {
    rig.dialogs.saveNames = {rig.programDir.file("p.json")};
    rig.window.Command2_Click();  // a new .json name
    rig.programDir.write("copy", rig.programDir.read("p.json"));
    rig.programDir.write("long.bin", std::vector<std::uint8_t>(700, 0x77));
    rig.choose(5, 2);  // FRANCE
    for (const char* name : {"p.json", "copy"}) {
        SCOPED_TRACE(name);
        rig.dialogs.saveNames = {rig.programDir.file(name)};
        rig.window.Command2_Click();
        const auto saved = rig.programDir.read(name);
        const settings_file::ProfileParse parsed = settings_file::parseProfile(saved);
        ASSERT_TRUE(parsed.profile) << parsed.error.reason;
        EXPECT_EQ(parsed.profile->image[68], 0x32);
    }
    rig.dialogs.saveNames = {rig.programDir.file("long.bin")};
    rig.window.Command2_Click();
    const auto saved = rig.programDir.read("long.bin");
    ASSERT_EQ(saved.size(), 700u);
    EXPECT_EQ(saved[4 * 68], 0x32);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 512, saved.end()),
              std::vector<std::uint8_t>(188, 0x77));
    EXPECT_THAT(rig.messageTexts(), IsEmpty());
}

// Nothing read, nothing loaded: no keyboard's settings to save over a file.
TEST(SettingsFilesUnread, SaveRefusesAnImageWithoutTheSignature) {
    SimRig rig;  // never started: its image is all zeros
    const std::vector<std::uint8_t> good = settings_file::encode({0x55, 0xAA});
    rig.programDir.write("backup.bin", good);
    rig.dialogs.saveNames = {rig.programDir.file("backup.bin")};
    rig.window.Command2_Click();
    EXPECT_THAT(rig.messageTexts(), ElementsAre("Save setting to file error!"));
    EXPECT_EQ(rig.programDir.read("backup.bin"), good);
    EXPECT_FALSE(rig.dialogs.waitingShown());
}

}  // namespace
}  // namespace tavrin::test
