#include "eeprom/item_write_table.h"

#include <array>

namespace tavrin::eeprom {

namespace {

constexpr ItemWrite none(int item) {
    return {item};
}
constexpr ItemWrite flag(int item, std::int32_t code, int address, int set, int clear) {
    return {item, EncoderKind::Choice, code, ImageRule::FlagBit, address, set, clear};
}
constexpr ItemWrite digit(int item, std::int32_t code, int address, int base) {
    return {item, EncoderKind::Choice, code, ImageRule::ChoiceDigit, address, 0, 0xFF, base};
}
constexpr ItemWrite number(int item, std::int32_t code, int address) {
    return {item, EncoderKind::Number, code, ImageRule::PackedDecimal, address};
}
constexpr ItemWrite sequence(int item, std::int32_t code, int address, int length) {
    return {item, EncoderKind::Sequence, code, ImageRule::Sequence, address, 0, 0xFF, 0x30, length};
}
constexpr ItemWrite character(int item, std::int32_t code, int address) {
    return {item, EncoderKind::ListText, code, ImageRule::Character, address};
}
constexpr ItemWrite count(int item, std::int32_t code, int address) {
    return {item, EncoderKind::ListText, code, ImageRule::Count, address};
}

constexpr std::array<ItemWrite, kLastWriteItem + 1> kTable{{
    none(0),
    none(1),
    none(2),
    number(3, 0x4A, 40),
    flag(4, 0x61, 2, 0x80, 0x7F),
    digit(5, 0x2B, 68, 0x30),
    digit(6, 0x2C, 69, 0x31),
    flag(7, 0x00, 2, 0x01, 0xFE),
    digit(8, 0x1E, 126, 0x30),
    sequence(9, 0x02, 32, 3),
    sequence(10, 0x03, 35, 3),
    flag(11, 0x01, 11, 0x04, 0x0B),
    flag(12, 0x5F, 2, 0x40, 0xBF),
    flag(13, 0x04, 3, 0x01, 0xFE),
    flag(14, 0x05, 5, 0x01, 0x02),
    flag(15, 0x06, 7, 0x01, 0xFE),
    flag(16, 0x07, 11, 0x02, 0x0D),
    number(17, 0x08, 20),
    number(18, 0x09, 24),
    character(19, 0x0A, 9),
    character(20, 0x0B, 10),
    flag(21, 0x0C, 3, 0x04, 0xFB),
    flag(22, 0x0D, 11, 0x01, 0x0E),
    number(23, 0x0E, 22),
    number(24, 0x0F, 26),
    flag(25, 0x50, 4, 0x01, 0x02),
    flag(26, 0x51, 8, 0x01, 0x02),
    number(27, 0x52, 12),
    number(28, 0x53, 13),
    flag(29, 0x1A, 3, 0x80, 0x7F),
    flag(30, 0x1B, 7, 0x80, 0x7F),
    number(31, 0x1C, 23),
    number(32, 0x1D, 27),
    flag(33, 0x12, 3, 0x02, 0xFD),
    flag(34, 0x13, 5, 0x02, 0x01),
    flag(35, 0x14, 7, 0x02, 0xFD),
    number(36, 0x15, 21),
    number(37, 0x16, 25),
    flag(38, 0x19, 11, 0x08, 0x07),
    flag(39, 0x55, 4, 0x02, 0x01),
    flag(40, 0x56, 6, 0x02, 0x01),
    flag(41, 0x57, 8, 0x02, 0x01),
    number(42, 0x58, 14),
    number(43, 0x59, 15),
    flag(44, 0x20, 3, 0x08, 0xF7),
    number(45, 0x21, 28),
    number(46, 0x10, 29),
    count(47, 0x22, 16),
    flag(48, 0x23, 3, 0x10, 0xEF),
    number(49, 0x24, 30),
    number(50, 0x11, 31),
    count(51, 0x25, 17),
    flag(52, 0x26, 3, 0x20, 0xDF),
    number(53, 0x1F, 122),
    number(54, 0x17, 123),
    count(55, 0x27, 18),
    flag(56, 0x28, 3, 0x40, 0xBF),
    number(57, 0x29, 124),
    number(58, 0x18, 125),
    count(59, 0x2A, 19),
    flag(60, 0x3E, 2, 0x04, 0xFB),
    flag(61, 0x3F, 49, 0x08, 0x17),
    flag(62, 0x40, 49, 0x01, 0x1E),
    flag(63, 0x41, 49, 0x02, 0x1D),
    flag(64, 0x42, 49, 0x04, 0x1B),
    sequence(65, 0x2E, 50, 3),
    sequence(66, 0x2F, 53, 3),
    sequence(67, 0x43, 71, 8),
    sequence(68, 0x44, 79, 8),
    sequence(69, 0x45, 87, 8),
    sequence(70, 0x46, 95, 8),
    sequence(71, 0x47, 103, 8),
    sequence(72, 0x48, 111, 8),
    flag(73, 0x2D, 70, 0x01, 0x3E),
    flag(74, 0x34, 70, 0x20, 0x1F),
    flag(75, 0x33, 70, 0x10, 0x2F),
    flag(76, 0x30, 70, 0x02, 0x3D),
    flag(77, 0x31, 70, 0x04, 0x3B),
    flag(78, 0x32, 70, 0x08, 0x37),
    {79, EncoderKind::ScanCodeMode, kScanCodeModeCode, ImageRule::ModeBit, kModeAddress, 0x10,
     0x0F},
}};

constexpr bool rowsInItemOrder() {
    for (std::size_t n = 0; n < kTable.size(); ++n) {
        if (kTable[n].item != static_cast<int>(n)) {
            return false;
        }
    }
    return true;
}
static_assert(rowsInItemOrder(), "row n of the item write table must be item n");

const ItemWrite kNoWrite{};

}  // namespace

const ItemWrite& itemWrite(int item) {
    if (item < 0 || item > kLastWriteItem) {
        return kNoWrite;
    }
    return kTable[static_cast<std::size_t>(item)];
}

int itemBits(int address) {
    int bits = 0;
    for (const ItemWrite& row : kTable) {
        switch (row.rule) {
            case ImageRule::None:
                break;
            case ImageRule::FlagBit:
            case ImageRule::ModeBit:
                if (row.address == address) {
                    bits |= row.setMask | (~row.clearMask & 0xFF);
                }
                break;
            case ImageRule::Sequence:
                if (address >= row.address && address < row.address + row.fieldLength) {
                    bits = 0xFF;
                }
                break;
            default:
                if (row.address == address) {
                    bits = 0xFF;
                }
                break;
        }
    }
    return bits;
}

std::vector<ItemField> itemFields(int item) {
    const ItemWrite& row = itemWrite(item);
    switch (row.rule) {
        case ImageRule::None:
            return {};
        case ImageRule::FlagBit:
        case ImageRule::ModeBit:
            return {{row.address, row.setMask}};
        case ImageRule::Sequence: {
            std::vector<ItemField> fields;
            for (int i = 0; i < row.fieldLength; ++i) {
                fields.push_back({row.address + i, 0xFF});
            }
            return fields;
        }
        default:
            return {{row.address, 0xFF}};
    }
}

int valueBits(int address) {
    int bits = 0;
    for (int item = 0; item <= kLastWriteItem; ++item) {
        for (const ItemField& field : itemFields(item)) {
            if (field.address == address) {
                bits |= field.mask;
            }
        }
    }
    return bits;
}

}  // namespace tavrin::eeprom
