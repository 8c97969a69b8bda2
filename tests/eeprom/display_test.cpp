#include "eeprom/display.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "display_test_support.h"
#include "items/catalogue.h"
#include "scantext/scan_text.h"
#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::eeprom {
namespace {

constexpr int kModeAddress = 49;
constexpr int kModeBit = 0x10;

struct SequenceField {
    int first;
    int length;
    int item;
};

const std::vector<SequenceField> kSequenceFields{
    {32, 3, 9},  {35, 3, 10}, {50, 3, 65}, {53, 3, 66},  {71, 8, 67},
    {79, 8, 68}, {87, 8, 69}, {95, 8, 70}, {103, 8, 71}, {111, 8, 72},
};

class ShowImageTest : public ::testing::Test {
protected:
    ShowImageTest() {
        rig.window.repaint = [this] { ++repaints; };
    }
    void put(int address, const std::vector<std::int32_t>& bytes) {
        for (std::int32_t b : bytes) {
            image[static_cast<std::size_t>(address++)] = b;
        }
    }
    void setMode(bool on) {
        image[kModeAddress] =
            on ? (image[kModeAddress] | kModeBit) : (image[kModeAddress] & ~kModeBit);
    }
    void show() {
        rig.window.image = image;
        ShowImage(rig.ctx);
    }
    ui::ListBox& lst(int item) { return rig.window.lstItem[static_cast<std::size_t>(item)]; }
    std::string shown(int item) { return lst(item).selectedText(); }

