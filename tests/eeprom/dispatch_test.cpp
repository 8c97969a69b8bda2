#include "eeprom/dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::eeprom {
namespace {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::PrePostRequest;
using test::CoreRig;
using test::frame;

constexpr const char* kNumberPrompt = "Please input 1 or 2 digit (0-9, 00-99)";

class DispatchTest : public ::testing::Test {
protected:
    CoreRig rig;
    Context& ctx = rig.ctx;
    ui::WindowModel& window = rig.window;
    test::FakeDialogs& dialogs = rig.dialogs;

    ui::ListBox& list(int item) { return window.lstItem[static_cast<std::size_t>(item)]; }
    std::int32_t& byte(int address) { return window.image[static_cast<std::size_t>(address)]; }
    void setOnly(int item, const std::string& text) {
        list(item).clear();
        list(item).addItem(text);
    }
    std::vector<int> bytes(int first, int last) {
        std::vector<int> out;
        for (int a = first; a <= last; ++a) {
            out.push_back(byte(a));
        }
        return out;
    }
    // The operator confirms frmPrePost with this text.
    void answerPrePost(const std::string& text) {
        dialogs.onPrePost = [text](PrePostRequest& r) { r.text = text; };
    }
    void fillImage(std::int32_t value) {
        for (int a = 0; a < kEepromSize; ++a) {
            byte(a) = value;
        }
    }
};

// Number group ------------------------------------------------------------

TEST_F(DispatchTest, AcceptedNumberStagesThePackedValue) {
    setOnly(17, "10");
    window.comboWriteFlag = false;
    dialogs.inputAnswers = {"25"};
    cmdItem_Click(ctx, 17);
    ASSERT_EQ(dialogs.inputPrompts.size(), 1u);
    EXPECT_EQ(dialogs.inputPrompts[0].prompt, kNumberPrompt);
    EXPECT_EQ(dialogs.inputPrompts[0].title, "Input");
    EXPECT_EQ(dialogs.inputPrompts[0].defaultAnswer, "10");
    EXPECT_EQ(list(17).entries(), std::vector<std::string>{"25"});
    EXPECT_EQ(list(17).listIndex(), 0);
    EXPECT_EQ(byte(20), 0x25);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_TRUE(window.comboWriteFlag);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DispatchTest, NumberAnswerIsTrimmed) {
    dialogs.inputAnswers = {" 7 "};
    cmdItem_Click(ctx, 3);
    EXPECT_EQ(list(3).entries(), std::vector<std::string>{"7"});
    EXPECT_EQ(byte(40), 0x07);
}

TEST_F(DispatchTest, RejectedNumbersShowTheErrorBoxAndChangeNothing) {
    for (const char* answer : {"123", "1a", "-5", "2 5", "+1"}) {
        SCOPED_TRACE(answer);
        setOnly(17, "10");
        byte(20) = 0x10;
        dialogs.messages.clear();
        dialogs.inputAnswers = {answer};
        cmdItem_Click(ctx, 17);
        test::expectOnlyBox(dialogs.messages, kNumberPrompt, "Error", MsgIcon::Error,
                            MsgButtons::Ok);
        EXPECT_EQ(list(17).entries(), std::vector<std::string>{"10"});
        EXPECT_EQ(byte(20), 0x10);
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

TEST_F(DispatchTest, CancelOrBlankNumberDoesNothing) {
    for (const char* answer : {"", "   "}) {
        setOnly(17, "10");
        byte(20) = 0x10;
        window.comboWriteFlag = false;
        dialogs.inputAnswers = {answer};
        cmdItem_Click(ctx, 17);
        EXPECT_EQ(list(17).entries(), std::vector<std::string>{"10"});
        EXPECT_EQ(list(17).listIndex(), -1);
        EXPECT_EQ(byte(20), 0x10);
        EXPECT_FALSE(window.comboWriteFlag);
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

// Choice and list-text groups, and the mode ------------------------------

// With the flag set a value goes into its byte only, with it clear out in a
// frame; the combo-box items take their value from their combo first.
// `arrange` sets the value before each of the two clicks.
struct ValueRow {
    const char* name;
    int item;
    std::function<void(ui::WindowModel&)> arrange;
    int listIndex;  // the item's entry afterwards, and its text
    const char* shown;
    int address, before, after;
    std::vector<std::uint8_t> wire;
};

using W = ui::WindowModel;

const ValueRow kValueRows[] = {
    {"CountryComesFromCombo1", 5, [](W& w) { w.Combo1.setText("SPAIN"); }, 4, "SPAIN", 68, 0, 0x34,
     frame({0x2B, 0x34})},
    {"MsrTypeComesFromCombo2", 6, [](W& w) { w.Combo2.setListIndex(3); }, 3, "TK12", 69, 0, 0x34,
     frame({0x2C, 0x34})},
    {"ChoiceFollowsTheFlag", 13, [](W& w) { w.lstItem[13].setListIndex(1); }, 1, "YES", 3, 0, 1,
     frame({0x04, 0x31})},
    {"ChoiceWithoutValueDoesNothing", 13, [](W& w) { w.lstItem[13].setListIndex(-1); }, -1, "", 3,
     0x5A, 0x5A, test::hexBytes("")},
    {"StartCodeComesFromCombo3", 19, [](W& w) { w.Combo3.setText("$"); }, 4, "$", 9, 0, 0x24,
     frame({0x0A, 0x24})},
    {"StopCodeComesFromCombo4", 20, [](W& w) { w.Combo4.setText(" "); }, 3, " ", 10, 0, 0x20,
     frame({0x0B, 0x20})},
    {"SupplementalDigits", 47, [](W& w) { w.lstItem[47].setListIndex(1); }, 1, "2", 16, 0, 2,
     frame({0x22, 0x32})},
    {"SupplementalWithoutValueIsTheCodeAlone", 59, [](W& w) { w.lstItem[59].setListIndex(-1); }, 0,
     "0", 19, 5, 0, frame({0x2A})},
    {"Item79WritesTheScanCodeMode", 79, [](W& w) { w.scanCodeDisplayMode = 1; }, -1, "", 49, 0x0F,
     0x1F, frame({0x5D, 0x31})},
};

class DispatchValues : public DispatchTest, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(DispatchValues, GoIntoTheImageOrOutInAFrame) {
    const ValueRow& r = GetParam();
    r.arrange(window);
    window.comboWriteFlag = true;
    byte(r.address) = r.before;
    cmdItem_Click(ctx, r.item);
    EXPECT_EQ(byte(r.address), r.after);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    r.arrange(window);
    window.comboWriteFlag = false;
    cmdItem_Click(ctx, r.item);
    EXPECT_EQ(rig.takeWire(), r.wire);
    EXPECT_EQ(list(r.item).listIndex(), r.listIndex);
    EXPECT_EQ(list(r.item).selectedText(), r.shown);
}

INSTANTIATE_TEST_SUITE_P(Rows, DispatchValues, ::testing::ValuesIn(kValueRows), test::RowName{});

// Sequence group ----------------------------------------------------------

// frmPrePost's form and limit follow the item and the display mode; with the
// flag set the answer lands in the item's field and nowhere else.
struct PromptRow {
    const char* name;
    int item;
    std::int16_t mode;
    const char* answer;
    bool scanCodeForm;
    const char* limit;  // "Please enter less than ..."
    int first;          // the field's first byte
    const char* field;  // its bytes, hex
};

const PromptRow kPromptRows[] = {
    {"TrackInScanCodes", 67, 1, "<64>", true, "8 scan codes", 71, "64 0 0 0 0 0 0 0"},
    {"ModeOffTrackInCharacters", 67, 0, "<64>", false, "8 characters", 71, "3C 36 34 3E 0 0 0 0"},
    {"BarcodeAlwaysInCharacters", 9, 1, "AB", false, "3 characters", 32, "41 42 00"},
    {"MsrInCharacters", 66, 0, "AB", false, "3 characters", 53, "41 42 00"},
    {"MsrInScanCodes", 66, 1, "<63>", true, "6 scan codes", 53, "63 00 00"},
};

class DispatchPrompts : public DispatchTest, public ::testing::WithParamInterface<PromptRow> {};

TEST_P(DispatchPrompts, ShowTheFormAndStageTheAnswer) {
    const PromptRow& r = GetParam();
    const std::vector<int> field = test::hexInts(r.field);
    const int last = r.first + static_cast<int>(field.size()) - 1;
    setOnly(r.item, "<01>");
    window.scanCodeDisplayMode = r.mode;
    window.comboWriteFlag = true;
    fillImage(0x77);
    answerPrePost(r.answer);
    cmdItem_Click(ctx, r.item);
    ASSERT_EQ(dialogs.prePostShown.size(), 1u);
    EXPECT_EQ(dialogs.prePostShown[0].text, "<01>");
    EXPECT_EQ(dialogs.prePostShown[0].scanCodeForm, r.scanCodeForm);
    EXPECT_EQ(dialogs.prePostShown[0].limitPrompt,
              std::string("Please enter less than ") + r.limit);
    EXPECT_EQ(list(r.item).entries(), std::vector<std::string>{r.answer});
    EXPECT_EQ(bytes(r.first, last), field);
    EXPECT_EQ(byte(r.first - 1), 0x77);
    EXPECT_EQ(byte(last + 1), 0x77);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_TRUE(window.comboWriteFlag);
    EXPECT_FALSE(window.scanCodeFormFlag);
}

INSTANTIATE_TEST_SUITE_P(Rows, DispatchPrompts, ::testing::ValuesIn(kPromptRows), test::RowName{});

TEST_F(DispatchTest, EmptyAnswerClearsTheField) {
    setOnly(70, "<64>");
    window.scanCodeDisplayMode = 1;
    window.comboWriteFlag = true;
    fillImage(0x77);
    answerPrePost("");
    cmdItem_Click(ctx, 70);
    EXPECT_EQ(list(70).entries(), std::vector<std::string>{""});
    EXPECT_EQ(bytes(95, 102), std::vector<int>(8, 0));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DispatchTest, CancelledDialogChangesNothing) {
    setOnly(67, "<01>");
    window.scanCodeDisplayMode = 1;
    window.comboWriteFlag = false;
    fillImage(0x77);
    const auto before = window.image;
    dialogs.onPrePost = [](PrePostRequest& r) {
        r.text = "<64>";
        r.cancelled = true;
    };
    cmdItem_Click(ctx, 67);
    EXPECT_EQ(list(67).entries(), std::vector<std::string>{"<01>"});
    EXPECT_EQ(window.image, before);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

TEST_F(DispatchTest, RejectedOrTooLongTextKeepsThePriorText) {
    struct Case {
        int item;
        std::int16_t mode;
        std::string text;
    };
    const Case cases[] = {
        {67, 1, "<6G>"},                                  // not a hex digit
        {67, 1, "<62><E2"},                               // not whole tokens
        {70, 1, "<01><02><03><04><05><06><07><08><09>"},  // nine scan codes
        {66, 1, "<01><02><03><04><05><06><07>"},          // seven for a six-code field
        {9, 0, "ABCD"},                                   // four characters
        {9, 0, "{TAB}{ENTER}XY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        setOnly(c.item, "prior");
        window.scanCodeDisplayMode = c.mode;
        fillImage(0x77);
        const auto before = window.image;
        dialogs.messages.clear();
        answerPrePost(c.text);
        for (bool flag : {true, false}) {
            window.comboWriteFlag = flag;
            cmdItem_Click(ctx, c.item);
        }
        EXPECT_EQ(list(c.item).entries(), std::vector<std::string>{"prior"});
        EXPECT_EQ(window.image, before);
        ASSERT_EQ(dialogs.messages.size(), 2u);
        EXPECT_EQ(dialogs.messages[0].title, "Error");
        EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Error);
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

// With the flag clear (as after the OPOS preset) an item goes out at once:
// a typed text, or in a batch the list's text without a dialog.
struct SendRow {
    const char* name;
    int item;
    std::int16_t mode;
    bool batch;
    const char* text;        // the answer, or the list's only entry; null: an empty list
    std::vector<int> frame;  // code and data; empty: nothing sent
};

// clang-format off
const SendRow kSendRows[] = {
    {"MsrPreambleInScanCodes", 65, 1, false, "<63>", {0x2E, 0x63, 0, 0, 0, 0, 0}},
    {"ControlTokensGoOutAsCharacters", 10, 0, false, "{TAB}X{ENTER}", {0x03, 0x09, 'X', 0x0D}},
    // The longest accepted texts fit their fields.
    {"LongestTrackText", 72, 1, false, "<01><02><03><04><05><06><07><08>",
        {0x48, 1, 2, 3, 4, 5, 6, 7, 8}},
    {"LongestMsrText", 66, 1, false, "<01><02><03><04><05><06>", {0x2F, 1, 2, 3, 4, 5, 6}},
    {"BatchTrack", 68, 1, true, "<67>", {0x44, 0x67, 0, 0, 0, 0, 0, 0, 0}},
    {"BatchBarcode", 9, 1, true, "{ESC}", {0x02, 0x1B, 0, 0}},
    {"BatchNeverShownIsWrittenEmpty", 69, 1, true, nullptr, {0x45, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"BatchNumber", 17, 0, true, "25", {0x08, 0x32, 0x35}},
    {"BatchNumberNobodyReadSendsNothing", 18, 0, true, nullptr, {}},
};
// clang-format on

class DispatchSends : public DispatchTest, public ::testing::WithParamInterface<SendRow> {};

TEST_P(DispatchSends, TheItemsFrameAtOnce) {
    const SendRow& r = GetParam();
    window.scanCodeDisplayMode = r.mode;
    window.batchFlag = r.batch;
    window.comboWriteFlag = false;
    if (!r.batch) {
        answerPrePost(r.text);
    } else if (r.text != nullptr) {
        setOnly(r.item, r.text);
    } else {
        list(r.item).clear();
    }
    cmdItem_Click(ctx, r.item);
    if (r.frame.empty()) {
        EXPECT_TRUE(rig.ports.dataWrites.empty());
    } else {
        EXPECT_EQ(rig.takeWire(),
                  test::frameOf(r.frame[0], std::vector<int>(r.frame.begin() + 1, r.frame.end())));
    }
    if (r.batch) {
        EXPECT_TRUE(dialogs.prePostShown.empty());
        EXPECT_TRUE(dialogs.inputPrompts.empty());
    } else {
        EXPECT_EQ(list(r.item).entries(), std::vector<std::string>{r.text});
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(window.comboWriteFlag) << "the dispatch leaves the flag alone";
}

INSTANTIATE_TEST_SUITE_P(Rows, DispatchSends, ::testing::ValuesIn(kSendRows), test::RowName{});

TEST_F(DispatchTest, BatchSequenceRejectedByTheCheckIsNotSent) {
    window.batchFlag = true;
    window.comboWriteFlag = false;
    window.scanCodeDisplayMode = 1;
    setOnly(67, "AB");  // a character text left from before the mode switch
    EXPECT_EQ(cmdItem_Click(ctx, 67), ItemValue::Refused);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Error");
    EXPECT_EQ(list(67).entries(), std::vector<std::string>{"AB"});
}

// List-text group ---------------------------------------------------------

TEST_F(DispatchTest, EveryListTextItemCopiesStartAndStopCodes) {
    window.Combo3.setListIndex(2);
    window.Combo4.setListIndex(5);
    list(47).setListIndex(1);
    cmdItem_Click(ctx, 47);
    EXPECT_EQ(list(19).listIndex(), 2);
    EXPECT_EQ(list(20).listIndex(), 5);
}

// Mode and items without a write -----------------------------------------

TEST_F(DispatchTest, ItemsWithoutAWriteOnlyResetTheSendErrorCounter) {
    fillImage(0x5A);
    const auto image = window.image;
    const auto lists = window.lstItem;
    window.comboWriteFlag = false;
    for (int item : {1, 2, 80, 0, -1, 1000}) {
        SCOPED_TRACE(item);
        rig.counters.sendErrorCounter = 5;
        cmdItem_Click(ctx, item);
        EXPECT_EQ(rig.counters.sendErrorCounter, 0);
    }
    EXPECT_EQ(window.image, image);
    for (std::size_t n = 0; n < lists.size(); ++n) {
        EXPECT_EQ(window.lstItem[n].entries(), lists[n].entries());
        EXPECT_EQ(window.lstItem[n].listIndex(), lists[n].listIndex());
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_TRUE(dialogs.inputPrompts.empty());
    EXPECT_TRUE(dialogs.prePostShown.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DispatchTest, EveryDispatchResetsTheSendErrorCounter) {
    rig.counters.sendErrorCounter = 7;
    cmdItem_Click(ctx, 17);  // cancelled input box
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
    rig.counters.sendErrorCounter = 7;
    cmdItem_Click(ctx, 4);
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
}

// What the dispatch says became of the value, for the whole-image write to
// tell a refused item from one that has nothing to send.
TEST_F(DispatchTest, EveryPathSaysWhatBecameOfTheValue) {
    struct Case {
        const char* name;
        int item;
        bool batch;
        std::string listText;  // the only entry; "-" for an empty list
        std::string answer;    // the input box's or frmPrePost's; "-" cancels frmPrePost
        ItemValue expected;
    };
    const Case cases[] = {
        {"number typed", 17, false, "10", "25", ItemValue::Written},
        {"number left blank", 17, false, "10", " ", ItemValue::Unchanged},
        {"number refused", 17, false, "10", "1a", ItemValue::Refused},
        {"number shown", 17, true, "10", "", ItemValue::Written},
        {"number without value", 17, true, "-", "", ItemValue::Written},
        {"choice without selection", 4, true, "-", "", ItemValue::Written},
        {"sequence shown", 67, true, "<64>", "", ItemValue::Written},
        {"sequence empty", 67, true, "", "", ItemValue::Written},
        {"sequence in the other form", 67, true, "AB", "", ItemValue::Refused},
        {"sequence typed", 67, false, "", "<64>", ItemValue::Written},
        {"sequence cancelled", 67, false, "", "-", ItemValue::Unchanged},
        {"sequence typed badly", 67, false, "", "<6G>", ItemValue::Refused},
        {"list text", 47, true, "-", "", ItemValue::Written},
        {"scan-code mode", 79, true, "-", "", ItemValue::Written},
        {"no write", 2, true, "-", "", ItemValue::Unchanged},
    };
    window.scanCodeDisplayMode = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.batchFlag = c.batch;
        window.comboWriteFlag = true;
        list(c.item).clear();
        if (c.listText != "-") {
            setOnly(c.item, c.listText);
        } else if (c.item == 4) {
            list(4).addItem("NO");
        }
        dialogs.inputAnswers = {c.answer};
        const std::string answer = c.answer;
        dialogs.onPrePost = [answer](PrePostRequest& r) {
            r.text = answer;
            r.cancelled = answer == "-";
        };
        EXPECT_EQ(cmdItem_Click(ctx, c.item), c.expected);
    }
}

}  // namespace
}  // namespace tavrin::eeprom
