#include "eeprom/encoders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::eeprom {
namespace {

using test::CoreRig;
using test::frame;
using Bytes = std::vector<std::uint8_t>;

// The keyboard's setting codes and image bytes, written out here a second
// time so that a slip in the encoders' table shows up.
struct FlagRow {
    int item, code, address, set, clear;
};
constexpr FlagRow kFlagRows[] = {
    {4, 0x61, 2, 0x80, 0x7F},   {7, 0x00, 2, 0x01, 0xFE},   {11, 0x01, 11, 0x04, 0x0B},
    {12, 0x5F, 2, 0x40, 0xBF},  {13, 0x04, 3, 0x01, 0xFE},  {14, 0x05, 5, 0x01, 0x02},
    {15, 0x06, 7, 0x01, 0xFE},  {16, 0x07, 11, 0x02, 0x0D}, {21, 0x0C, 3, 0x04, 0xFB},
    {22, 0x0D, 11, 0x01, 0x0E}, {25, 0x50, 4, 0x01, 0x02},  {26, 0x51, 8, 0x01, 0x02},
    {29, 0x1A, 3, 0x80, 0x7F},  {30, 0x1B, 7, 0x80, 0x7F},  {33, 0x12, 3, 0x02, 0xFD},
    {34, 0x13, 5, 0x02, 0x01},  {35, 0x14, 7, 0x02, 0xFD},  {38, 0x19, 11, 0x08, 0x07},
    {39, 0x55, 4, 0x02, 0x01},  {40, 0x56, 6, 0x02, 0x01},  {41, 0x57, 8, 0x02, 0x01},
    {44, 0x20, 3, 0x08, 0xF7},  {48, 0x23, 3, 0x10, 0xEF},  {52, 0x26, 3, 0x20, 0xDF},
    {56, 0x28, 3, 0x40, 0xBF},  {60, 0x3E, 2, 0x04, 0xFB},  {61, 0x3F, 49, 0x08, 0x17},
    {62, 0x40, 49, 0x01, 0x1E}, {63, 0x41, 49, 0x02, 0x1D}, {64, 0x42, 49, 0x04, 0x1B},
    {73, 0x2D, 70, 0x01, 0x3E}, {74, 0x34, 70, 0x20, 0x1F}, {75, 0x33, 70, 0x10, 0x2F},
    {76, 0x30, 70, 0x02, 0x3D}, {77, 0x31, 70, 0x04, 0x3B}, {78, 0x32, 70, 0x08, 0x37},
};

struct NumberRow {
    int item, code, address;
};
constexpr NumberRow kNumberRows[] = {
    {3, 0x4A, 40},   {17, 0x08, 20}, {18, 0x09, 24},  {23, 0x0E, 22},  {24, 0x0F, 26},
    {27, 0x52, 12},  {28, 0x53, 13}, {31, 0x1C, 23},  {32, 0x1D, 27},  {36, 0x15, 21},
    {37, 0x16, 25},  {42, 0x58, 14}, {43, 0x59, 15},  {45, 0x21, 28},  {46, 0x10, 29},
    {49, 0x24, 30},  {50, 0x11, 31}, {53, 0x1F, 122}, {54, 0x17, 123}, {57, 0x29, 124},
    {58, 0x18, 125},
};

class EncodersTest : public ::testing::Test {
protected:
    CoreRig rig;
    Context& ctx = rig.ctx;
    ui::WindowModel& window = rig.window;

