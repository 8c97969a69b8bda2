#include "ui/display_text.h"

#include <gtest/gtest.h>

namespace tavrin::ui {
namespace {

TEST(DisplayText, ListShowsTextUpToItsFirstNul) {
    EXPECT_EQ(visibleText(std::string("A\0B", 3)), "A");
    EXPECT_EQ(visibleText(std::string("\0AB", 3)), "");
    EXPECT_EQ(visibleText("ABC"), "ABC");
}

TEST(DisplayText, Cp1252ToUtf8) {
    EXPECT_EQ(cp1252ToUtf8("Az"), "Az");
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\u20AC");  // euro sign
    EXPECT_EQ(cp1252ToUtf8("\x9F"), "\u0178");
    EXPECT_EQ(cp1252ToUtf8("\xE9"), "\u00E9");
    EXPECT_EQ(cp1252ToUtf8("\xFF"), "\u00FF");
    // The five undefined bytes map to the C1 code points of the same number.
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        std::string expected{static_cast<char>(0xC2), static_cast<char>(b)};
        EXPECT_EQ(cp1252ToUtf8(std::string(1, static_cast<char>(b))), expected) << int(b);
    }
}

TEST(DisplayText, Utf8BackToCp1252) {
    for (int b = 0x20; b <= 0xFF; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(one)), one) << b;
    }
    EXPECT_EQ(utf8ToCp1252("\u4E2D"), "?");   // not in the code page
    EXPECT_EQ(utf8ToCp1252("\xC3"), "?");     // cut short
    EXPECT_EQ(utf8ToCp1252("a\xFF" "b"), "a?b");  // not UTF-8 at all
}

TEST(DisplayText, EscapesControlCharactersAndBackslash) {
    EXPECT_EQ(escapedUtf8(std::string("A\rB\t\x1b\x7f", 6)), "A\\x0DB\\x09\\x1B\\x7F");
    EXPECT_EQ(escapedUtf8(std::string("\0", 1)), "\\x00");
    EXPECT_EQ(escapedUtf8("a\\b"), "a\\\\b");
    EXPECT_EQ(escapedUtf8("\x80 \xE9"), "\u20AC \u00E9");
}

}  // namespace
}  // namespace tavrin::ui
