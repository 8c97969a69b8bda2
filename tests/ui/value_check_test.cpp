// The checks a value given by name passes before it reaches the dispatch,
// and the number box's and frmPrePost's own checks as plain functions: one
// set for the window's intents, profiles and tavrin-cli.

#include <gtest/gtest.h>

#include <string>

#include "eeprom/dispatch.h"
#include "ui/item_values.h"

namespace tavrin::ui {
namespace {

struct ValueCase {
    int item;
    std::string value;  // UTF-8
    ValueFault fault;
    std::string text;  // Windows-1252, when passed
    std::string validEntries;
};

TEST(CheckValue, FixedItemsChoiceEntriesTheModeAndTheCodePage) {
    const ValueCase cases[] = {
        {3, "7", ValueFault::None, "7", ""},
        {63, "no", ValueFault::None, "no", ""},  // any case; the dispatch picks "NO"
        {63, "maybe", ValueFault::NoSuchEntry, "", "\"NO\", \"YES\""},
        {1, "KEYBOARD", ValueFault::Fixed, "", ""},
        {2, "anything", ValueFault::Fixed, "", ""},
        {79, "Scan", ValueFault::None, "Scan", ""},
        {79, "hex", ValueFault::NoSuchEntry, "", "scan, characters"},
        {65, "\xC3\xA9", ValueFault::None, "\xE9", ""},         // é is in the code page
        {65, "\xE2\x82\xAC", ValueFault::None, "\x80", ""},     // so is the euro sign
        {65, "\xE2\x9C\x93", ValueFault::NotStorable, "", ""},  // a check mark is not
        {63, "\xE2\x9C\x93", ValueFault::NotStorable, "", ""},
        {0, "1", ValueFault::NoItem, "", ""},
        {80, "1", ValueFault::NoItem, "", ""},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.item) + "=" + c.value);
        const ValueCheck check = checkValue(c.item, c.value);
        EXPECT_EQ(check.fault, c.fault);
        EXPECT_EQ(check.passed(), c.fault == ValueFault::None);
        if (check.passed()) {
            EXPECT_EQ(check.text, c.text);
        }
        EXPECT_EQ(check.validEntries, c.validEntries);
    }
}

TEST(FindEntry, AnExactEntryBeforeOneEqualInAnyCase) {
    const std::vector<std::string> entries{"us", "US", "UK"};
    EXPECT_EQ(findEntry(entries, "US"), 1u);
    EXPECT_EQ(findEntry(entries, "us"), 0u);
    EXPECT_EQ(findEntry(entries, "uk"), 2u);
    EXPECT_EQ(findEntry(entries, "DE"), std::nullopt);
    EXPECT_EQ(quotedEntries(entries), "\"us\", \"US\", \"UK\"");
    EXPECT_EQ(quotedEntries({}), "");
}

struct AnswerCase {
    int item;
    std::string answer;
    bool scanCodeMode;
    std::string refusal;  // empty: taken
};

TEST(AnswerRefusal, TheNumberBoxAndFrmPrePostRefuseAsTheDispatchDoes) {
    const std::string number = "Please input 1 or 2 digit (0-9, 00-99)";
    const AnswerCase cases[] = {
        {3, "7", false, ""},
        {3, " 42 ", false, ""},
        {3, "", false, number},
        {3, "   ", false, number},
        {3, "123", false, number},
        {3, "4a", false, number},
        {65, "", false, ""},  // clears the text
        {65, "ab", false, ""},
        {65, "{TAB}x", false, ""},
        {65, "abcd", false,
         "Bad Input! abcd  It is only allowed no more than 3 characters to enter."},
        {67, "12345678", false, ""},
        {67, "123456789", false,
         "Bad Input! 123456789  It is only allowed no more than 8 characters to enter."},
        {65, "<62><E2>", true, ""},
        {65, "<62", true, "Bad Input! <62  It is not the right input format. Please try again."},
        {65, "<6G>", true, "Bad Input  <6G>  It's out of the range (00 - FF)."},
        {65, "<01><02><03><04><05><06><07>", true,
         "Bad Input! <01><02><03><04><05><06><07>  Please enter less than 6 scan codes."},
        // The barcode preamble keeps the character form in either mode.
        {9, "abc", true, ""},
        // Choice items have no answer to check.
        {63, "anything", false, ""},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.item) + " \"" + c.answer + "\"");
        EXPECT_EQ(eeprom::AnswerRefusal(c.item, c.answer, c.scanCodeMode), c.refusal);
    }
}

}  // namespace
}  // namespace tavrin::ui
