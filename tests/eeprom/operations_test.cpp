#include "eeprom/operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "items/catalogue.h"
#include "operations_fixture.h"
#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::eeprom {
namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

// Whole-image write ---------------------------------------------------------

TEST_F(OperationsTest, WriteSendsEveryItemThenTheModeAndTheClosingFrame) {
    setEveryItem();
    writeSettingtoEEPROM_Click(ctx);
    EXPECT_EQ(dataOf(framesOf(rig.ports)), everyWriteFrames());
    expectOnlyBox("Write to EEPROM Successful!", MsgIcon::Information, MsgButtons::Ok);
    EXPECT_EQ(dialogs.waitingShows, 1);
    EXPECT_FALSE(dialogs.waitingShown());
    EXPECT_TRUE(window.comboWriteFlag);
    EXPECT_FALSE(window.batchFlag);
}

TEST_F(OperationsTest, WriteWaitsAroundTheClosingCommand) {
    setEveryItem();
    bool messageBeforeTheLastWait = true;
    rig.time.at(2049, [&] {
        messageBeforeTheLastWait = !dialogs.messages.empty() || !dialogs.waitingShown();
    });
    writeSettingtoEEPROM_Click(ctx);

    const auto frames = framesOf(rig.ports);
    ASSERT_GE(frames.size(), 3u);
    for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
        for (std::uint32_t t : frames[i].times) {
            EXPECT_EQ(t, 150u) << "item frame " << i << " goes out 150 ms after frmWaiting";
        }
    }
    const auto& closing = frames.back().times;  // E7 55 AA, E3 62 E3 45, E6
    ASSERT_EQ(closing.size(), 8u);
    EXPECT_EQ(closing[2], 150u);
    EXPECT_EQ(closing[3], 350u);
    EXPECT_EQ(closing[6], 350u);
    EXPECT_EQ(closing[7], 550u);
    EXPECT_EQ(rig.time.now, 2050u) << "1500 ms between the end frame and the message";
    EXPECT_FALSE(messageBeforeTheLastWait);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(OperationsTest, WriteCopiesTheSeparateComboBoxesFirst) {
    window.Combo1.setText("ITALY");
    window.Combo3.setText("/");
    window.Combo4.setText("-");
    writeSettingtoEEPROM_Click(ctx);
    EXPECT_EQ(byte(68), 0x35);
    EXPECT_EQ(byte(9), '/');
    EXPECT_EQ(byte(10), '-');
    const auto data = dataOf(framesOf(rig.ports));
    EXPECT_NE(std::find(data.begin(), data.end(), std::vector<int>{0x2B, 0x35}), data.end());
    EXPECT_NE(std::find(data.begin(), data.end(), std::vector<int>{0x0A, '/'}), data.end());
    EXPECT_NE(std::find(data.begin(), data.end(), std::vector<int>{0x0B, '-'}), data.end());
}

TEST_F(OperationsTest, WriteSkipsItemsWithoutValueAndSendsTheModeOff) {
    window.scanCodeDisplayMode = 0;
    for (int n = 1; n <= ui::kItemCount; ++n) {
        list(n).setListIndex(-1);
    }
    writeSettingtoEEPROM_Click(ctx);
    const auto data = dataOf(framesOf(rig.ports));
    ASSERT_GE(data.size(), 3u);
    EXPECT_EQ(data[data.size() - 3], (std::vector<int>{0x5D, 0x30}));
    EXPECT_EQ(data[data.size() - 2], (std::vector<int>{0x5D, 0x30}));
    for (const auto& f : data) {
        EXPECT_NE(f.front(), 0x61) << "item 4 has no selection";
        EXPECT_NE(f.front(), 0x4A) << "item 3 has no number";
    }
    // Nothing shown, nothing to send: not a failure.
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Write to EEPROM Successful!"});
}

TEST_F(OperationsTest, WriteResetsFlagsWhateverTheyWere) {
    window.comboWriteFlag = false;
    window.batchFlag = true;
    writeSettingtoEEPROM_Click(ctx);
    EXPECT_TRUE(window.comboWriteFlag);
    EXPECT_FALSE(window.batchFlag);
}

TEST_F(OperationsTest, WriteReportsItsProgress) {
    struct ProgressDialogs : test::FakeDialogs {
        std::vector<double> progress;
        void SetWaitingProgress(double p) override { progress.push_back(p); }
    } progressDialogs;
    Context withProgress{window,      rig.counters, rig.channel,
                         rig.capture, rig.version,  progressDialogs};
    writeSettingtoEEPROM_Click(withProgress);
    ASSERT_FALSE(progressDialogs.progress.empty());
    for (std::size_t i = 1; i < progressDialogs.progress.size(); ++i) {
        EXPECT_GT(progressDialogs.progress[i], progressDialogs.progress[i - 1]);
    }
    EXPECT_GT(progressDialogs.progress.front(), 0.0);
    EXPECT_DOUBLE_EQ(progressDialogs.progress.back(), 1.0);
}

