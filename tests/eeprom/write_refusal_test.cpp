// A whole-image write in which the check refuses a text the window shows:
// that item is not sent, the keyboard keeps its old value, and the write
// ends with its error message instead of the success message.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "eeprom/operations.h"
#include "operations_fixture.h"

namespace tavrin::eeprom {
namespace {

using platform::MsgIcon;

constexpr const char* kWriteError = "Write to EEPROM error!";

struct RefusalCase {
    const char* name;
    std::int16_t modeAtWrite;
    std::vector<std::pair<int, std::string>> texts;  // over setEveryItem's
    std::vector<int> refused;
    std::vector<std::string> boxes;  // the check's, in item order
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

// The texts setEveryItem leaves for the other sequence items are valid in
// both forms, except item 65's "<12><34>" in character form.
const RefusalCase kRefusalCases[] = {
    {"ScanCodesLeftAfterSwitchingTheModeOff",
     0,
     {},
     {65},
     {"Bad Input! <12><34>  It is only allowed no more than 3 characters to enter."}},
    {"CharactersLeftAfterSwitchingTheModeOn",
     1,
     {{65, "AB"}, {66, "XYZ"}, {67, "ABC"}, {69, "ABCD"}, {71, "xyz<"}, {72, "<41>"}},
     {65, 66, 67, 69, 71},
     {"Bad Input! AB  It is not the right input format. Please try again.",
      "Bad Input! XYZ  It is not the right input format. Please try again.",
      "Bad Input! ABC  It is not the right input format. Please try again.", "Bad Input  ABCD",
      "Bad Input  xyz<"}},
    {"TooManyScanCodes",
     1,
     {{70, "<01><02><03><04><05><06><07><08><09>"}},
     {70},
     {"Bad Input! <01><02><03><04><05><06><07><08><09>  Please enter less than 8 scan codes."}},
    {"NotAHexDigit",
     1,
     {{68, "<6G>"}},
     {68},
     {"Bad Input  <6G>  It's out of the range (00 - FF)."}},
};

class WriteRefusal : public OperationsTest, public ::testing::WithParamInterface<RefusalCase> {
protected:
    // The setting code of every item frame sent before the mode frame.
    std::vector<int> itemCodesSent() {
        std::vector<int> codes;
        for (const auto& data : dataOf(framesOf(rig.ports))) {
            codes.push_back(data.front());
        }
        codes.resize(codes.size() - 3);  // item 79's, the repeated mode, the closing frame
        return codes;
    }
    static std::vector<int> codesWithout(const std::vector<int>& refused) {
        std::vector<int> codes;
        for (int n = 3; n <= 78; ++n) {
            if (std::find(refused.begin(), refused.end(), n) == refused.end()) {
                codes.push_back(codeOf(n));
            }
        }
        return codes;
    }
    void prepare(const RefusalCase& c) {
        setEveryItem();
        for (const auto& [item, text] : c.texts) {
            setOnly(item, text);
        }
        window.scanCodeDisplayMode = c.modeAtWrite;  // Combo5 leaves the texts as they were
    }
};

TEST_P(WriteRefusal, RefusedItemsAreNotSentAndTheWriteEndsWithItsError) {
    const RefusalCase& c = GetParam();
    prepare(c);
    std::vector<std::string> refusedTexts;
    for (int n : c.refused) {
        refusedTexts.push_back(list(n).entryText(0));
    }
    writeSettingtoEEPROM_Click(ctx);

    EXPECT_EQ(itemCodesSent(), codesWithout(c.refused));
    std::vector<std::string> expected = c.boxes;
    expected.emplace_back(kWriteError);
    EXPECT_EQ(messageTexts(), expected);
    for (std::size_t i = 0; i + 1 < dialogs.messages.size(); ++i) {
        EXPECT_EQ(dialogs.messages[i].title, "Error");
    }
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().title, "Message");
    EXPECT_EQ(dialogs.messages.back().icon, MsgIcon::Error);
    // The closing frame and the waits stay as they are.
    EXPECT_EQ(dataOf(framesOf(rig.ports)).back(), (std::vector<int>{0x62, 0x45}));
    EXPECT_EQ(rig.time.now, 2050u);
    EXPECT_FALSE(dialogs.waitingShown());
    for (std::size_t i = 0; i < c.refused.size(); ++i) {
        EXPECT_EQ(list(c.refused[i]).entries(), std::vector<std::string>{refusedTexts[i]})
            << "item " << c.refused[i] << " keeps its text";
    }
    EXPECT_TRUE(window.comboWriteFlag);
    EXPECT_FALSE(window.batchFlag);
}

// After a reset a good write is quiet; a refused item is still reported.
TEST_P(WriteRefusal, AfterAResetTheErrorIsStillShown) {
    const RefusalCase& c = GetParam();
    prepare(c);
    window.defaultsRestoredFlag = true;
    writeSettingtoEEPROM_Click(ctx);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text, kWriteError);
    EXPECT_FALSE(window.defaultsRestoredFlag);
    EXPECT_FALSE(dialogs.waitingShown());
}

INSTANTIATE_TEST_SUITE_P(Texts, WriteRefusal, ::testing::ValuesIn(kRefusalCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The other form's texts that the check accepts go out as they are shown.
TEST_F(OperationsTest, TextsValidInTheOtherFormAreSentAsShown) {
    setEveryItem();
    setOnly(65, "");
    window.scanCodeDisplayMode = 0;
    writeSettingtoEEPROM_Click(ctx);
    const auto data = dataOf(framesOf(rig.ports));
    const std::vector<int> track1{codeOf(67), '<', '4', '3', '>', 0, 0, 0, 0};
    EXPECT_NE(std::find(data.begin(), data.end(), track1), data.end());
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Write to EEPROM Successful!"});
}

// A value outside 0..255 (a settings file's) shows as no value and could
// not be sent: the write refuses before sending anything. Bytes no item
// holds are not the write's.
TEST_F(OperationsTest, AnImageValueNoFrameCanCarryRefusesTheWriteBeforeAnything) {
    // Item 3's number, inside item 9's field, the mode's byte; 42 is no item's.
    for (const auto& [address, value] :
         {std::pair{40, 0x1234}, {33, 0x100}, {49, -1}, {42, 0x1234}}) {
        SCOPED_TRACE(address);
        rig.takeWire();
        dialogs.messages.clear();
        setEveryItem();
        byte(address) = value;
        const bool refused = address != 42;
        EXPECT_EQ(unsendableValues(window.image).size(), refused ? 1u : 0u);
        EXPECT_EQ(writeSettingtoEEPROM_Click(ctx), refused ? DeviceOutcome::Refused : DeviceOutcome::Done);
        EXPECT_EQ(framesOf(rig.ports).empty(), refused);
        EXPECT_EQ(messageTexts(), std::vector<std::string>{refused ? kWriteError : "Write to EEPROM Successful!"});
        byte(address) = 0;
    }
}

}  // namespace
}  // namespace tavrin::eeprom
