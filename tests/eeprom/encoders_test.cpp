#include "eeprom/encoders.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fakes.h"

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
    void fillImage(std::int32_t value) {
        for (int a = 0; a < kEepromSize; ++a) {
            byte(a) = value;
        }
    }
};

TEST(HexPairValueTest, ReadsOneOrTwoHexDigitsInEitherCase) {
    EXPECT_EQ(HexPairValue("E2"), 226);
    EXPECT_EQ(HexPairValue("e2"), 226);
    EXPECT_EQ(HexPairValue("7"), 7);
    EXPECT_EQ(HexPairValue("25"), 37);
    EXPECT_EQ(HexPairValue("fF"), 255);
    EXPECT_EQ(HexPairValue("0a"), 10);
}

TEST(HexPairValueTest, OddTextsGiveAByteAndNeverFail) {
    EXPECT_EQ(HexPairValue(""), 0);
    EXPECT_EQ(HexPairValue("G1"), 1);  // a non-hex character counts as 0
    EXPECT_EQ(HexPairValue("1G"), 16);
    EXPECT_EQ(HexPairValue("<>"), 0);
    EXPECT_EQ(HexPairValue("A23"), 10);  // not two characters: the first is the low digit
    EXPECT_EQ(HexPairValue(std::string("\xFF\xFE", 2)), 0);
}

TEST_F(EncodersTest, ChoiceYesGoesOutAsOneFrame) {
    select(4, 1);
    EXPECT_TRUE(WriteChoiceItem(ctx, 4, 0x61, false));
    EXPECT_EQ(rig.takeWire(), (Bytes{0xE7, 0x55, 0xAA, 0xE3, 0x61, 0xE3, 0x31, 0xE6}));
    EXPECT_EQ(rig.time.passes, 0) << "an encoder never waits";
    EXPECT_EQ(selected(4), 1);
}

TEST_F(EncodersTest, ChoiceImageOnlyChangesItsByteAndSendsNothing) {
    byte(2) = 0x05;
    select(4, 1);
    EXPECT_TRUE(WriteChoiceItem(ctx, 4, 0x61, true));
    EXPECT_EQ(byte(2), 0x85);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
    EXPECT_EQ(selected(4), 1);
}

TEST_F(EncodersTest, EveryFlagItemSendsItsCodeAndSetsOrClearsItsByte) {
    for (const FlagRow& r : kFlagRows) {
        SCOPED_TRACE(r.item);
        select(r.item, 1);
        WriteChoiceItem(ctx, r.item, r.code, false);
        EXPECT_EQ(rig.takeWire(), frame({r.code, 0x31}));
        select(r.item, 0);
        WriteChoiceItem(ctx, r.item, r.code, false);
        EXPECT_EQ(rig.takeWire(), frame({r.code, 0x30}));

        fillImage(0x00);
        select(r.item, 1);
        WriteChoiceItem(ctx, r.item, r.code, true);
        for (int a = 0; a < kEepromSize; ++a) {
            ASSERT_EQ(byte(a), a == r.address ? r.set : 0) << "address " << a;
        }
        fillImage(0xFF);
        select(r.item, 0);
        WriteChoiceItem(ctx, r.item, r.code, true);
        for (int a = 0; a < kEepromSize; ++a) {
            ASSERT_EQ(byte(a), a == r.address ? r.clear : 0xFF) << "address " << a;
        }
        EXPECT_TRUE(rig.ports.dataWrites.empty());
    }
}

TEST_F(EncodersTest, FlagBitsLeaveTheOtherBitsOfTheirByte) {
    byte(3) = 0x5A;
    select(52, 1);
    WriteChoiceItem(ctx, 52, 0x26, true);
    EXPECT_EQ(byte(3), 0x7A);
    select(52, 0);
    WriteChoiceItem(ctx, 52, 0x26, true);
    EXPECT_EQ(byte(3), 0x5A);
    select(56, 1);
    WriteChoiceItem(ctx, 56, 0x28, true);
    EXPECT_EQ(byte(3), 0x5A);  // bit 6 was already set
    select(56, 0);
    WriteChoiceItem(ctx, 56, 0x28, true);
    EXPECT_EQ(byte(3), 0x1A);
    byte(2) = 0x81;
    select(60, 1);
    WriteChoiceItem(ctx, 60, 0x3E, true);
    EXPECT_EQ(byte(2), 0x85);
}

TEST_F(EncodersTest, NoClearsUpperBitsThatCarryNoSetting) {
    byte(5) = 0xFF;
    select(14, 0);
    WriteChoiceItem(ctx, 14, 0x05, true);
    EXPECT_EQ(byte(5), 0x02);
    byte(70) = 0xFF;
    select(73, 0);
    WriteChoiceItem(ctx, 73, 0x2D, true);
    EXPECT_EQ(byte(70), 0x3E);
}

