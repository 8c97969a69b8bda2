// Texts between the core's ANSI bytes and what Qt shows and takes.

#include <gtest/gtest.h>

#include <string>

#include "gui/win_text.h"

namespace tavrin::test {
namespace {

TEST(WinText, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(gui::toWinText(gui::fromWinText(all)), all);
}

TEST(WinText, AnsiCharactersAndTheUndefinedBytes) {
    EXPECT_EQ(gui::fromWinText("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(gui::fromWinText("\x9F"), QString(QChar(0x0178)));
    EXPECT_EQ(gui::fromWinText("\xE9"), QString(QChar(0x00E9)));
    for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(gui::fromWinText(std::string(1, static_cast<char>(undefined))),
                  QString(QChar(undefined)));
    }
    EXPECT_EQ(gui::toWinText(QString(QChar(0x4E2D))), "?");
    EXPECT_EQ(gui::toWinText(QString(QChar(0x0080))), "?");  // C1 but defined in 1252 as €
}

TEST(WinText, DisplayLineEndsAtNulAndShowsControlsVisibly) {
    EXPECT_EQ(gui::displayLine(std::string("A\0B", 3)), "A");
    EXPECT_EQ(gui::displayLine(std::string("\0AB", 3)), "");
    EXPECT_EQ(gui::displayLine("a\nb\x7F"), QString::fromUtf8("a\u240Ab\u2421"));
    EXPECT_EQ(gui::displayLine(" "), " ");  // the start code choice that is a space
}

}  // namespace
}  // namespace tavrin::test
