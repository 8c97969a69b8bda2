#pragma once
// Which encoder writes each item, its setting code, and the image bytes the
// same value occupies. One table for the encoders and the dispatch.

#include <cstdint>
#include <vector>

namespace tavrin::eeprom {

enum class EncoderKind { None, Number, Choice, Sequence, ListText, ScanCodeMode };

// What an image-only write does to the item's byte(s).
enum class ImageRule {
    None,
    FlagBit,        // entry 1: OR setMask, any other entry: AND clearMask
    ChoiceDigit,    // byte := digitBase + entry
    PackedDecimal,  // byte := the digits read as hexadecimal ("25" -> 0x25)
    Character,      // byte := code of the text's first character
    Count,          // byte := the number in the text
    Sequence,       // fieldLength bytes from address
    ModeBit,        // on: OR setMask, off: AND clearMask
};

struct ItemWrite {
    int item = 0;
    EncoderKind kind = EncoderKind::None;
    std::int32_t code = 0;  // first data byte of the frame
    ImageRule rule = ImageRule::None;
    int address = 0;  // the value's (first) image byte
    int setMask = 0;
    int clearMask = 0xFF;
    int digitBase = 0x30;  // choice frames send digitBase + entry
    int fieldLength = 0;   // sequence field bytes in the image
};

inline constexpr int kFirstWriteItem = 3;
inline constexpr int kLastWriteItem = 79;

// The row of item n, or a row of kind None for items without a write.
const ItemWrite& itemWrite(int item);

// The bits of image address a that some item's value is written to; a
// difference outside them is one no item shows.
int itemBits(int address);

// Image bits that hold an item's value as a write stores it: a flag's own
// bit, every bit of a byte value, each byte of a sequence field. A flag
// written "NO" also clears spare bits of its byte, but which ones depends
// on the order of the writes, so those belong to no item.
struct ItemField {
    int address = 0;
    int mask = 0;
};
// Item 79 is the scan-code mode; empty for items no write reaches.
std::vector<ItemField> itemFields(int item);
// The union over every item of the bits it holds at address.
int valueBits(int address);

// Scan-code mode frames: code 0x5D, then 0x31 (on) or 0x30 (off).
inline constexpr std::int32_t kScanCodeModeCode = 0x5D;
inline constexpr int kModeAddress = 49;

}  // namespace tavrin::eeprom
