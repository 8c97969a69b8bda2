#include "eeprom/map.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "display_test_support.h"
#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::eeprom {
namespace {

struct FlagField {
    int address;
    int item;
    int mask;
};

// Every flag bit of the image, as the keyboard's EEPROM lays them out.
const std::vector<FlagField> kFlagFields{
    {2, 7, 0x01},   {2, 60, 0x04},  {2, 12, 0x40},  {2, 4, 0x80},   {3, 13, 0x01},  {3, 33, 0x02},
    {3, 21, 0x04},  {3, 44, 0x08},  {3, 48, 0x10},  {3, 52, 0x20},  {3, 56, 0x40},  {3, 29, 0x80},
    {4, 25, 0x01},  {4, 39, 0x02},  {5, 14, 0x01},  {5, 34, 0x02},  {6, 40, 0x02},  {7, 15, 0x01},
    {7, 35, 0x02},  {7, 30, 0x80},  {8, 26, 0x01},  {8, 41, 0x02},  {11, 22, 0x01}, {11, 16, 0x02},
    {11, 11, 0x04}, {11, 38, 0x08}, {49, 62, 0x01}, {49, 63, 0x02}, {49, 64, 0x04}, {49, 61, 0x08},
    {70, 73, 0x01}, {70, 76, 0x02}, {70, 77, 0x04}, {70, 78, 0x08}, {70, 75, 0x10}, {70, 74, 0x20},
};

struct NumberField {
    int address;
    int item;
};

const std::vector<NumberField> kBcdFields{
    {12, 27}, {13, 28}, {14, 42}, {15, 43},  {20, 17},  {21, 36},  {22, 23},
    {23, 31}, {24, 18}, {25, 37}, {26, 24},  {27, 32},  {28, 45},  {29, 46},
    {30, 49}, {31, 50}, {40, 3},  {122, 53}, {123, 54}, {124, 57}, {125, 58},
};

const std::vector<NumberField> kDigitCountFields{{16, 47}, {17, 51}, {18, 55}, {19, 59}};

class DecodeSettingByteTest : public ::testing::Test {
protected:
    void decode(std::int32_t value, int address) {
        DecodeSettingByte(rig.ctx, pending, value, address);
    }
    ui::ListBox& lst(int item) { return rig.window.lstItem[static_cast<std::size_t>(item)]; }
    int selected(int item) { return lst(item).listIndex(); }
    std::vector<std::string> entries(int item) { return lst(item).entries(); }

