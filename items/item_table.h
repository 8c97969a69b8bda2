#pragma once
// Every item of the keyboard, one row each: how the window shows it, how
// its value goes to the keyboard and where the EEPROM image keeps it. The
// catalogue, the encoders, the map and the display all read this table.

#include <array>
#include <span>
#include <string_view>

namespace tavrin::ui {

enum class ItemKind { Fixed, Choice, Number, Sequence };

// Which control shows an item's current value.
enum class ValueControl { List, Cb, Combo1, Combo2, Combo3, Combo4 };

// How an item's value sits in the image and reaches the keyboard. The
// encoding decides the encoder, the image rule and the decoding of a read.
enum class Encoding {
    None,        // fixed: no field, no frame
    Flag,        // one bit, 1 = "YES"; the frame sends '0' or '1'
    Country,     // the entry's digit '0'..'5'; read from the low nibble
    MsrType,     // the entry's digit plus one, '1'..'6'
    Scanner,     // '0' or '1'; any low nibble but 0 reads as entry 1
    Bcd,         // a number, two decimal digits in one byte
    Character,   // a choice of one character, kept as its code
    DigitCount,  // a choice of 0, 2 or 5 supplemental digits, kept as the count
    Sequence,    // a preamble or postamble: fieldLength bytes, zero padded
    ModeBit,     // the scan-code display mode
};

// The item's setting code and its place in the image.
struct ItemStore {
    Encoding encoding = Encoding::None;
    int code = 0;          // the first data byte of the item's frame
    int address = 0;       // the value's (first) image byte
    int setMask = 0;       // Flag, ModeBit: the bit "YES" sets
    int clearMask = 0xFF;  // Flag, ModeBit: what "NO" keeps (spare bits may go too)
    int fieldLength = 0;   // Sequence: image bytes, and the characters it takes
    int scanCodes = 0;     // Sequence: the scan codes it takes in that mode; 0 = characters only
};

constexpr ItemKind kindOf(Encoding e) {
    switch (e) {
        case Encoding::None:
            return ItemKind::Fixed;
        case Encoding::Bcd:
            return ItemKind::Number;
        case Encoding::Sequence:
            return ItemKind::Sequence;
        default:
            return ItemKind::Choice;
    }
}

// Choice frames send the entry as an ASCII digit; the MSR type counts from 1.
constexpr int digitBase(Encoding e) {
    return e == Encoding::MsrType ? 0x31 : 0x30;
}
// The choices whose image byte is that digit too.
constexpr bool isDigitChoice(Encoding e) {
    return e == Encoding::Country || e == Encoding::MsrType || e == Encoding::Scanner;
}

struct ItemDef {
    int number = 0;
    // Names the item in profiles and on the command line. Captions repeat
    // (five items are "Send Check Digit"), so each item has a key of its
    // own: lower case, unique, and never changed once released.
    std::string_view key;
    std::string_view caption;
    std::string_view group;                     // the frame's caption
    std::string_view tab;                       // "MSR Basic", "MSR /1", "MSR/ 2" or a barcode tab
    std::span<const std::string_view> choices;  // empty for number and sequence items
    ValueControl control = ValueControl::List;
    bool listHidden = false;  // lstItem hidden under its combo box
    ItemStore store;
    ItemKind kind = kindOf(store.encoding);
};

inline constexpr std::string_view kScanCodeModeKey = "mode";

namespace table {

inline constexpr std::array<std::string_view, 1> kKeyboard{"KEYBOARD"};
inline constexpr std::array<std::string_view, 1> kAt{"AT"};
inline constexpr std::array<std::string_view, 2> kNoYes{"NO", "YES"};
inline constexpr std::array<std::string_view, 6> kCountries{"US",      "UK",    "FRANCE",
                                                            "GERMANY", "SPAIN", "ITALY"};
inline constexpr std::array<std::string_view, 6> kMsrTypes{"TK1",  "TK2",  "TK3",
                                                           "TK12", "TK23", "TK123"};
inline constexpr std::array<std::string_view, 2> kScanners{"Trigger", "Auto Detect"};
inline constexpr std::array<std::string_view, 7> kStartStopCodes{"*", "-", ".", " ", "$", "/", "+"};
inline constexpr std::array<std::string_view, 3> kDigitCounts{"0", "2", "5"};
inline constexpr std::span<const std::string_view> kNone{};

inline constexpr ItemStore kNoField{};
constexpr ItemStore flag(int code, int address, int set, int clear) {
    return {Encoding::Flag, code, address, set, clear};
}
constexpr ItemStore number(int code, int address) {
    return {Encoding::Bcd, code, address};
}
constexpr ItemStore byteChoice(Encoding encoding, int code, int address) {
    return {encoding, code, address};
}
constexpr ItemStore sequence(int code, int address, int length, int scanCodes) {
    return {Encoding::Sequence, code, address, 0, 0xFF, length, scanCodes};
}

inline constexpr ValueControl List = ValueControl::List, Cb = ValueControl::Cb,
                              Combo1 = ValueControl::Combo1, Combo2 = ValueControl::Combo2,
                              Combo3 = ValueControl::Combo3, Combo4 = ValueControl::Combo4;
inline constexpr bool kUnder = true, kBeside = false;

// Row n - 1 is item n; the last row is the scan-code display mode, which
// the whole-image write sends after every item.
// clang-format off
inline constexpr std::array kRows = std::to_array<ItemDef>({
    {1, "common.interface", "Interface Used", "Common Setting", "MSR Basic", kKeyboard, List, kBeside, kNoField},
    {2, "common.output_type", "Type of Keyboard Output", "Common Setting", "MSR Basic", kAt, List, kBeside, kNoField},
    {3, "common.key_delay_ms", "Time Delay Of Key Storkes (ms)", "Common Setting", "MSR Basic", kNone, List, kBeside, number(0x4A, 40)},
    {4, "common.buzzer", "Sound Buzzer When Good Read", "Common Setting", "MSR Basic", kNoYes, Cb, kUnder, flag(0x61, 2, 0x80, 0x7F)},
    {5, "common.country", "Country Code", "Common Setting", "MSR Basic", kCountries, Combo1, kUnder, byteChoice(Encoding::Country, 0x2B, 68)},
    {6, "msr.type", "Type Of MSR", "Common Setting", "MSR Basic", kMsrTypes, Combo2, kUnder, byteChoice(Encoding::MsrType, 0x2C, 69)},
    {7, "barcode.enable", "Use Barcode Reader", "Barcode Setting", "Barcode/1", kNoYes, Cb, kBeside, flag(0x00, 2, 0x01, 0xFE)},
    {8, "barcode.scanner_type", "Type Of Scanner", "Barcode Setting", "Barcode/1", kScanners, Cb, kBeside, byteChoice(Encoding::Scanner, 0x1E, 126)},
    {9, "barcode.preamble", "Barcode Preamble Characters", "Barcode Setting", "Barcode/1", kNone, List, kBeside, sequence(0x02, 32, 3, 0)},
    {10, "barcode.postamble", "Barcode Postamble Characters", "Barcode Setting", "Barcode/1", kNone, List, kBeside, sequence(0x03, 35, 3, 0)},
    {11, "barcode.send_id", "Send Barcode ID", "Barcode Setting", "Barcode/1", kNoYes, Cb, kBeside, flag(0x01, 11, 0x04, 0x0B)},
    {12, "barcode.auto_off", "Use Of Auto Off", "Barcode Setting", "Barcode/1", kNoYes, Cb, kBeside, flag(0x5F, 2, 0x40, 0xBF)},
    {13, "code39.enable", "Enable Code 39", "Code 39", "Barcode/1", kNoYes, Cb, kBeside, flag(0x04, 3, 0x01, 0xFE)},
    {14, "code39.check_digit_verify", "Check Digit Verification", "Code 39", "Barcode/1", kNoYes, Cb, kBeside, flag(0x05, 5, 0x01, 0x02)},
    {15, "code39.send_check_digit", "Send Check Digit", "Code 39", "Barcode/1", kNoYes, Cb, kBeside, flag(0x06, 7, 0x01, 0xFE)},
    {16, "code39.full_ascii", "Use Full ASCII", "Code 39", "Barcode/1", kNoYes, Cb, kBeside, flag(0x07, 11, 0x02, 0x0D)},
    {17, "code39.max_length", "MAX. Length Of Barcode", "Code 39", "Barcode/1", kNone, List, kBeside, number(0x08, 20)},
    {18, "code39.min_length", "MIN. Length Of Barcode", "Code 39", "Barcode/1", kNone, List, kBeside, number(0x09, 24)},
    {19, "code39.start_code", "Start Code", "Code 39", "Barcode/1", kStartStopCodes, Combo3, kBeside, byteChoice(Encoding::Character, 0x0A, 9)},
    {20, "code39.stop_code", "Stop Code", "Code 39", "Barcode/1", kStartStopCodes, Combo4, kBeside, byteChoice(Encoding::Character, 0x0B, 10)},
    {21, "codabar.enable", "Enable Code Bar", "Code Bar", "Barcode/2", kNoYes, Cb, kBeside, flag(0x0C, 3, 0x04, 0xFB)},
    {22, "codabar.send_start_stop", "Send Start/Stop Code", "Code Bar", "Barcode/2", kNoYes, Cb, kBeside, flag(0x0D, 11, 0x01, 0x0E)},
    {23, "codabar.max_length", "Max. Length Of Barcode", "Code Bar", "Barcode/2", kNone, List, kBeside, number(0x0E, 22)},
    {24, "codabar.min_length", "Min. Length Of Barcode", "Code Bar", "Barcode/2", kNone, List, kBeside, number(0x0F, 26)},
    {25, "msi.enable", "Enable Code MSI", "Code MSI", "Barcode/2", kNoYes, Cb, kBeside, flag(0x50, 4, 0x01, 0x02)},
    {26, "msi.send_check_digit", "Send Check Digit", "Code MSI", "Barcode/2", kNoYes, Cb, kBeside, flag(0x51, 8, 0x01, 0x02)},
    {27, "msi.max_length", "Max. Length Of Barcode", "Code MSI", "Barcode/2", kNone, List, kBeside, number(0x52, 12)},
    {28, "msi.min_length", "Min. Length Of Barcode", "Code MSI", "Barcode/2", kNone, List, kBeside, number(0x53, 13)},
    {29, "code128.enable", "Enable Code 128", "Code 128", "Barcode/2", kNoYes, Cb, kBeside, flag(0x1A, 3, 0x80, 0x7F)},
    {30, "code128.send_check_digit", "Send Check Digit", "Code 128", "Barcode/2", kNoYes, Cb, kBeside, flag(0x1B, 7, 0x80, 0x7F)},
    {31, "code128.max_length", "Max. Length Of Barcode", "Code 128", "Barcode/2", kNone, List, kBeside, number(0x1C, 23)},
    {32, "code128.min_length", "Min. Length Of Barcode", "Code 128", "Barcode/2", kNone, List, kBeside, number(0x1D, 27)},
    {33, "i2of5.enable", "Enable Interleaved 2/5", "Interleaved 2/5", "Barcode/3", kNoYes, Cb, kBeside, flag(0x12, 3, 0x02, 0xFD)},
    {34, "i2of5.check_digit_verify", "Check Digit Verification", "Interleaved 2/5", "Barcode/3", kNoYes, Cb, kBeside, flag(0x13, 5, 0x02, 0x01)},
    {35, "i2of5.send_check_digit", "Send Check Digit", "Interleaved 2/5", "Barcode/3", kNoYes, Cb, kBeside, flag(0x14, 7, 0x02, 0xFD)},
    {36, "i2of5.max_length", "Max. Length Of Barcode", "Interleaved 2/5", "Barcode/3", kNone, List, kBeside, number(0x15, 21)},
    {37, "i2of5.min_length", "Min. Length Of Barcode", "Interleaved 2/5", "Barcode/3", kNone, List, kBeside, number(0x16, 25)},
    {38, "i2of5.clear_leading_zero", "Clear Leading Zero", "Interleaved 2/5", "Barcode/3", kNoYes, Cb, kBeside, flag(0x19, 11, 0x08, 0x07)},
    {39, "code11.enable", "Enable Code 11", "Code 11", "Barcode/3", kNoYes, Cb, kBeside, flag(0x55, 4, 0x02, 0x01)},
    {40, "code11.check_digit_verify", "Check Digit Verification", "Code 11", "Barcode/3", kNoYes, Cb, kBeside, flag(0x56, 6, 0x02, 0x01)},
    {41, "code11.send_check_digit", "Send Check Digit", "Code 11", "Barcode/3", kNoYes, Cb, kBeside, flag(0x57, 8, 0x02, 0x01)},
    {42, "code11.max_length", "Max. Length Of Barcode", "Code 11", "Barcode/3", kNone, List, kBeside, number(0x58, 14)},
    {43, "code11.min_length", "Min. Length Of Barcode", "Code 11", "Barcode/3", kNone, List, kBeside, number(0x59, 15)},
    {44, "upce.enable", "Enable UPC-E", "UPC-E", "Barcode/4", kNoYes, Cb, kBeside, flag(0x20, 3, 0x08, 0xF7)},
    {45, "upce.truncate_leading", "Truncate Leading Digits", "UPC-E", "Barcode/4", kNone, List, kBeside, number(0x21, 28)},
    {46, "upce.truncate_ending", "Truncate Ending Digits", "UPC-E", "Barcode/4", kNone, List, kBeside, number(0x10, 29)},
    {47, "upce.supplemental", "Use Supplemental Digits", "UPC-E", "Barcode/4", kDigitCounts, Cb, kBeside, byteChoice(Encoding::DigitCount, 0x22, 16)},
    {48, "upca.enable", "Enable UPC-A", "UPC-A", "Barcode/4", kNoYes, Cb, kBeside, flag(0x23, 3, 0x10, 0xEF)},
    {49, "upca.truncate_leading", "Truncate Leading Digits", "UPC-A", "Barcode/4", kNone, List, kBeside, number(0x24, 30)},
    {50, "upca.truncate_ending", "Truncate Ending Digits", "UPC-A", "Barcode/4", kNone, List, kBeside, number(0x11, 31)},
    {51, "upca.supplemental", "Use Supplemental Digits", "UPC-A", "Barcode/4", kDigitCounts, Cb, kBeside, byteChoice(Encoding::DigitCount, 0x25, 17)},
    {52, "ean8.enable", "Enable EAN-8", "EAN-8", "Barcode/5", kNoYes, Cb, kBeside, flag(0x26, 3, 0x20, 0xDF)},
    {53, "ean8.truncate_leading", "Truncate Leading Digits", "EAN-8", "Barcode/5", kNone, List, kBeside, number(0x1F, 122)},
    {54, "ean8.truncate_ending", "Truncate Ending Digits", "EAN-8", "Barcode/5", kNone, List, kBeside, number(0x17, 123)},
    {55, "ean8.supplemental", "Use Supplemental Digits", "EAN-8", "Barcode/5", kDigitCounts, Cb, kBeside, byteChoice(Encoding::DigitCount, 0x27, 18)},
    {56, "ean13.enable", "Enable EAN-13", "EAN-13", "Barcode/5", kNoYes, Cb, kBeside, flag(0x28, 3, 0x40, 0xBF)},
    {57, "ean13.truncate_leading", "Truncate Leading Digits", "EAN-13", "Barcode/5", kNone, List, kBeside, number(0x29, 124)},
    {58, "ean13.truncate_ending", "Truncate Ending Digits", "EAN-13", "Barcode/5", kNone, List, kBeside, number(0x18, 125)},
    {59, "ean13.supplemental", "Use Supplemental Digits", "EAN-13", "Barcode/5", kDigitCounts, Cb, kBeside, byteChoice(Encoding::DigitCount, 0x2A, 19)},
    {60, "msr.enable", "Enable MSR Function", "Msr Common Setting", "MSR /1", kNoYes, Cb, kUnder, flag(0x3E, 2, 0x04, 0xFB)},
    {61, "msr.send_start_stop", "Send Start/Stop Code", "Msr Common Setting", "MSR /1", kNoYes, Cb, kUnder, flag(0x3F, 49, 0x08, 0x17)},
    {62, "msr.track1.enable", "Enable Track 1 Reader", "Msr Common Setting", "MSR /1", kNoYes, Cb, kUnder, flag(0x40, 49, 0x01, 0x1E)},
    {63, "msr.track2.enable", "Enable Track 2 Reader", "Msr Common Setting", "MSR /1", kNoYes, Cb, kUnder, flag(0x41, 49, 0x02, 0x1D)},
    {64, "msr.track3.enable", "Enable Track 3 Reader", "Msr Common Setting", "MSR /1", kNoYes, Cb, kUnder, flag(0x42, 49, 0x04, 0x1B)},
    {65, "msr.preamble", "MSR Preamble Characters", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x2E, 50, 3, 6)},
    {66, "msr.postamble", "MSR Postamble Characters", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x2F, 53, 3, 6)},
    {67, "msr.track1.preamble", "MSR Preamble Of Track 1", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x43, 71, 8, 8)},
    {68, "msr.track2.preamble", "MSR Preamble Of Track 2", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x44, 79, 8, 8)},
    {69, "msr.track3.preamble", "MSR Preamble Of Track 3", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x45, 87, 8, 8)},
    {70, "msr.track1.postamble", "MSR Postamble Of Track 1", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x46, 95, 8, 8)},
    {71, "msr.track2.postamble", "MSR Postamble Of Track 2", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x47, 103, 8, 8)},
    {72, "msr.track3.postamble", "MSR Postamble Of Track 3", "Preamble/Postamble Setting", "MSR /1", kNone, List, kBeside, sequence(0x48, 111, 8, 8)},
    {73, "msr.error_beep", "MSR Error Beep", "Error Setting", "MSR/ 2", kNoYes, Cb, kUnder, flag(0x2D, 70, 0x01, 0x3E)},
    {74, "msr.send_if_any_track_ok", "Send If Any Track OK", "Error Setting", "MSR/ 2", kNoYes, Cb, kUnder, flag(0x34, 70, 0x20, 0x1F)},
    {75, "msr.beep_if_any_track_ok", "Beep If Any Track OK", "Error Setting", "MSR/ 2", kNoYes, Cb, kUnder, flag(0x33, 70, 0x10, 0x2F)},
    {76, "msr.track1.parity_check", "Track 1 Parity Check", "Parity Check", "MSR/ 2", kNoYes, Cb, kUnder, flag(0x30, 70, 0x02, 0x3D)},
    {77, "msr.track2.parity_check", "Track 2 Parity Check", "Parity Check", "MSR/ 2", kNoYes, Cb, kUnder, flag(0x31, 70, 0x04, 0x3B)},
    {78, "msr.track3.parity_check", "Track 3 Parity Check", "Parity Check", "MSR/ 2", kNoYes, Cb, kUnder, flag(0x32, 70, 0x08, 0x37)},
    {79, kScanCodeModeKey, "", "", "", kNoYes, List, kBeside, {Encoding::ModeBit, 0x5D, 49, 0x10, 0x0F}},
});
// clang-format on

// Image bytes that hold no item's value, and why.
struct UnusedBytes {
    int first;
    int last;
    std::string_view reason;
};
inline constexpr std::array<UnusedBytes, 6> kUnused{{
    {0, 1, "the image signature, 55 AA"},
    {38, 39, "not shown"},
    {41, 48, "not shown"},
    {56, 67, "not shown"},
    {119, 121, "not shown"},
    {127, 127, "not shown"},
}};

}  // namespace table

inline constexpr int kItemCount = static_cast<int>(table::kRows.size()) - 1;
inline constexpr int kScanCodeModeItem = kItemCount + 1;  // the dispatch's number for the mode
static_assert(table::kRows.back().store.encoding == Encoding::ModeBit);

constexpr std::span<const ItemDef> itemTable() {
    return table::kRows;
}

}  // namespace tavrin::ui
