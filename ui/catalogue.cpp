#include "ui/catalogue.h"

namespace tavrin::ui {

namespace {

constexpr std::array<std::string_view, 1> kKeyboard{"KEYBOARD"};
constexpr std::array<std::string_view, 1> kAt{"AT"};
constexpr std::array<std::string_view, 2> kNoYes{"NO", "YES"};
constexpr std::array<std::string_view, 6> kCountries{"US", "UK", "FRANCE", "GERMANY", "SPAIN", "ITALY"};
constexpr std::array<std::string_view, 6> kMsrTypes{"TK1", "TK2", "TK3", "TK12", "TK23", "TK123"};
constexpr std::array<std::string_view, 2> kScanners{"Trigger", "Auto Detect"};
constexpr std::array<std::string_view, 7> kStartStopCodes{"*", "-", ".", " ", "$", "/", "+"};
constexpr std::array<std::string_view, 3> kDigitCounts{"0", "2", "5"};
constexpr std::span<const std::string_view> kNone{};

const std::array<ItemDef, kItemCount> kItems{{
    {1, "Interface Used", "Common Setting", "MSR Basic", ItemKind::Fixed, kKeyboard, ValueControl::List, false, "common.interface"},
    {2, "Type of Keyboard Output", "Common Setting", "MSR Basic", ItemKind::Fixed, kAt, ValueControl::List, false, "common.output_type"},
    {3, "Time Delay Of Key Storkes (ms)", "Common Setting", "MSR Basic", ItemKind::Number, kNone, ValueControl::List, false, "common.key_delay_ms"},
    {4, "Sound Buzzer When Good Read", "Common Setting", "MSR Basic", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "common.buzzer"},
    {5, "Country Code", "Common Setting", "MSR Basic", ItemKind::Choice, kCountries, ValueControl::Combo1, true, "common.country"},
    {6, "Type Of MSR", "Common Setting", "MSR Basic", ItemKind::Choice, kMsrTypes, ValueControl::Combo2, true, "msr.type"},
    {7, "Use Barcode Reader", "Barcode Setting", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "barcode.enable"},
    {8, "Type Of Scanner", "Barcode Setting", "Barcode/1", ItemKind::Choice, kScanners, ValueControl::Cb, false, "barcode.scanner_type"},
    {9, "Barcode Preamble Characters", "Barcode Setting", "Barcode/1", ItemKind::Sequence, kNone, ValueControl::List, false, "barcode.preamble"},
    {10, "Barcode Postamble Characters", "Barcode Setting", "Barcode/1", ItemKind::Sequence, kNone, ValueControl::List, false, "barcode.postamble"},
    {11, "Send Barcode ID", "Barcode Setting", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "barcode.send_id"},
    {12, "Use Of Auto Off", "Barcode Setting", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "barcode.auto_off"},
    {13, "Enable Code 39", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code39.enable"},
    {14, "Check Digit Verification", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code39.check_digit_verify"},
    {15, "Send Check Digit", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code39.send_check_digit"},
    {16, "Use Full ASCII", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code39.full_ascii"},
    {17, "MAX. Length Of Barcode", "Code 39", "Barcode/1", ItemKind::Number, kNone, ValueControl::List, false, "code39.max_length"},
    {18, "MIN. Length Of Barcode", "Code 39", "Barcode/1", ItemKind::Number, kNone, ValueControl::List, false, "code39.min_length"},
    {19, "Start Code", "Code 39", "Barcode/1", ItemKind::Choice, kStartStopCodes, ValueControl::Combo3, false, "code39.start_code"},
    {20, "Stop Code", "Code 39", "Barcode/1", ItemKind::Choice, kStartStopCodes, ValueControl::Combo4, false, "code39.stop_code"},
    {21, "Enable Code Bar", "Code Bar", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "codabar.enable"},
    {22, "Send Start/Stop Code", "Code Bar", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "codabar.send_start_stop"},
    {23, "Max. Length Of Barcode", "Code Bar", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false, "codabar.max_length"},
    {24, "Min. Length Of Barcode", "Code Bar", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false, "codabar.min_length"},
    {25, "Enable Code MSI", "Code MSI", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "msi.enable"},
    {26, "Send Check Digit", "Code MSI", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "msi.send_check_digit"},
    {27, "Max. Length Of Barcode", "Code MSI", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false, "msi.max_length"},
    {28, "Min. Length Of Barcode", "Code MSI", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false, "msi.min_length"},
    {29, "Enable Code 128", "Code 128", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code128.enable"},
    {30, "Send Check Digit", "Code 128", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code128.send_check_digit"},
    {31, "Max. Length Of Barcode", "Code 128", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false, "code128.max_length"},
    {32, "Min. Length Of Barcode", "Code 128", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false, "code128.min_length"},
    {33, "Enable Interleaved 2/5", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "i2of5.enable"},
    {34, "Check Digit Verification", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "i2of5.check_digit_verify"},
    {35, "Send Check Digit", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "i2of5.send_check_digit"},
    {36, "Max. Length Of Barcode", "Interleaved 2/5", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false, "i2of5.max_length"},
    {37, "Min. Length Of Barcode", "Interleaved 2/5", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false, "i2of5.min_length"},
    {38, "Clear Leading Zero", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "i2of5.clear_leading_zero"},
    {39, "Enable Code 11", "Code 11", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code11.enable"},
    {40, "Check Digit Verification", "Code 11", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code11.check_digit_verify"},
    {41, "Send Check Digit", "Code 11", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "code11.send_check_digit"},
    {42, "Max. Length Of Barcode", "Code 11", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false, "code11.max_length"},
    {43, "Min. Length Of Barcode", "Code 11", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false, "code11.min_length"},
    {44, "Enable UPC-E", "UPC-E", "Barcode/4", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "upce.enable"},
    {45, "Truncate Leading Digits", "UPC-E", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false, "upce.truncate_leading"},
    {46, "Truncate Ending Digits", "UPC-E", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false, "upce.truncate_ending"},
    {47, "Use Supplemental Digits", "UPC-E", "Barcode/4", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false, "upce.supplemental"},
    {48, "Enable UPC-A", "UPC-A", "Barcode/4", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "upca.enable"},
    {49, "Truncate Leading Digits", "UPC-A", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false, "upca.truncate_leading"},
    {50, "Truncate Ending Digits", "UPC-A", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false, "upca.truncate_ending"},
    {51, "Use Supplemental Digits", "UPC-A", "Barcode/4", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false, "upca.supplemental"},
    {52, "Enable EAN-8", "EAN-8", "Barcode/5", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "ean8.enable"},
    {53, "Truncate Leading Digits", "EAN-8", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false, "ean8.truncate_leading"},
    {54, "Truncate Ending Digits", "EAN-8", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false, "ean8.truncate_ending"},
    {55, "Use Supplemental Digits", "EAN-8", "Barcode/5", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false, "ean8.supplemental"},
    {56, "Enable EAN-13", "EAN-13", "Barcode/5", ItemKind::Choice, kNoYes, ValueControl::Cb, false, "ean13.enable"},
    {57, "Truncate Leading Digits", "EAN-13", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false, "ean13.truncate_leading"},
    {58, "Truncate Ending Digits", "EAN-13", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false, "ean13.truncate_ending"},
    {59, "Use Supplemental Digits", "EAN-13", "Barcode/5", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false, "ean13.supplemental"},
    {60, "Enable MSR Function", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.enable"},
    {61, "Send Start/Stop Code", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.send_start_stop"},
    {62, "Enable Track 1 Reader", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.track1.enable"},
    {63, "Enable Track 2 Reader", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.track2.enable"},
    {64, "Enable Track 3 Reader", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.track3.enable"},
    {65, "MSR Preamble Characters", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.preamble"},
    {66, "MSR Postamble Characters", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.postamble"},
    {67, "MSR Preamble Of Track 1", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.track1.preamble"},
    {68, "MSR Preamble Of Track 2", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.track2.preamble"},
    {69, "MSR Preamble Of Track 3", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.track3.preamble"},
    {70, "MSR Postamble Of Track 1", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.track1.postamble"},
    {71, "MSR Postamble Of Track 2", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.track2.postamble"},
    {72, "MSR Postamble Of Track 3", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false, "msr.track3.postamble"},
    {73, "MSR Error Beep", "Error Setting", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.error_beep"},
    {74, "Send If Any Track OK", "Error Setting", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.send_if_any_track_ok"},
    {75, "Beep If Any Track OK", "Error Setting", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.beep_if_any_track_ok"},
    {76, "Track 1 Parity Check", "Parity Check", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.track1.parity_check"},
    {77, "Track 2 Parity Check", "Parity Check", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.track2.parity_check"},
    {78, "Track 3 Parity Check", "Parity Check", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true, "msr.track3.parity_check"},
}};

constexpr std::array<FrameDef, 14> kFrame3{{
    {"Code 39", 13, 20},
    {"Code Bar", 21, 24},
    {"Code MSI", 25, 28},
    {"Code 128", 29, 32},
    {"Interleaved 2/5", 33, 38},
    {"Code 11", 39, 43},
    {"UPC-E", 44, 47},
    {"UPC-A", 48, 51},
    {"EAN-8", 52, 55},
    {"EAN-13", 56, 59},
    {"Msr Common Setting", 60, 64},
    {"Preamble/Postamble Setting", 65, 72},
    {"Error Setting", 73, 75},
    {"Parity Check", 76, 78},
}};

}  // namespace

const ItemDef& item(int n) { return kItems.at(static_cast<std::size_t>(n - 1)); }

std::span<const ItemDef> items() { return kItems; }

int findItem(std::string_view name) {
    if (name == kScanCodeModeKey) {
        return kScanCodeModeItem;
    }
    if (!name.empty() && name.size() <= 2 &&
        name.find_first_not_of("0123456789") == std::string_view::npos) {
        int n = 0;
        for (char c : name) {
            n = n * 10 + (c - '0');
        }
        return n >= 1 && n <= kScanCodeModeItem ? n : 0;
    }
    for (const ItemDef& def : kItems) {
        if (def.key == name) {
            return def.number;
        }
    }
    return 0;
}

std::string valueControlName(int n) {
    if (n < 1 || n > kItemCount) {
        return {};
    }
    switch (item(n).control) {
        case ValueControl::Cb:
            return "cb_" + std::to_string(n);
        case ValueControl::List:
            return {};
        default:
            return "Combo" + std::to_string(static_cast<int>(item(n).control) -
                                            static_cast<int>(ValueControl::Cb));
    }
}

std::span<const FrameDef> frame3Frames() { return kFrame3; }

}  // namespace tavrin::ui