    test::CoreRig rig;
    PendingIndices pending;
};

TEST_F(DecodeSettingByteTest, EachFlagBitSetsItsOwnItemOnly) {
    for (const FlagField& f : kFlagFields) {
        SCOPED_TRACE("item " + std::to_string(f.item));
        for (const auto& [value, own] : {std::pair{f.mask, 1}, {0xFF & ~f.mask, 0}}) {
            decode(value, f.address);
            for (const FlagField& other : kFlagFields) {
                if (other.address == f.address) {
                    EXPECT_EQ(selected(other.item), other.item == f.item ? own : 1 - own)
                        << other.item;
                }
            }
        }
    }
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(DecodeSettingByteTest, OneByteSetsSeveralFlags) {
    decode(0x85, 2);
    EXPECT_EQ(lst(7).selectedText(), "YES");
    EXPECT_EQ(lst(60).selectedText(), "YES");
    EXPECT_EQ(lst(12).selectedText(), "NO");
    EXPECT_EQ(lst(4).selectedText(), "YES");
}

TEST_F(DecodeSettingByteTest, BcdNumbersShowTheirDecimalValue) {
    struct Case {
        std::int32_t value;
        std::vector<std::string> entries;  // empty: no value
    };
    const std::vector<Case> cases{{0x25, {"25"}}, {0x05, {"5"}}, {0x00, {"0"}}, {0x99, {"99"}},
                                  {0x10, {"10"}}, {0x3A, {}},    {0xA0, {}},    {0xFF, {}}};
    for (const NumberField& f : kBcdFields) {
        for (const Case& c : cases) {
            SCOPED_TRACE("item " + std::to_string(f.item) + " value " + std::to_string(c.value));
            lst(f.item).addItem("old");
            lst(f.item).setListIndex(0);
            decode(c.value, f.address);
            EXPECT_EQ(entries(f.item), c.entries);
            EXPECT_EQ(selected(f.item), c.entries.empty() ? -1 : 0);
        }
    }
}

TEST_F(DecodeSettingByteTest, DigitCountsFollowTheLowNibble) {
    struct Case {
        std::int32_t value;
        int listIndex;
        std::string comboText;
    };
    // The image-only write stores 0, 2, 5, the device write "0", "2", "5".
    const std::vector<Case> cases{{0, 0, "0"},      {2, 1, "2"},      {5, 2, "5"},
                                  {0x30, 0, "0"},   {0x32, 1, "2"},   {0x35, 2, "5"},
                                  {0x10, 0, "0"},   {1, -1, "1"},     {3, -1, "3"},
                                  {0x13, -1, "19"}, {0x3F, -1, "63"}, {0xFF, -1, "255"}};
    for (const NumberField& f : kDigitCountFields) {
        for (const Case& c : cases) {
            SCOPED_TRACE("item " + std::to_string(f.item) + " value " + std::to_string(c.value));
            lst(f.item).setListIndex(2);
            decode(c.value, f.address);
            EXPECT_EQ(selected(f.item), c.listIndex);
            EXPECT_EQ(rig.window.cb[f.item].text(), c.comboText);
            EXPECT_EQ(rig.window.cb[f.item].listIndex(), c.listIndex);
        }
    }
}

TEST_F(DecodeSettingByteTest, StartAndStopCodesMatchTheirCharacter) {
    const std::string codes = "*-. $/+";
    for (std::size_t i = 0; i < codes.size(); ++i) {
        decode(static_cast<unsigned char>(codes[i]), 9);
        decode(static_cast<unsigned char>(codes[6 - i]), 10);
        EXPECT_EQ(selected(19), static_cast<int>(i));
        EXPECT_EQ(pending.startCode, static_cast<int>(i));
        EXPECT_EQ(selected(20), static_cast<int>(6 - i));
        EXPECT_EQ(pending.stopCode, static_cast<int>(6 - i));
    }
    decode(0x20, 9);
    EXPECT_EQ(lst(19).selectedText(), " ");
    EXPECT_EQ(pending.startCode, 3);

    for (std::int32_t unknown : {0x41, 0x00, 0x2C}) {
        pending.startCode = 5;
        decode(unknown, 9);
        EXPECT_EQ(selected(19), -1) << unknown;
        EXPECT_EQ(pending.startCode, 0) << unknown;
    }
}

TEST_F(DecodeSettingByteTest, CountryComesFromTheLowNibble) {
    // The byte, the entry it selects and its text, the pending index.
    const std::tuple<std::int32_t, int, const char*, int> cases[] = {
        {0x33, 3, "GERMANY", 3}, {0x03, 3, "GERMANY", 3}, {0x35, 5, "ITALY", 5},
        {0x30, 0, "US", 0},      {0x36, -1, "", 6},       {0x0F, -1, "", 15}};
    for (const auto& [value, index, text, country] : cases) {
        decode(value, 68);
        EXPECT_EQ(selected(5), index) << value;
        EXPECT_EQ(lst(5).selectedText(), text) << value;
        EXPECT_EQ(pending.country, country) << value;
    }
}

TEST_F(DecodeSettingByteTest, MsrTypeIsKeptForTheEndOfTheWalk) {
    const std::vector<std::pair<std::int32_t, int>> cases{{0x36, 5}, {0x31, 0},  {0x06, 5},
                                                          {0x34, 3}, {0x30, -1}, {0x3F, 14}};
    for (const auto& [value, index] : cases) {
        lst(6).setListIndex(2);
        decode(value, 69);
        EXPECT_EQ(pending.msrType, index) << value;
        EXPECT_EQ(selected(6), -1) << value;
    }
}

TEST_F(DecodeSettingByteTest, ScannerTypeIgnoresTheHighNibble) {
    const std::vector<std::pair<std::int32_t, std::string>> cases{
        {0x10, "Trigger"}, {0x01, "Auto Detect"}, {0x31, "Auto Detect"},
        {0x30, "Trigger"}, {0xF0, "Trigger"},     {0x0E, "Auto Detect"}};
    for (const auto& [value, text] : cases) {
        decode(value, 126);
        EXPECT_EQ(lst(8).selectedText(), text) << value;
    }
}

TEST_F(DecodeSettingByteTest, Address49CarriesTheTrackFlagsAndTheDisplayMode) {
    const std::tuple<std::int32_t, const char*, int> cases[] = {
        {0x1F, "YES", 1}, {0x0F, "YES", 0}, {0xF0, "NO", 1}};
    for (const auto& [value, flags, mode] : cases) {
        SCOPED_TRACE(value);
        decode(value, 49);
        for (int item : {61, 62, 63, 64}) {
            EXPECT_EQ(lst(item).selectedText(), flags) << item;
        }
        EXPECT_EQ(rig.window.scanCodeDisplayMode, mode);
        EXPECT_EQ(rig.window.frame3Caption[11], mode == 1
                                                    ? "Preamble/Postamble Setting In Hexidecimal"
                                                    : "Preamble/Postamble Setting               ");
    }
}

TEST_F(DecodeSettingByteTest, AWrongSignatureIsReportedOncePerByte) {
    decode(0x55, 0);
    decode(0xAA, 1);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);

    decode(0xAA, 0);
    decode(0x55, 1);
    decode(0x155, 0);
    ASSERT_EQ(rig.dialogs.messages.size(), 3u);
    for (const test::Message& m : rig.dialogs.messages) {
        test::expectBox(m, "Read from EEPROM error!", "Message", platform::MsgIcon::Error,
                        platform::MsgButtons::Ok);
    }
    EXPECT_EQ(rig.counters.sendErrorCounter, 3);
}

TEST_F(DecodeSettingByteTest, AddressesWithoutARuleChangeNothing) {
    std::vector<int> silent{38, 39, 127, -1, 128, 1000};
    for (int a = 32; a <= 37; ++a)
        silent.push_back(a);
    for (int a = 41; a <= 48; ++a)
        silent.push_back(a);
    for (int a = 50; a <= 67; ++a)
        silent.push_back(a);
    for (int a = 71; a <= 121; ++a)
        silent.push_back(a);
    pending = PendingIndices{1, 2, 3, 4};
    const auto before = test::windowState(rig.window);
    for (int a : silent) {
        for (std::int32_t v : {0x00, 0x5A, 0xFF}) {
            decode(v, a);
        }
        ASSERT_EQ(test::windowState(rig.window), before) << a;
    }
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(pending.startCode, 1);
    EXPECT_EQ(pending.stopCode, 2);
    EXPECT_EQ(pending.country, 3);
    EXPECT_EQ(pending.msrType, 4);
}

// Only a settings file brings such entries: they show no value rather
// than a value guessed from their low byte.
TEST_F(DecodeSettingByteTest, ValuesThatAreNoByteShowNoValue) {
    for (std::int32_t v : {0x100, 0x185, -1, -0x7B, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(v);
        for (const FlagField& f : kFlagFields) {
            lst(f.item).setListIndex(1);
            decode(v, f.address);
            EXPECT_EQ(selected(f.item), -1) << f.item;
        }
        for (const NumberField& f : kBcdFields) {
            decode(0x12, f.address);
            decode(v, f.address);
            EXPECT_TRUE(entries(f.item).empty()) << f.item;
            EXPECT_EQ(selected(f.item), -1) << f.item;
        }
        for (const NumberField& f : kDigitCountFields) {
            decode(5, f.address);
            decode(v, f.address);
            EXPECT_EQ(selected(f.item), -1) << f.item;
            EXPECT_EQ(rig.window.cb[f.item].text(), "") << f.item;
        }
        // address, a good value first, the item shown (0: none checked), the pending index
        for (const auto& [address, good, item, index] :
             {std::tuple{9, 0x2A, 19, &pending.startCode},
              {10, 0x2A, 0, &pending.stopCode},
              {68, 0x31, 5, &pending.country},
              {69, 0x32, 0, &pending.msrType},
              {126, 0x01, 8, static_cast<std::int16_t*>(nullptr)}}) {
            decode(good, address);
            decode(v, address);
            if (item != 0) {
                EXPECT_EQ(selected(item), -1) << address;
            }
            if (index != nullptr) {
                EXPECT_EQ(*index, -1) << address;
            }
        }

        // The display mode stays as it was.
        decode(0x10, 49);
        decode(v, 49);
        EXPECT_EQ(rig.window.scanCodeDisplayMode, 1);
        decode(0x00, 49);
        decode(v, 49);
        EXPECT_EQ(rig.window.scanCodeDisplayMode, 0);
        EXPECT_EQ(rig.window.frame3Caption[11], "Preamble/Postamble Setting               ");
    }
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST(SelectEntryByCharacter, ComparesWholeEntriesExactly) {
    test::CoreRig rig;
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 20, '$'), 4);
    EXPECT_EQ(rig.window.lstItem[20].listIndex(), 4);
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 20, 'x'), 0);
    EXPECT_EQ(rig.window.lstItem[20].listIndex(), -1);

    // "NO" and "YES" are no single characters; "Y" matches nothing.
    rig.window.lstItem[7].setListIndex(1);
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 7, 'Y'), 0);
    EXPECT_EQ(rig.window.lstItem[7].listIndex(), -1);

    // Item 47's entries are digits.
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 47, '5'), 2);

    // Not an item, or a list without entries: nothing happens.
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 0, '*'), 0);
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 79, '*'), 0);
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 3, '*'), 0);
    EXPECT_EQ(SelectEntryByCharacter(rig.ctx, 19, 0x12A), 0);
    EXPECT_EQ(rig.window.lstItem[19].listIndex(), -1);
}

}  // namespace
}  // namespace tavrin::eeprom
