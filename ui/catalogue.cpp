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
    {1, "Interface Used", "Common Setting", "MSR Basic", ItemKind::Fixed, kKeyboard, ValueControl::List, false},
    {2, "Type of Keyboard Output", "Common Setting", "MSR Basic", ItemKind::Fixed, kAt, ValueControl::List, false},
    {3, "Time Delay Of Key Storkes (ms)", "Common Setting", "MSR Basic", ItemKind::Number, kNone, ValueControl::List, false},
    {4, "Sound Buzzer When Good Read", "Common Setting", "MSR Basic", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {5, "Country Code", "Common Setting", "MSR Basic", ItemKind::Choice, kCountries, ValueControl::Combo1, true},
    {6, "Type Of MSR", "Common Setting", "MSR Basic", ItemKind::Choice, kMsrTypes, ValueControl::Combo2, true},
    {7, "Use Barcode Reader", "Barcode Setting", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {8, "Type Of Scanner", "Barcode Setting", "Barcode/1", ItemKind::Choice, kScanners, ValueControl::Cb, false},
    {9, "Barcode Preamble Characters", "Barcode Setting", "Barcode/1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {10, "Barcode Postamble Characters", "Barcode Setting", "Barcode/1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {11, "Send Barcode ID", "Barcode Setting", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {12, "Use Of Auto Off", "Barcode Setting", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {13, "Enable Code 39", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {14, "Check Digit Verification", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {15, "Send Check Digit", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {16, "Use Full ASCII", "Code 39", "Barcode/1", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {17, "MAX. Length Of Barcode", "Code 39", "Barcode/1", ItemKind::Number, kNone, ValueControl::List, false},
    {18, "MIN. Length Of Barcode", "Code 39", "Barcode/1", ItemKind::Number, kNone, ValueControl::List, false},
    {19, "Start Code", "Code 39", "Barcode/1", ItemKind::Choice, kStartStopCodes, ValueControl::Combo3, false},
    {20, "Stop Code", "Code 39", "Barcode/1", ItemKind::Choice, kStartStopCodes, ValueControl::Combo4, false},
    {21, "Enable Code Bar", "Code Bar", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {22, "Send Start/Stop Code", "Code Bar", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {23, "Max. Length Of Barcode", "Code Bar", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false},
    {24, "Min. Length Of Barcode", "Code Bar", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false},
    {25, "Enable Code MSI", "Code MSI", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {26, "Send Check Digit", "Code MSI", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {27, "Max. Length Of Barcode", "Code MSI", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false},
    {28, "Min. Length Of Barcode", "Code MSI", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false},
    {29, "Enable Code 128", "Code 128", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {30, "Send Check Digit", "Code 128", "Barcode/2", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {31, "Max. Length Of Barcode", "Code 128", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false},
    {32, "Min. Length Of Barcode", "Code 128", "Barcode/2", ItemKind::Number, kNone, ValueControl::List, false},
    {33, "Enable Interleaved 2/5", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {34, "Check Digit Verification", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {35, "Send Check Digit", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {36, "Max. Length Of Barcode", "Interleaved 2/5", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false},
    {37, "Min. Length Of Barcode", "Interleaved 2/5", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false},
    {38, "Clear Leading Zero", "Interleaved 2/5", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {39, "Enable Code 11", "Code 11", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {40, "Check Digit Verification", "Code 11", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {41, "Send Check Digit", "Code 11", "Barcode/3", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {42, "Max. Length Of Barcode", "Code 11", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false},
    {43, "Min. Length Of Barcode", "Code 11", "Barcode/3", ItemKind::Number, kNone, ValueControl::List, false},
    {44, "Enable UPC-E", "UPC-E", "Barcode/4", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {45, "Truncate Leading Digits", "UPC-E", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false},
    {46, "Truncate Ending Digits", "UPC-E", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false},
    {47, "Use Supplemental Digits", "UPC-E", "Barcode/4", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false},
    {48, "Enable UPC-A", "UPC-A", "Barcode/4", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {49, "Truncate Leading Digits", "UPC-A", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false},
    {50, "Truncate Ending Digits", "UPC-A", "Barcode/4", ItemKind::Number, kNone, ValueControl::List, false},
    {51, "Use Supplemental Digits", "UPC-A", "Barcode/4", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false},
    {52, "Enable EAN-8", "EAN-8", "Barcode/5", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {53, "Truncate Leading Digits", "EAN-8", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false},
    {54, "Truncate Ending Digits", "EAN-8", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false},
    {55, "Use Supplemental Digits", "EAN-8", "Barcode/5", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false},
    {56, "Enable EAN-13", "EAN-13", "Barcode/5", ItemKind::Choice, kNoYes, ValueControl::Cb, false},
    {57, "Truncate Leading Digits", "EAN-13", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false},
    {58, "Truncate Ending Digits", "EAN-13", "Barcode/5", ItemKind::Number, kNone, ValueControl::List, false},
    {59, "Use Supplemental Digits", "EAN-13", "Barcode/5", ItemKind::Choice, kDigitCounts, ValueControl::Cb, false},
    {60, "Enable MSR Function", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {61, "Send Start/Stop Code", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {62, "Enable Track 1 Reader", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {63, "Enable Track 2 Reader", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {64, "Enable Track 3 Reader", "Msr Common Setting", "MSR /1", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {65, "MSR Preamble Characters", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {66, "MSR Postamble Characters", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {67, "MSR Preamble Of Track 1", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {68, "MSR Preamble Of Track 2", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {69, "MSR Preamble Of Track 3", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {70, "MSR Postamble Of Track 1", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {71, "MSR Postamble Of Track 2", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {72, "MSR Postamble Of Track 3", "Preamble/Postamble Setting", "MSR /1", ItemKind::Sequence, kNone, ValueControl::List, false},
    {73, "MSR Error Beep", "Error Setting", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {74, "Send If Any Track OK", "Error Setting", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {75, "Beep If Any Track OK", "Error Setting", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {76, "Track 1 Parity Check", "Parity Check", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {77, "Track 2 Parity Check", "Parity Check", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
    {78, "Track 3 Parity Check", "Parity Check", "MSR/ 2", ItemKind::Choice, kNoYes, ValueControl::Cb, true},
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

std::span<const FrameDef> frame3Frames() { return kFrame3; }

}  // namespace tavrin::ui