    test::CoreRig rig;
    EepromImage image = test::signedImage();
    int repaints = 0;
};

TEST_F(ShowImageTest, AGoodSignatureShowsNoMessage) {
    show();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(repaints, 1);
}

TEST_F(ShowImageTest, WrongSignaturesAreReportedAndTheItemsStillShown) {
    put(0, {0x00, 0x00});
    image[40] = 0x12;
    image[68] = 0x33;
    image[2] = 0x80;
    rig.window.batchFlag = true;

    show();

    ASSERT_EQ(rig.dialogs.messages.size(), 2u);
    EXPECT_EQ(rig.dialogs.messages[0].text, "Read from EEPROM error!");
    EXPECT_EQ(rig.dialogs.messages[1].text, "Read from EEPROM error!");
    EXPECT_EQ(shown(3), "12");
    EXPECT_EQ(rig.window.Combo1.text(), "GERMANY");
    EXPECT_EQ(rig.window.cb[4].text(), "YES");
    // The signature leaves no trace but its messages.
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
    EXPECT_FALSE(rig.window.batchFlag);
    EXPECT_EQ(repaints, 1);
}

// What one image shows: the bytes put over a signed image, the mode bit,
// and per item the selected text ("#-1": no value) and its combo's text.
struct Shown {
    int item;
    std::string text;
    std::optional<std::string> combo = std::nullopt;
};
struct ShowRow {
    const char* name;
    bool mode;
    std::vector<std::pair<int, std::vector<std::int32_t>>> bytes;
    std::vector<Shown> shown;
};

// clang-format off
const ShowRow kShowRows[] = {
    // Barcode sequences are always characters.
    {"BarcodeInCharacterMode", false, {{32, {0x41, 0x42, 0x0D}}, {35, {0x1B, 0x31, 0x00}}},
        {{9, "AB{ENTER}"}, {10, "{ESC}1"}}},
    {"BarcodeInScanCodeMode", true, {{32, {0x41, 0x42, 0x0D}}, {35, {0x1B, 0x31, 0x00}}},
        {{9, "AB{ENTER}"}, {10, "{ESC}1"}}},
    // The character form drops spaces and ends at a zero.
    {"SpacesDropped", false, {{32, {0x41, 0x20, 0x42}}}, {{9, "AB"}}},
    {"LeadingZeroEndsTheText", false, {{32, {0x00, 0x41, 0x42}}}, {{9, ""}}},
    {"OnlySpaces", false, {{32, {0x20, 0x20, 0x20}}}, {{9, ""}}},
    {"ZeroInTheMiddleEndsTheText", false, {{32, {0x41, 0x00, 0x42}}}, {{9, "A"}}},
    {"ControlCharactersKept", false, {{32, {0x01, 0x7F, 0x09}}}, {{9, "\x01\x7F{TAB}"}}},
    // MSR sequences follow the mode the image holds, not the window's.
    {"MsrInScanCodes", true, {{50, {0x41, 0x00, 0x42}}}, {{65, "<41><42>"}}},
    {"MsrInCharacters", false, {{50, {0x41, 0x00, 0x42}}}, {{65, "A"}}},
    {"ScanCodesAreTwoUpperCaseDigits", true,
        {{71, {0x12, 0x05, 0x00, 0xE2, 0xFF, 0x01, 0x00, 0xab}}},
        {{67, "<12><05><E2><FF><01><AB>"}}},
    // Bytes 0x80..0xFF stay single bytes of the ANSI code page.
    {"ControlAndHighCharacters", false, {{71, {0x08, 0x09, 0x1B, 0xE9, 0x80, 0xFF, 0x0D, 0x41}}},
        {{67, "{BACKSPACE}{TAB}{ESC}\xE9\x80\xFF{ENTER}A"}}},
    // Sequence entries that are no byte are left out.
    {"NoBytesLeftOutOfCharacters", false, {{50, {0x41, 0x141, 0x42}}, {53, {-1, 0x100, 0x43}}},
        {{65, "AB"}, {66, "C"}}},
    {"NoBytesLeftOutOfScanCodes", true, {{50, {0x41, 0x141, 0x42}}, {53, {-1, 0x100, 0x43}}},
        {{65, "<41><42>"}, {66, "<43>"}}},
    // Pending indices select their entry at the end of the walk.
    {"PendingIndicesSelect", false, {{68, {0x35}}, {69, {0x36}}, {9, {0x24}}, {10, {0x2B}}},
        {{5, "ITALY", "ITALY"}, {6, "TK123", "TK123"}, {19, "$", "$"}, {20, "+", "+"}}},
    // Outside their list they leave no value; as no stop code matches 0x41,
    // the first entry is shown.
    {"PendingIndicesOutsideTheirList", false, {{68, {0x39}}, {69, {0x30}}, {10, {0x41}}},
        {{5, "#-1", ""}, {6, "#-1", ""}, {20, "*", "*"}}},
    // Digit counts keep their own combo text.
    {"DigitCountsKeepTheirComboText", false, {{16, {0x35}}, {17, {0x01}}, {18, {0x02}}},
        {{47, "5", "5"}, {51, "#-1", "1"}, {55, "2", "2"}}},
};
// clang-format on

class ShowImageRows : public ShowImageTest, public ::testing::WithParamInterface<ShowRow> {};

TEST_P(ShowImageRows, ShowsTheImage) {
    const ShowRow& r = GetParam();
    for (const auto& [address, values] : r.bytes) {
        put(address, values);
    }
    setMode(r.mode);
    rig.window.scanCodeDisplayMode = r.mode ? 0 : 1;
    show();
    for (const Shown& s : r.shown) {
        SCOPED_TRACE(s.item);
        if (s.text == "#-1") {
            EXPECT_EQ(lst(s.item).listIndex(), -1);
        } else {
            EXPECT_EQ(shown(s.item), s.text);
        }
        if (ui::item(s.item).kind == ui::ItemKind::Sequence) {
            EXPECT_EQ(lst(s.item).listCount(), 1);
        }
        if (s.combo) {
            ASSERT_NE(rig.window.valueCombo(s.item), nullptr);
            EXPECT_EQ(rig.window.valueCombo(s.item)->text(), *s.combo);
        }
    }
    EXPECT_EQ(rig.window.scanCodeDisplayMode, r.mode ? 1 : 0);
    // The display still completes.
    EXPECT_EQ(rig.window.Frame4Caption, "Preamble/Postamble Setting");
    EXPECT_EQ(repaints, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShowImageRows, ::testing::ValuesIn(kShowRows), test::RowName{});

TEST_F(ShowImageTest, AnEmptyFieldShowsAnEmptyText) {
    for (bool mode : {false, true}) {
        setMode(mode);
        show();
        for (const SequenceField& f : kSequenceFields) {
            EXPECT_EQ(lst(f.item).entries(), std::vector<std::string>{""}) << f.item;
            EXPECT_EQ(lst(f.item).listIndex(), 0) << f.item;
        }
    }
}

TEST_F(ShowImageTest, EachFieldGoesToItsItem) {
    // Every byte of a field holds its item's number: 9 is a TAB, 10 a line
    // feed, 65..72 the letters "A".."H".
    for (const SequenceField& f : kSequenceFields) {
        for (int i = 0; i < f.length; ++i) {
            image[static_cast<std::size_t>(f.first + i)] = f.item;
        }
    }
    auto expected = [](const SequenceField& f, bool scanCodes) {
        const char c = static_cast<char>(f.item);
        std::string one = c == '\t' ? "{TAB}" : std::string(1, c);
        if (scanCodes && f.item >= 65) {
            one = std::string("<4") + static_cast<char>('0' + f.item - 64) + ">";
        }
        std::string text;
        for (int i = 0; i < f.length; ++i) {
            text += one;
        }
        return text;
    };
    for (bool mode : {true, false}) {
        setMode(mode);
        show();
        for (const SequenceField& f : kSequenceFields) {
            EXPECT_EQ(shown(f.item), expected(f, mode)) << f.item << " mode " << mode;
        }
    }
}

TEST_F(ShowImageTest, AShownTextCanBeSubmittedAgainUnchanged) {
    setMode(true);
    put(79, {0x12, 0x00, 0x59, 0x0A, 0, 0, 0, 0});
    put(32, {0x41, 0x0D, 0x42});
    show();
    ASSERT_EQ(shown(68), "<12><59><0A>");
    EXPECT_EQ(scantext::SequenceCheck(shown(68), 68, true, rig.dialogs), "<12><59><0A>");
    EXPECT_EQ(scantext::SequenceCheck(shown(9), 9, false, rig.dialogs), "A\rB");
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(ShowImageTest, TheModeDecidesTheOposButtonAndCaptions) {
    for (const auto& [mode, combo5, caption] :
         {std::tuple{true, "YES", "Preamble/Postamble Setting In Hexidecimal"},
          {false, "NO", "Preamble/Postamble Setting               "}}) {
        setMode(mode);
        show();
        EXPECT_EQ(rig.window.Combo5.text(), combo5);
        EXPECT_EQ(rig.window.Cmdpt.enabled, mode);
        EXPECT_EQ(rig.window.frame3Caption[11], caption);
        EXPECT_EQ(rig.window.frame3Caption[11].size(), 41u);
        EXPECT_EQ(rig.window.Frame4Caption, "Preamble/Postamble Setting");
    }
}

TEST_F(ShowImageTest, TheImageIsOnlyRead) {
    for (int a = 2; a <= kEepromSize; ++a) {
        image[static_cast<std::size_t>(a)] = (a * 91 + 3) & 0xFF;
    }
    image[60] = 0x1234;
    image[72] = -7;
    rig.window.lstItem[1].setListIndex(0);
    show();
    EXPECT_EQ(rig.window.image, image);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(lst(1).listIndex(), 0);  // nothing is cleared beyond the walk
}

TEST_F(ShowImageTest, AnImageOfNoBytesShowsNoValues) {
    image.fill(0x1FF);
    rig.window.scanCodeDisplayMode = 1;
    show();
    EXPECT_EQ(rig.dialogs.messages.size(), 2u);
    EXPECT_EQ(rig.window.image, image);
    for (const ui::ItemDef& def : ui::items()) {
        if (def.kind == ui::ItemKind::Fixed) {
            continue;
        }
        SCOPED_TRACE(def.number);
        if (def.kind == ui::ItemKind::Sequence) {
            EXPECT_EQ(lst(def.number).entries(), std::vector<std::string>{""});
        } else {
            EXPECT_EQ(lst(def.number).listIndex(), -1);
            EXPECT_EQ(lst(def.number).selectedText(), "");
        }
        if (const ui::ComboBox* combo = rig.window.valueCombo(def.number)) {
            EXPECT_EQ(combo->text(), "");
        }
    }
    EXPECT_EQ(rig.window.scanCodeDisplayMode, 1);
    EXPECT_EQ(repaints, 1);
}

TEST(Gorefresh, MirrorsTheListsInTheirComboBoxes) {
    test::CoreRig rig;
    auto isDigitCount = [](int n) { return n == 47 || n == 51 || n == 55 || n == 59; };
    for (int n = 1; n <= ui::kItemCount; ++n) {
        rig.window.lstItem[n].setListIndex(1);
    }
    rig.window.cb[47].setText("19");
    rig.window.Combo1.setText("kept");

    gorefresh(rig.ctx);

    int mirrored = 0;
    for (const ui::ItemDef& def : ui::items()) {
        if (def.control != ui::ValueControl::Cb) {
            continue;
        }
        const auto& combo = rig.window.cb[def.number];
        if (isDigitCount(def.number)) {
            EXPECT_NE(combo.text(), rig.window.lstItem[def.number].selectedText()) << def.number;
        } else {
            EXPECT_EQ(combo.text(), std::string(def.choices[1])) << def.number;
            EXPECT_EQ(combo.listIndex(), 1) << def.number;
            ++mirrored;
        }
    }
    EXPECT_EQ(mirrored, 37);
    EXPECT_EQ(rig.window.cb[47].text(), "19");
    EXPECT_EQ(rig.window.Combo1.text(), "kept");

    for (int n = 1; n <= ui::kItemCount; ++n) {
        rig.window.lstItem[n].setListIndex(-1);
    }
    gorefresh(rig.ctx);
    EXPECT_EQ(rig.window.cb[4].text(), "");
    EXPECT_EQ(rig.window.cb[78].text(), "");
    EXPECT_EQ(rig.window.cb[8].listIndex(), -1);
}

TEST(ShowSequenceText, ReplacesTheValueOfTheFieldsItem) {
    test::CoreRig rig;
    const std::vector<std::pair<int, int>> lastByteOf{{34, 9},   {37, 10}, {52, 65}, {55, 66},
                                                      {78, 67},  {86, 68}, {94, 69}, {102, 70},
                                                      {110, 71}, {118, 72}};
    for (const auto& [address, item] : lastByteOf) {
        rig.window.lstItem[item].addItem("old");
        ShowSequenceText(rig.ctx, "  A\rB  ", address);
        EXPECT_EQ(rig.window.lstItem[item].entries(), std::vector<std::string>{"A{ENTER}B"})
            << item;
        EXPECT_EQ(rig.window.lstItem[item].listIndex(), 0) << item;
    }
    ShowSequenceText(rig.ctx, std::string("X\0Y", 3), 34);
    EXPECT_EQ(rig.window.lstItem[9].entries(), std::vector<std::string>{"X"});

    const auto before = test::windowState(rig.window);
    for (int address : {0, 32, 33, 35, 40, 50, 71, 77, 119, 127, 128, -1}) {
        ShowSequenceText(rig.ctx, "Z", address);
    }
    EXPECT_EQ(test::windowState(rig.window), before);
}

class ScrollTest : public ::testing::Test {
protected:
    int scroll(int item) {
        lstItem_Scroll(rig.ctx, item);
        return rig.window.lstItem[item].listIndex();
    }
    test::CoreRig rig;
};

TEST_F(ScrollTest, DigitCountsCycleThroughTheirThreeEntries) {
    rig.window.lstItem[47].setListIndex(2);
    EXPECT_EQ(scroll(47), 0);
    EXPECT_EQ(scroll(47), 1);
    EXPECT_EQ(scroll(47), 2);
    rig.window.lstItem[59].setListIndex(-1);
    EXPECT_EQ(scroll(59), -1);
}

TEST_F(ScrollTest, TwoEntryListsFlip) {
    rig.window.lstItem[7].setListIndex(0);
    EXPECT_EQ(scroll(7), 1);
    EXPECT_EQ(rig.window.lstItem[7].selectedText(), "YES");
    EXPECT_EQ(scroll(7), 0);
    rig.window.lstItem[8].setListIndex(-1);
    EXPECT_EQ(scroll(8), 0);                   // "Trigger"
    EXPECT_EQ(rig.window.cb[7].text(), "NO");  // only the list moves
}

TEST_F(ScrollTest, CountryMsrAndStartStopListsJustScroll) {
    for (int item : {5, 6, 19, 20}) {
        rig.window.lstItem[item].setListIndex(0);
        EXPECT_EQ(scroll(item), 0) << item;
        rig.window.lstItem[item].setListIndex(-1);
        EXPECT_EQ(scroll(item), -1) << item;
    }
}

TEST_F(ScrollTest, ShortListsAndNonItemsAreSafe) {
    rig.window.lstItem[1].setListIndex(0);  // one entry
    EXPECT_EQ(scroll(1), 0);
    EXPECT_EQ(scroll(3), -1);  // no entries yet
    rig.window.lstItem[3].addItem("25");
    EXPECT_EQ(scroll(3), 0);
    const auto before = test::windowState(rig.window);
    lstItem_Scroll(rig.ctx, 0);
    lstItem_Scroll(rig.ctx, 79);
    lstItem_Scroll(rig.ctx, -3);
    EXPECT_EQ(test::windowState(rig.window), before);
}

}  // namespace
}  // namespace tavrin::eeprom
