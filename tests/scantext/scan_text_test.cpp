#include "scantext/scan_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace tavrin::scantext {
namespace {

using platform::MsgButtons;
using platform::MsgIcon;

TEST(IsHexDigit, AcceptsExactlyTheSixteenUpperCaseDigits) {
    int accepted = 0;
    for (int c = 0; c < 256; ++c) {
        if (IsHexDigit(std::string(1, static_cast<char>(c)))) {
            ++accepted;
            EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << c;
        }
    }
    EXPECT_EQ(accepted, 16);
    EXPECT_FALSE(IsHexDigit("a"));
    EXPECT_FALSE(IsHexDigit(""));
    EXPECT_FALSE(IsHexDigit("0A"));
    EXPECT_FALSE(IsHexDigit(std::string("A\0", 2)));
}

TEST(TokenDisplayConversion, TurnsTheFourControlCharactersIntoTokens) {
    EXPECT_EQ(TokenDisplayConversion("Plain text <12>"), "Plain text <12>");
    EXPECT_EQ(TokenDisplayConversion("A\r"), "A{ENTER}");
    EXPECT_EQ(TokenDisplayConversion("\x08\x09\x0D\x1B"), "{BACKSPACE}{TAB}{ENTER}{ESC}");
    EXPECT_EQ(TokenDisplayConversion("\t\tX\t"), "{TAB}{TAB}X{TAB}");
    // Other control characters and a zero stay as they are.
    EXPECT_EQ(TokenDisplayConversion(std::string("\x01\n\0", 3)), std::string("\x01\n\0", 3));
    EXPECT_EQ(TokenDisplayConversion(""), "");
}

TEST(ReplaceControlTokens, ReplacesOnlyTheExactUpperCaseTokens) {
    EXPECT_EQ(ReplaceControlTokens("{BACKSPACE}{TAB}{ENTER}{ESC}"), "\x08\x09\x0D\x1B");
    EXPECT_EQ(ReplaceControlTokens("a{ENTER}b{ENTER}"), "a\rb\r");
    EXPECT_EQ(ReplaceControlTokens("{enter}{Tab}"), "{enter}{Tab}");
    EXPECT_EQ(ReplaceControlTokens("{ENTER"), "{ENTER");
    EXPECT_EQ(ReplaceControlTokens("{{TAB}}"), "{\t}");
}

TEST(ReplaceControlTokens, UndoesTheDisplayConversion) {
    const std::string raw =
        "\x1B"
        "A\x08\t\r9";
    EXPECT_EQ(ReplaceControlTokens(TokenDisplayConversion(raw)), raw);
}

struct CheckCase {
    std::string input;
    int item;
    bool scanCodeForm;
    std::string result;   // what the check returns
    std::string message;  // the one "Error" message, or none when empty
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << '"' << c.input << "\" item " << c.item << (c.scanCodeForm ? " scan" : " char");
}

class SequenceCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(SequenceCheckTest, ReturnsTheAcceptedTextOrReportsTheRejection) {
    const CheckCase& c = GetParam();
    test::FakeDialogs dialogs;
    EXPECT_EQ(SequenceCheck(c.input, c.item, c.scanCodeForm, dialogs), c.result);
    if (c.message.empty()) {
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
        return;
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const test::Message& m = dialogs.messages.front();
    EXPECT_EQ(m.text, c.message);
    EXPECT_EQ(m.title, "Error");
    EXPECT_EQ(m.icon, MsgIcon::Error);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

const std::string kThreeChars = "  It is only allowed no more than 3 characters to enter.";
const std::string kEightChars = "  It is only allowed no more than 8 characters to enter.";
const std::string kFormat = "  It is not the right input format. Please try again.";
const std::string kSixCodes = "  Please enter less than 6 scan codes.";
const std::string kEightCodes = "  Please enter less than 8 scan codes.";
const std::string kRange = "  It's out of the range (00 - FF).";

INSTANTIATE_TEST_SUITE_P(
    CharacterForm, SequenceCheckTest,
    ::testing::Values(CheckCase{"{TAB}{ENTER}X", 9, false, "\t\rX", ""},
                      CheckCase{"{TAB}{ENTER}XY", 9, false, "", "Bad Input! \t\rXY" + kThreeChars},
                      CheckCase{"ABC", 10, false, "ABC", ""},
                      CheckCase{"ABCD", 10, false, "", "Bad Input! ABCD" + kThreeChars},
                      CheckCase{"A B", 65, false, "A B", ""},
                      CheckCase{"{ESC}{ESC}{ESC}{ESC}", 66, false, "",
                                "Bad Input! \x1B\x1B\x1B\x1B" + kThreeChars},
                      CheckCase{"{enter}", 9, false, "", "Bad Input! {enter}" + kThreeChars},
                      CheckCase{"12345678", 67, false, "12345678", ""},
                      CheckCase{"123456789", 67, false, "", "Bad Input! 123456789" + kEightChars},
                      CheckCase{"{BACKSPACE}1234567", 72, false,
                                "\x08"
                                "1234567",
                                ""},
                      CheckCase{"{TAB}12345678", 70, false, "",
                                "Bad Input! \t12345678" + kEightChars},
                      CheckCase{"a much longer text", 3, false, "a much longer text", ""},
                      CheckCase{"{TAB}", 0, false, "\t", ""}, CheckCase{"", 9, false, "", ""},
                      CheckCase{"", 67, false, "", ""}));

INSTANTIATE_TEST_SUITE_P(
    ScanCodeForm, SequenceCheckTest,
    ::testing::Values(
        CheckCase{"<62><E2>", 65, true, "<62><E2>", ""},
        CheckCase{"<62><E2", 65, true, "", "Bad Input! <62><E2" + kFormat},
        CheckCase{"<62>[E2>", 65, true, "", "Bad Input  <62>[E2>"},
        CheckCase{"<62]", 67, true, "", "Bad Input  <62]"},
        CheckCase{"<6G>", 65, true, "", "Bad Input  <6G>" + kRange},
        CheckCase{"<6a>", 65, true, "<6a>", ""}, CheckCase{"<ff><0b>", 68, true, "<ff><0b>", ""},
        CheckCase{"< 1>", 68, true, "", "Bad Input  < 1>" + kRange},
        // The first fault along the text decides the message.
        CheckCase{"<6G]", 65, true, "", "Bad Input  <6G]" + kRange},
        CheckCase{"[6G>", 65, true, "", "Bad Input  [6G>"},
        CheckCase{repeat("<00>", 6), 66, true, repeat("<00>", 6), ""},
        CheckCase{repeat("<00>", 7), 66, true, "", "Bad Input! " + repeat("<00>", 7) + kSixCodes},
        CheckCase{repeat("xxxx", 7), 65, true, "", "Bad Input! " + repeat("xxxx", 7) + kSixCodes},
        CheckCase{repeat("<7F>", 8), 70, true, repeat("<7F>", 8), ""},
        CheckCase{repeat("<7F>", 9), 70, true, "", "Bad Input! " + repeat("<7F>", 9) + kEightCodes},
        CheckCase{repeat("<7F>", 8), 65, true, "", "Bad Input! " + repeat("<7F>", 8) + kSixCodes},
        // A control token counts as one character.
        CheckCase{"<62>{TAB}", 67, true, "", "Bad Input! <62>\t" + kFormat},
        CheckCase{"{TAB}<62", 67, true, "", "Bad Input  \t<62"},
        CheckCase{"<{ENTER}0>", 67, true, "", "Bad Input  <\r0>" + kRange},
        // Other items get only the length test.
        CheckCase{"abcd", 9, true, "abcd", ""},
        CheckCase{"abc", 9, true, "", "Bad Input! abc" + kFormat},
        CheckCase{repeat("zzzz", 12), 3, true, repeat("zzzz", 12), ""},
        CheckCase{"", 65, true, "", ""}, CheckCase{"", 72, true, "", ""}));

TEST(TrimSpaces, OnlySpacesAtEitherEndGo) {
    const std::pair<std::string, std::string> cases[] = {
        {"  12 ", "12"}, {"    ", ""}, {"", ""}, {"\t5 6\t", "\t5 6\t"}, {" {TAB} x ", "{TAB} x"}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(trimSpaces(in), out) << '"' << in << '"';
    }
}

}  // namespace
}  // namespace tavrin::scantext