TEST_F(EncodersTest, ChoiceDigitItemsStoreAndSendTheEntryDigit) {
    select(6, 5);  // "TK123"
    WriteChoiceItem(ctx, 6, 0x2C, false);
    EXPECT_EQ(rig.takeWire(), frame({0x2C, 0x36}));
    WriteChoiceItem(ctx, 6, 0x2C, true);
    EXPECT_EQ(byte(69), 0x36);

    select(5, 3);  // "GERMANY"
    WriteChoiceItem(ctx, 5, 0x2B, false);
    EXPECT_EQ(rig.takeWire(), frame({0x2B, 0x33}));
    WriteChoiceItem(ctx, 5, 0x2B, true);
    EXPECT_EQ(byte(68), 0x33);

    select(8, 1);  // "Auto Detect"
    WriteChoiceItem(ctx, 8, 0x1E, false);
    EXPECT_EQ(rig.takeWire(), frame({0x1E, 0x31}));
    WriteChoiceItem(ctx, 8, 0x1E, true);
    EXPECT_EQ(byte(126), 0x31);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
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

TEST_F(EncodersTest, ImageOnlyChoiceKeepsBytesInRange) {
    byte(2) = 0x1F0;  // a settings file may bring any 32-bit value
    select(4, 1);
    WriteChoiceItem(ctx, 4, 0x61, true);
    EXPECT_EQ(byte(2), 0xF0);
    byte(2) = -1;
    WriteChoiceItem(ctx, 4, 0x61, true);
    EXPECT_EQ(byte(2), 0xFF);
}

TEST_F(EncodersTest, NumberSendsItsDigitsOrStoresThemPacked) {
    window.comboWriteFlag = false;
    EXPECT_TRUE(WriteNumberItem(ctx, 0x4A, "25", 40, 3));
    EXPECT_EQ(rig.takeWire(), frame({0x4A, 0x32, 0x35}));
    WriteNumberItem(ctx, 0x4A, "7", 40, 3);
    EXPECT_EQ(rig.takeWire(), frame({0x4A, 0x37}));
    WriteNumberItem(ctx, 0x4A, " 7 ", 40, 3);
    EXPECT_EQ(rig.takeWire(), frame({0x4A, 0x37}));
    WriteNumberItem(ctx, 0x4A, "1a", 40, 3);  // a non-digit goes out as 0
    EXPECT_EQ(rig.takeWire(), frame({0x4A, 0x31, 0x30}));
    EXPECT_EQ(byte(40), 0);

    window.comboWriteFlag = true;
    WriteNumberItem(ctx, 0x4A, "25", 40, 3);
    EXPECT_EQ(byte(40), 0x25);
    WriteNumberItem(ctx, 0x4A, "7", 40, 3);
    EXPECT_EQ(byte(40), 0x07);
    WriteNumberItem(ctx, 0x4A, "99", 40, 3);
    EXPECT_EQ(byte(40), 0x99);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

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

TEST_F(EncodersTest, ListTextSendsTheEntryTextAndStoresCharacterOrCount) {
    select(19, 0);  // "*"
    EXPECT_TRUE(WriteListTextItem(ctx, 0x0A, "*", 1, 9, 19, false));
    EXPECT_EQ(rig.takeWire(), frame({0x0A, 0x2A}));
    EXPECT_TRUE(WriteListTextItem(ctx, 0x0A, "*", 1, 9, 19, true));
    EXPECT_EQ(byte(9), 0x2A);
    EXPECT_EQ(selected(19), 0);

    select(20, 3);  // a single space is a stop code too
    WriteListTextItem(ctx, 0x0B, " ", 1, 10, 20, true);
    EXPECT_EQ(byte(10), 0x20);
    EXPECT_EQ(selected(20), 3);

    select(47, 2);  // "5"
    WriteListTextItem(ctx, 0x22, "5", 1, 16, 47, false);
    EXPECT_EQ(rig.takeWire(), frame({0x22, 0x35}));
    WriteListTextItem(ctx, 0x22, "5", 1, 16, 47, true);
    EXPECT_EQ(byte(16), 5);
    EXPECT_EQ(selected(47), 2);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

TEST_F(EncodersTest, ListTextPadsToItsLengthAndFindsTheWrittenEntry) {
    WriteListTextItem(ctx, 0x0A, "$", 3, 9, 19, false);
    EXPECT_EQ(rig.takeWire(), frame({0x0A, 0x24, 0x00, 0x00}));
    EXPECT_EQ(selected(19), 4);  // "$" is entry 4
}

TEST_F(EncodersTest, EmptyListTextSendsTheCodeAloneOrClearsTheByte) {
    byte(16) = 5;
    EXPECT_TRUE(WriteListTextItem(ctx, 0x22, "", 0, 16, 47, false));
    EXPECT_EQ(rig.takeWire(), frame({0x22}));
    EXPECT_EQ(selected(47), 0);
    EXPECT_EQ(byte(16), 5);
    select(47, -1);
    WriteListTextItem(ctx, 0x22, "", 0, 16, 47, true);
    EXPECT_EQ(byte(16), 0);
    EXPECT_EQ(selected(47), 0);
}

TEST_F(EncodersTest, ImageCountIsAlwaysAByte) {
    WriteListTextItem(ctx, 0x22, "300", 3, 16, 47, true);
    EXPECT_EQ(byte(16), 0xFF);
    WriteListTextItem(ctx, 0x22, "-5", 2, 16, 47, true);
    EXPECT_EQ(byte(16), 0);
    WriteListTextItem(ctx, 0x22, "x", 1, 16, 47, true);
    EXPECT_EQ(byte(16), 0);
    WriteListTextItem(ctx, 0x0A, "\xE9", 1, 9, 19, true);
    EXPECT_EQ(byte(9), 0xE9);
}

TEST_F(EncodersTest, CharacterSequenceIsZeroPaddedToItsField) {
    window.comboWriteFlag = false;
    EXPECT_TRUE(WriteSequenceItem(ctx, 0x02, "AB", 3, 32, 9));
    EXPECT_EQ(rig.takeWire(), frame({0x02, 0x41, 0x42, 0x00}));
    WriteSequenceItem(ctx, 0x02, "ABC", 3, 32, 9);
    EXPECT_EQ(rig.takeWire(), frame({0x02, 0x41, 0x42, 0x43}));
    WriteSequenceItem(ctx, 0x43, "\t\r", 8, 71, 67);
    EXPECT_EQ(rig.takeWire(), frame({0x43, 0x09, 0x0D, 0, 0, 0, 0, 0, 0}));

    window.comboWriteFlag = true;
    fillImage(0x77);
    WriteSequenceItem(ctx, 0x02, "AB", 3, 32, 9);
    EXPECT_EQ(byte(31), 0x77);
    EXPECT_EQ(byte(32), 0x41);
    EXPECT_EQ(byte(33), 0x42);
    EXPECT_EQ(byte(34), 0x00);
    EXPECT_EQ(byte(35), 0x77);
    EXPECT_TRUE(rig.ports.dataWrites.empty());
}

TEST_F(EncodersTest, ScanCodeSequenceSendsTokenValues) {
    window.comboWriteFlag = false;
    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x43, "<64>", 8, 71, 67);
    EXPECT_EQ(rig.takeWire(), frame({0x43, 0x64, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(window.scanCodeFormFlag) << "the flag describes one text only";

    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x2E, "<63>", 6, 50, 65);
    EXPECT_EQ(rig.takeWire(), frame({0x2E, 0x63, 0, 0, 0, 0, 0}));

    window.comboWriteFlag = true;
    for (const char* text : {"<e2><62>", "<E2><62>"}) {
        SCOPED_TRACE(text);
        fillImage(0x77);
        window.scanCodeFormFlag = true;
        WriteSequenceItem(ctx, 0x43, text, 8, 71, 67);
        EXPECT_EQ(byte(70), 0x77);
        EXPECT_EQ(byte(71), 0xE2);
        EXPECT_EQ(byte(72), 0x62);
        for (int a = 73; a <= 78; ++a) {
            EXPECT_EQ(byte(a), 0) << a;
        }
        EXPECT_EQ(byte(79), 0x77);
    }
}

TEST_F(EncodersTest, EmptySequenceWritesZeros) {
    window.comboWriteFlag = false;
    EXPECT_TRUE(WriteSequenceItem(ctx, 0x46, "", 8, 95, 70));
    EXPECT_EQ(rig.takeWire(), frame({0x46, 0, 0, 0, 0, 0, 0, 0, 0}));
    window.comboWriteFlag = true;
    fillImage(0x77);
    WriteSequenceItem(ctx, 0x46, "", 8, 95, 70);
    for (int a = 94; a <= 103; ++a) {
        EXPECT_EQ(byte(a), a >= 95 && a <= 102 ? 0 : 0x77) << a;
    }
}

TEST_F(EncodersTest, SequenceSelectsItsOnlyEntry) {
    window.lstItem[67].addItem("<64>");
    window.comboWriteFlag = true;
    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x43, "<64>", 8, 71, 67);
    EXPECT_EQ(selected(67), 0);
}

// Items 65 and 66 carry six scan codes on the wire but have three bytes
// in the image; the neighbouring field must survive.
TEST_F(EncodersTest, SixScanCodesForMsrPreambleKeepToTheirField) {
    const std::string six = "<01><02><03><04><05><06>";
    window.comboWriteFlag = false;
    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x2E, six, 6, 50, 65);
    EXPECT_EQ(rig.takeWire(), frame({0x2E, 1, 2, 3, 4, 5, 6}));

    window.comboWriteFlag = true;
    fillImage(0x77);
    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x2E, six, 6, 50, 65);
    EXPECT_EQ(byte(50), 1);
    EXPECT_EQ(byte(51), 2);
    EXPECT_EQ(byte(52), 3);
    for (int a = 53; a <= 56; ++a) {
        EXPECT_EQ(byte(a), 0x77) << a;
    }

    window.scanCodeFormFlag = true;
    WriteSequenceItem(ctx, 0x2F, "<0A>", 6, 53, 66);
    EXPECT_EQ(byte(53), 0x0A);
    EXPECT_EQ(byte(54), 0);
    EXPECT_EQ(byte(55), 0);
    EXPECT_EQ(byte(56), 0x77);
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