TEST_F(OperationsTest, WriteAfterAResetIsQuietAndClearsTheFlag) {
    setEveryItem();
    window.defaultsRestoredFlag = true;
    writeSettingtoEEPROM_Click(ctx);
    EXPECT_EQ(dataOf(framesOf(rig.ports)), everyWriteFrames());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(window.defaultsRestoredFlag);
    EXPECT_TRUE(dialogs.waitingShown()) << "left for the WRITE EEPROM button to close";
    EXPECT_EQ(rig.time.now, 550u);
    EXPECT_TRUE(window.comboWriteFlag);
    EXPECT_FALSE(window.batchFlag);
}

TEST_F(OperationsTest, DroppedClosingBytesAreReportedAsAnError) {
    rig.time.at(250, [&] { rig.ports.neverReady = true; });
    writeSettingtoEEPROM_Click(ctx);
    expectOnlyBox("Write to EEPROM error!", MsgIcon::Error, MsgButtons::Ok);
    EXPECT_FALSE(dialogs.waitingShown());
    EXPECT_TRUE(window.comboWriteFlag);
    EXPECT_FALSE(window.batchFlag);
}

TEST_F(OperationsTest, DroppedItemBytesAreReportedEvenAfterAReset) {
    // As after the OPOS preset: the first three items already go out.
    window.comboWriteFlag = false;
    window.defaultsRestoredFlag = true;
    rig.ports.neverReady = true;
    rig.time.at(100, [&] { rig.ports.neverReady = false; });
    writeSettingtoEEPROM_Click(ctx);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Write to EEPROM error!"});
    EXPECT_FALSE(window.defaultsRestoredFlag);
    EXPECT_FALSE(dialogs.waitingShown());
}

TEST_F(OperationsTest, EarlierDropsDoNotSpoilALaterWrite) {
    rig.counters.droppedBytes = 12;
    rig.counters.sendErrorCounter = 3;
    writeSettingtoEEPROM_Click(ctx);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Write to EEPROM Successful!"});
}

// Reset to default ----------------------------------------------------------

TEST_F(OperationsTest, ResetAnsweredNoDoesNothing) {
    window.Combo1.setText("ITALY");
    const auto image = window.image;
    dialogs.answers = {MsgAnswer::No};
    Resettodefault_Click(ctx);
    expectOnlyBox("Are you sure to reset EEPROM to default?", MsgIcon::Information,
                  MsgButtons::YesNo);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(dialogs.waitingShows, 0);
    EXPECT_EQ(window.Combo1.text(), "ITALY");
    EXPECT_EQ(window.image, image);
    EXPECT_FALSE(window.defaultsRestoredFlag);
}

TEST_F(OperationsTest, ResetSendsItsTwoFramesThenReadsBack) {
    dialogs.answers = {MsgAnswer::Yes};
    Resettodefault_Click(ctx);  // the keyboard never answers the read

    const auto frames = framesOf(rig.ports);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].data, (std::vector<int>{0x5D, 0x1E}));
    EXPECT_EQ(frames[1].data, (std::vector<int>{0x60, 0x44}));
    EXPECT_EQ(frames[2].data, (std::vector<int>{0x63, 0x52}));
    EXPECT_EQ(frames[0].times.front(), 150u);
    EXPECT_EQ(frames[0].times[3], 300u) << "150 ms between start frame and data";
    EXPECT_EQ(frames[0].times.back(), 300u);
    EXPECT_EQ(frames[1].times.front(), 450u);
    EXPECT_EQ(frames[1].times.back(), 450u);
    // 150, 8 x 100 and 4 x 150 ms until the read command.
    EXPECT_EQ(frames[2].times.front(), 2000u);

    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Are you sure to reset EEPROM to default?",
                                                        "Read setting from EEPROM error!"}));
    EXPECT_TRUE(window.defaultsRestoredFlag);
    EXPECT_FALSE(window.imageValidFlag);
    EXPECT_FALSE(dialogs.waitingShown());
}