    void select(int item, int entry) {
        window.lstItem[static_cast<std::size_t>(item)].setListIndex(entry);
    }
    int selected(int item) const {
        return window.lstItem[static_cast<std::size_t>(item)].listIndex();
    }
    std::int32_t& byte(int address) { return window.image[static_cast<std::size_t>(address)]; }
    std::vector<int> bytes(int first, int count) {
        std::vector<int> out;
        for (int a = first; a < first + count; ++a) {
            out.push_back(byte(a));
        }
        return out;
    }
    void fillImage(std::int32_t value) {
        for (int a = 0; a < kEepromSize; ++a) {
            byte(a) = value;
        }
    }
};

TEST(HexPairValueTest, ReadsOneOrTwoHexDigitsInEitherCase) {
    for (const auto& [text, value] :
         {std::pair{"E2", 226}, {"e2", 226}, {"7", 7}, {"25", 37}, {"fF", 255}, {"0a", 10}}) {
        EXPECT_EQ(HexPairValue(text), value) << text;
    }
}

// A non-hex character counts as 0; a text not two characters long gives
// its first character as the low digit.
TEST(HexPairValueTest, OddTextsGiveAByteAndNeverFail) {
    for (const auto& [text, value] :
         {std::pair{"", 0}, {"G1", 1}, {"1G", 16}, {"<>", 0}, {"A23", 10}, {"\xFF\xFE", 0}}) {
        EXPECT_EQ(HexPairValue(text), value) << text;
    }
}

// One choice write each: the entry selected, then the frame's value byte,
// or with the image-only flag the item's byte from `before` to `after`.
struct ChoiceRow {
    const char* name;
    int item, code, entry;
    bool imageOnly;
    int address, before, after;
};

const ChoiceRow kChoiceRows[] = {
    {"YesGoesOutAsOneFrame", 4, 0x61, 1, false, 0, 0, 0x31},
    {"ImageOnlyChangesItsByte", 4, 0x61, 1, true, 2, 0x05, 0x85},
    // Flag bits leave the other bits of their byte; bit 6 was already set.
    {"Item52SetsBit5", 52, 0x26, 1, true, 3, 0x5A, 0x7A},
    {"Item52ClearsBit5", 52, 0x26, 0, true, 3, 0x7A, 0x5A},
    {"Item56KeepsBit6", 56, 0x28, 1, true, 3, 0x5A, 0x5A},
    {"Item56ClearsBit6", 56, 0x28, 0, true, 3, 0x5A, 0x1A},
    {"Item60SetsBit2", 60, 0x3E, 1, true, 2, 0x81, 0x85},
    // No clears the upper bits that carry no setting.
    {"Item14NoClearsUpperBits", 14, 0x05, 0, true, 5, 0xFF, 0x02},
    {"Item73NoClearsUpperBits", 73, 0x2D, 0, true, 70, 0xFF, 0x3E},
    // The digit items send and store the entry's digit.
    {"MsrTypeTK123Sent", 6, 0x2C, 5, false, 69, 0, 0x36},
    {"MsrTypeTK123Stored", 6, 0x2C, 5, true, 69, 0, 0x36},
    {"CountryGermanySent", 5, 0x2B, 3, false, 68, 0, 0x33},
    {"CountryGermanyStored", 5, 0x2B, 3, true, 68, 0, 0x33},
    {"ScannerAutoDetectSent", 8, 0x1E, 1, false, 126, 0, 0x31},
    {"ScannerAutoDetectStored", 8, 0x1E, 1, true, 126, 0, 0x31},
    // A settings file may bring any 32-bit value; the byte stays in range.
    {"ImageOnlyMasksAWideValue", 4, 0x61, 1, true, 2, 0x1F0, 0xF0},
    {"ImageOnlyMasksMinusOne", 4, 0x61, 1, true, 2, -1, 0xFF},
};

class ChoiceWrite : public EncodersTest, public ::testing::WithParamInterface<ChoiceRow> {};

TEST_P(ChoiceWrite, SendsOrStoresTheSelectedEntry) {
    const ChoiceRow& r = GetParam();
    byte(r.address) = r.before;
    select(r.item, r.entry);
    EXPECT_TRUE(WriteChoiceItem(ctx, r.item, r.code, r.imageOnly));
    if (r.imageOnly) {
        EXPECT_EQ(byte(r.address), r.after);
    } else {
        EXPECT_EQ(rig.takeWire(), frame({r.code, r.after}));
        EXPECT_EQ(byte(r.address), r.before);
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(rig.time.passes, 0) << "an encoder never waits";
    EXPECT_EQ(selected(r.item), r.entry);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChoiceWrite, ::testing::ValuesIn(kChoiceRows), test::RowName{});

TEST_F(EncodersTest, EveryFlagItemSendsItsCodeAndSetsOrClearsItsByte) {
    for (const FlagRow& r : kFlagRows) {
        SCOPED_TRACE(r.item);
        select(r.item, 1);
        WriteChoiceItem(ctx, r.item, r.code, false);
        EXPECT_EQ(rig.takeWire(), frame({r.code, 0x31}));
        select(r.item, 0);
        WriteChoiceItem(ctx, r.item, r.code, false);
        EXPECT_EQ(rig.takeWire(), frame({r.code, 0x30}));

        for (const auto& [entry, fill, value] : {std::tuple{1, 0x00, r.set}, {0, 0xFF, r.clear}}) {
            fillImage(fill);
            select(r.item, entry);
            WriteChoiceItem(ctx, r.item, r.code, true);
            for (int a = 0; a < kEepromSize; ++a) {
                ASSERT_EQ(byte(a), a == r.address ? value : fill) << "address " << a;
            }
        }
        EXPECT_TRUE(rig.ports.dataWrites.empty());
    }
}

TEST_F(EncodersTest, ChoiceWithoutSelectionDoesNothing) {
    fillImage(0x5A);
    const auto before = window.image;
    EXPECT_FALSE(WriteChoiceItem(ctx, 4, 0x61, false));
    EXPECT_FALSE(WriteChoiceItem(ctx, 4, 0x61, true));
    EXPECT_FALSE(WriteChoiceItem(ctx, 0, 0x61, false));   // the hidden member 0
    EXPECT_FALSE(WriteChoiceItem(ctx, 99, 0x61, false));  // no such item
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(window.image, before);
    EXPECT_EQ(selected(4), -1);
}

// A number's digits on the wire, or packed into its byte (a non-digit goes
// out as 0).
struct NumberRow2 {
    const char* name;
    const char* text;
    bool imageOnly;
    std::vector<int> result;  // the frame's digits, or byte(40)
};

const NumberRow2 kNumberWrites[] = {
    {"TwoDigitsSent", "25", false, {0x32, 0x35}},
    {"OneDigitSent", "7", false, {0x37}},
    {"SpacesAroundAreDropped", " 7 ", false, {0x37}},
    {"NonDigitSentAsZero", "1a", false, {0x31, 0x30}},
    {"TwoDigitsPacked", "25", true, {0x25}},
    {"OneDigitPacked", "7", true, {0x07}},
    {"HighestPacked", "99", true, {0x99}},
};

class NumberWrite : public EncodersTest, public ::testing::WithParamInterface<NumberRow2> {};

TEST_P(NumberWrite, SendsItsDigitsOrStoresThemPacked) {
    const NumberRow2& r = GetParam();
    window.comboWriteFlag = r.imageOnly;
    EXPECT_TRUE(WriteNumberItem(ctx, 0x4A, r.text, 40, 3));
    if (r.imageOnly) {
        EXPECT_EQ(byte(40), r.result[0]);
    } else {
        EXPECT_EQ(rig.takeWire(), test::frameOf(0x4A, r.result));
        EXPECT_EQ(byte(40), 0);
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, NumberWrite, ::testing::ValuesIn(kNumberWrites), test::RowName{});

TEST_F(EncodersTest, EveryNumberItemUsesItsCodeAndAddress) {
    for (const NumberRow& r : kNumberRows) {
        SCOPED_TRACE(r.item);
        window.comboWriteFlag = false;
        WriteNumberItem(ctx, r.code, "42", r.address, r.item);
        EXPECT_EQ(rig.takeWire(), frame({r.code, 0x34, 0x32}));
        window.comboWriteFlag = true;
        fillImage(0);
        WriteNumberItem(ctx, r.code, "42", r.address, r.item);
        EXPECT_EQ(byte(r.address), 0x42);
    }
}

TEST_F(EncodersTest, NumberReselectsItsOnlyEntry) {
    window.lstItem[17].addItem("25");
    window.comboWriteFlag = true;
    WriteNumberItem(ctx, 0x08, "25", 20, 17);
    EXPECT_EQ(selected(17), 0);
}

TEST_F(EncodersTest, EmptyNumberDoesNothing) {
    window.lstItem[17].addItem("25");
    byte(20) = 0x33;
    for (bool flag : {false, true}) {
        window.comboWriteFlag = flag;
        EXPECT_FALSE(WriteNumberItem(ctx, 0x08, "", 20, 17));
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(byte(20), 0x33);
    EXPECT_EQ(selected(17), -1);
}

constexpr int kUnchecked = -2;

// A list-text write: the entry text on the wire, padded to its length, or
// the character or count in its byte; a frame leaves the byte alone.
struct ListTextRow {
    const char* name;
    int code;
    const char* text;
    int length, address, item;
    bool imageOnly;
    int select, before;
    std::vector<int> result;  // the frame's data after the code, or byte(address)
    int selectedAfter;        // kUnchecked: not looked at
};

const ListTextRow kListTextRows[] = {
    {"StartCodeSent", 0x0A, "*", 1, 9, 19, false, 0, 0, {0x2A}, 0},
    {"StartCodeStored", 0x0A, "*", 1, 9, 19, true, 0, 0, {0x2A}, 0},
    {"SpaceIsAStopCodeToo", 0x0B, " ", 1, 10, 20, true, 3, 0, {0x20}, 3},
    {"DigitCountSent", 0x22, "5", 1, 16, 47, false, 2, 0, {0x35}, 2},
    {"DigitCountStored", 0x22, "5", 1, 16, 47, true, 2, 0, {5}, 2},
    {"PaddedAndTheWrittenEntryFound", 0x0A, "$", 3, 9, 19, false, -1, 0, {0x24, 0, 0}, 4},
    {"EmptySendsTheCodeAlone", 0x22, "", 0, 16, 47, false, -1, 5, {}, 0},
    {"EmptyClearsTheByte", 0x22, "", 0, 16, 47, true, -1, 5, {0}, 0},
    // The image count is always a byte.
    {"CountAboveAByte", 0x22, "300", 3, 16, 47, true, -1, 0, {0xFF}, kUnchecked},
    {"NegativeCount", 0x22, "-5", 2, 16, 47, true, -1, 0, {0}, kUnchecked},
    {"CountNotANumber", 0x22, "x", 1, 16, 47, true, -1, 0, {0}, kUnchecked},
    {"HighCharacter", 0x0A, "\xE9", 1, 9, 19, true, -1, 0, {0xE9}, kUnchecked},
};

class ListTextWrite : public EncodersTest, public ::testing::WithParamInterface<ListTextRow> {};

TEST_P(ListTextWrite, SendsTheTextOrStoresCharacterOrCount) {
    const ListTextRow& r = GetParam();
    byte(r.address) = r.before;
    select(r.item, r.select);
    EXPECT_TRUE(WriteListTextItem(ctx, r.code, r.text, r.length, r.address, r.item, r.imageOnly));
    if (r.imageOnly) {
        EXPECT_EQ(byte(r.address), r.result[0]);
    } else {
        EXPECT_EQ(rig.takeWire(), test::frameOf(r.code, r.result));
        EXPECT_EQ(byte(r.address), r.before);
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    if (r.selectedAfter != kUnchecked) {
        EXPECT_EQ(selected(r.item), r.selectedAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ListTextWrite, ::testing::ValuesIn(kListTextRows), test::RowName{});

// A sequence write: zero-padded to its field on the wire, or into the image
// (all 0x77 before) where `result` holds the bytes from `from` on.
struct SequenceRow {
    const char* name;
    int code;
    const char* text;
    int length, address, item;
    bool imageOnly, scanCodes;
    int from;
    std::vector<int> result;
};

// Items 65 and 66 carry six scan codes on the wire but have three bytes in
// the image; the neighbouring field must survive.
// clang-format off
const SequenceRow kSequenceRows[] = {
    {"CharactersPadded", 0x02, "AB", 3, 32, 9, false, false, 0, {0x41, 0x42, 0x00}},
    {"CharactersFillTheField", 0x02, "ABC", 3, 32, 9, false, false, 0, {0x41, 0x42, 0x43}},
    {"ControlCharacters", 0x43, "\t\r", 8, 71, 67, false, false, 0, {9, 0x0D, 0, 0, 0, 0, 0, 0}},
    {"CharactersStored", 0x02, "AB", 3, 32, 9, true, false, 31, {0x77, 0x41, 0x42, 0, 0x77}},
    {"ScanCodeSent", 0x43, "<64>", 8, 71, 67, false, true, 0, {0x64, 0, 0, 0, 0, 0, 0, 0}},
    {"MsrScanCodeSent", 0x2E, "<63>", 6, 50, 65, false, true, 0, {0x63, 0, 0, 0, 0, 0}},
    {"LowerCaseScanCodesStored", 0x43, "<e2><62>", 8, 71, 67, true, true, 70,
        {0x77, 0xE2, 0x62, 0, 0, 0, 0, 0, 0, 0x77}},
    {"UpperCaseScanCodesStored", 0x43, "<E2><62>", 8, 71, 67, true, true, 70,
        {0x77, 0xE2, 0x62, 0, 0, 0, 0, 0, 0, 0x77}},
    {"EmptySendsZeros", 0x46, "", 8, 95, 70, false, false, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"EmptyStoresZeros", 0x46, "", 8, 95, 70, true, false, 94,
        {0x77, 0, 0, 0, 0, 0, 0, 0, 0, 0x77}},
    {"SixMsrScanCodesSent", 0x2E, "<01><02><03><04><05><06>", 6, 50, 65, false, true, 0,
        {1, 2, 3, 4, 5, 6}},
    {"SixMsrScanCodesKeepToTheirField", 0x2E, "<01><02><03><04><05><06>", 6, 50, 65, true, true,
        50, {1, 2, 3, 0x77, 0x77, 0x77, 0x77}},
    {"MsrPostambleKeepsToItsField", 0x2F, "<0A>", 6, 53, 66, true, true, 53, {0x0A, 0, 0, 0x77}},
};
// clang-format on

class SequenceWrite : public EncodersTest, public ::testing::WithParamInterface<SequenceRow> {};

TEST_P(SequenceWrite, IsZeroPaddedToItsField) {
    const SequenceRow& r = GetParam();
    window.comboWriteFlag = r.imageOnly;
    window.scanCodeFormFlag = r.scanCodes;
    if (r.imageOnly) {
        fillImage(0x77);
    }
    EXPECT_TRUE(WriteSequenceItem(ctx, r.code, r.text, r.length, r.address, r.item));
    if (r.imageOnly) {
        EXPECT_EQ(bytes(r.from, static_cast<int>(r.result.size())), r.result);
    } else {
        EXPECT_EQ(rig.takeWire(), test::frameOf(r.code, r.result));
    }
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_FALSE(window.scanCodeFormFlag) << "the flag describes one text only";
}

INSTANTIATE_TEST_SUITE_P(Rows, SequenceWrite, ::testing::ValuesIn(kSequenceRows), test::RowName{});

TEST_F(EncodersTest, SequenceSelectsItsOnlyEntry) {
    window.lstItem[67].addItem("<64>");
    window.comboWriteFlag = true;
    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x43, "<64>", 8, 71, 67);
    EXPECT_EQ(selected(67), 0);
}

TEST_F(EncodersTest, MalformedSequencesNeverLeaveTheImage) {
    window.comboWriteFlag = true;
    fillImage(0x77);
    window.image[kEepromSize] = 0x1234;  // the spare entry
    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x48, "<6", 8, 111, 72);
    EXPECT_EQ(byte(111), 0x06);
    EXPECT_EQ(byte(112), 0);
    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x48, "<zz><1", 8, 124, 0);
    EXPECT_EQ(byte(124), 0);
    EXPECT_EQ(byte(125), 1);
    EXPECT_EQ(byte(127), 0);
    WriteSequenceItem(ctx, 0x02, "ABCDEF", 3, 32, 9);  // longer than the field
    EXPECT_EQ(byte(34), 'C');
    EXPECT_EQ(byte(35), 0x77);
    EXPECT_EQ(window.image[kEepromSize], 0x1234);
}

TEST_F(EncodersTest, PresetSendsScanCodesAndTouchesNothingElse) {
    window.comboWriteFlag = true;
    window.scanCodeFormFlag = false;
    fillImage(0x77);
    const auto before = window.image;
    SendSequencePreset(ctx, 0x48, "<68><6A><6A>", 8);
    EXPECT_EQ(rig.takeWire(), frame({0x48, 0x68, 0x6A, 0x6A, 0, 0, 0, 0, 0}));
    SendSequencePreset(ctx, 0x2E, "<63>", 3);
    EXPECT_EQ(rig.takeWire(), frame({0x2E, 0x63, 0, 0}));
    EXPECT_EQ(window.image, before);
    EXPECT_FALSE(window.scanCodeFormFlag);
    EXPECT_EQ(rig.time.passes, 0);
}

TEST_F(EncodersTest, ScanCodeModeSetsOrClearsBitFour) {
    window.comboWriteFlag = true;
    byte(49) = 0x0F;
    window.scanCodeDisplayMode = 1;
    EXPECT_TRUE(WriteScanCodeMode(ctx, 1));
    EXPECT_EQ(byte(49), 0x1F);
    window.scanCodeDisplayMode = 0;
    WriteScanCodeMode(ctx, 0);
    EXPECT_EQ(byte(49), 0x0F);
    byte(49) = 0xFF;
    WriteScanCodeMode(ctx, 0);
    EXPECT_EQ(byte(49), 0x0F);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

TEST_F(EncodersTest, ScanCodeModeFrameFollowsTheMode) {
    window.comboWriteFlag = false;
    byte(49) = 0x0F;
    window.scanCodeDisplayMode = 1;
    WriteScanCodeMode(ctx, 1);
    EXPECT_EQ(rig.takeWire(), frame({0x5D, 0x31}));
    window.scanCodeDisplayMode = 0;
    WriteScanCodeMode(ctx, 0);
    EXPECT_EQ(rig.takeWire(), frame({0x5D, 0x30}));
    EXPECT_EQ(byte(49), 0x0F);
}

}  // namespace
}  // namespace tavrin::eeprom