TEST_F(OperationsTest, ResetPutsBackTheDefaultTexts) {
    window.Combo1.setText("ITALY");
    window.Combo3.setText("$");
    window.Combo4.setText("/");
    for (int n : {47, 51, 55, 59}) {
        list(n).setListIndex(2);
        window.cb[static_cast<std::size_t>(n)].setText("5");
    }
    setOnly(9, "AB");
    setOnly(10, "C");
    for (int n = 65; n <= 72; ++n) {
        setOnly(n, "<63>");
    }
    list(5).setListIndex(5);
    list(19).setListIndex(4);
    list(20).setListIndex(5);
    byte(68) = 0x35;
    dialogs.answers = {MsgAnswer::Yes};
    Resettodefault_Click(ctx);  // the read-back fails, so the texts stay

    for (int n : {47, 51, 55, 59}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(list(n).selectedText(), "0");
        EXPECT_EQ(window.cb[static_cast<std::size_t>(n)].text(), "0");
    }
    EXPECT_EQ(list(9).listIndex(), -1);
    EXPECT_EQ(list(10).listIndex(), -1);
    EXPECT_EQ(list(65).entries(), std::vector<std::string>{""});
    for (int n = 65; n <= 72; ++n) {
        EXPECT_EQ(list(n).selectedText(), "") << n;
    }
    EXPECT_EQ(window.Combo1.text(), "US");
    EXPECT_EQ(window.Combo3.text(), "*");
    EXPECT_EQ(window.Combo4.text(), "*");
    EXPECT_EQ(list(5).listIndex(), 0);
    EXPECT_EQ(list(19).listIndex(), 0);
    EXPECT_EQ(list(20).listIndex(), 0);
    // Items 5, 19 and 20 went through the dispatch into the image.
    EXPECT_EQ(byte(68), 0x30);
    EXPECT_EQ(byte(9), '*');
    EXPECT_EQ(byte(10), '*');
}

TEST_F(OperationsTest, ResetReportsTheRestoredSettings) {
    answerReadWith(deviceImage());
    dialogs.answers = {MsgAnswer::Yes};
    Resettodefault_Click(ctx);
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"Are you sure to reset EEPROM to default?",
                                        "Read default setting from EEPROM success!"}));
    EXPECT_TRUE(window.imageValidFlag);
    expectImage(deviceImage());
    EXPECT_EQ(dialogs.waitingShows, dialogs.waitingCloses);
}

TEST_F(OperationsTest, WriteRightAfterAResetShowsNoMessage) {
    dialogs.answers = {MsgAnswer::Yes};
    Resettodefault_Click(ctx);
    dialogs.messages.clear();
    writeSettingtoEEPROM_Click(ctx);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(window.defaultsRestoredFlag);
    EXPECT_TRUE(dialogs.waitingShown());
}

// OPOS preset ---------------------------------------------------------------

TEST_F(OperationsTest, OposAnsweredNoDoesNothing) {
    window.scanCodeDisplayMode = 1;
    dialogs.answers = {MsgAnswer::No};
    Cmdpt_Click(ctx);
    expectOnlyBox("Do you want to set EEPROM as Vantero OPOS default?", MsgIcon::Information,
                  MsgButtons::YesNo);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_TRUE(window.comboWriteFlag);
}

TEST_F(OperationsTest, OposSendsThePresetAndTheModeBackToBack) {
    window.scanCodeDisplayMode = 1;
    window.imageValidFlag = true;
    byte(71) = 0x11;
    const auto image = window.image;
    dialogs.answers = {MsgAnswer::Yes};
    Cmdpt_Click(ctx);  // the read-back times out

    const auto frames = framesOf(rig.ports);
    const std::vector<std::vector<int>> expected{
        {0x2E, 0x63, 0, 0},
        {0x2F, 0x63, 0, 0},
        {0x43, 0x64, 0, 0, 0, 0, 0, 0, 0},
        {0x44, 0x67, 0, 0, 0, 0, 0, 0, 0},
        {0x45, 0x68, 0, 0, 0, 0, 0, 0, 0},
        {0x46, 0x64, 0, 0, 0, 0, 0, 0, 0},
        {0x47, 0x67, 0, 0, 0, 0, 0, 0, 0},
        {0x48, 0x68, 0x6A, 0x6A, 0, 0, 0, 0, 0},
        {0x5D, 0x31},
        {0x63, 0x52},
    };
    EXPECT_EQ(dataOf(frames), expected);
    ASSERT_EQ(frames.size(), expected.size());
    for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
        EXPECT_EQ(frames[i].times.back(), 0u) << "no wait before frame " << i + 1;
    }
    EXPECT_EQ(frames.back().times.front(), 0u);

    EXPECT_FALSE(window.comboWriteFlag) << "left cleared after the preset";
    EXPECT_FALSE(window.imageValidFlag);
    EXPECT_EQ(window.image, image);
    EXPECT_EQ(dialogs.messages.size(), 1u) << "no message after the confirmation";
}

TEST_F(OperationsTest, OposShowsTheReadBackSilently) {
    window.scanCodeDisplayMode = 1;
    answerReadWith(deviceImage());
    dialogs.answers = {MsgAnswer::Yes};
    Cmdpt_Click(ctx);
    EXPECT_TRUE(window.imageValidFlag);
    expectImage(deviceImage());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(window.comboWriteFlag);
}

}  // namespace
}  // namespace tavrin::eeprom
