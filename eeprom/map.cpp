#include "eeprom/map.h"

#include <algorithm>
#include <array>
#include <string>

#include "eeprom/image.h"
#include "ui/catalogue.h"

namespace tavrin::eeprom {

namespace {

enum class Field {
    Signature,   // param: the value the byte must hold
    Flag,        // param: the bit mask; 1 = "YES"
    Bcd,         // two decimal digits, tens in the high nibble
    DigitCount,  // supplemental digits 0, 2 or 5 in the low nibble
    StartCode,   // a character, matched against the choices
    StopCode,
    Country,  // low nibble = entry index
    MsrType,  // low nibble = entry index + 1
    Scanner,  // low nibble 0 = "Trigger", else "Auto Detect"
    ModeBit,  // param: the bit mask of the scan-code display mode
};

struct FieldRule {
    int address;
    Field field;
    int item;
    int param;
};

// One row per field, in address order and, within a byte, in the order its
// items are set.
constexpr std::array kMap{
    FieldRule{0, Field::Signature, 0, kSignature0},
    FieldRule{1, Field::Signature, 0, kSignature1},
    FieldRule{2, Field::Flag, 7, 0x01},
    FieldRule{2, Field::Flag, 60, 0x04},
    FieldRule{2, Field::Flag, 12, 0x40},
    FieldRule{2, Field::Flag, 4, 0x80},
    FieldRule{3, Field::Flag, 13, 0x01},
    FieldRule{3, Field::Flag, 33, 0x02},
    FieldRule{3, Field::Flag, 21, 0x04},
    FieldRule{3, Field::Flag, 44, 0x08},
    FieldRule{3, Field::Flag, 48, 0x10},
    FieldRule{3, Field::Flag, 52, 0x20},
    FieldRule{3, Field::Flag, 56, 0x40},
    FieldRule{3, Field::Flag, 29, 0x80},
    FieldRule{4, Field::Flag, 25, 0x01},
    FieldRule{4, Field::Flag, 39, 0x02},
    FieldRule{5, Field::Flag, 14, 0x01},
    FieldRule{5, Field::Flag, 34, 0x02},
    FieldRule{6, Field::Flag, 40, 0x02},
    FieldRule{7, Field::Flag, 15, 0x01},
    FieldRule{7, Field::Flag, 35, 0x02},
    FieldRule{7, Field::Flag, 30, 0x80},
    FieldRule{8, Field::Flag, 26, 0x01},
    FieldRule{8, Field::Flag, 41, 0x02},
    FieldRule{9, Field::StartCode, 19, 0},
    FieldRule{10, Field::StopCode, 20, 0},
    FieldRule{11, Field::Flag, 22, 0x01},
    FieldRule{11, Field::Flag, 16, 0x02},
    FieldRule{11, Field::Flag, 11, 0x04},
    FieldRule{11, Field::Flag, 38, 0x08},
    FieldRule{12, Field::Bcd, 27, 0},
    FieldRule{13, Field::Bcd, 28, 0},
    FieldRule{14, Field::Bcd, 42, 0},
    FieldRule{15, Field::Bcd, 43, 0},
    FieldRule{16, Field::DigitCount, 47, 0},
    FieldRule{17, Field::DigitCount, 51, 0},
    FieldRule{18, Field::DigitCount, 55, 0},
    FieldRule{19, Field::DigitCount, 59, 0},
    FieldRule{20, Field::Bcd, 17, 0},
    FieldRule{21, Field::Bcd, 36, 0},
    FieldRule{22, Field::Bcd, 23, 0},
    FieldRule{23, Field::Bcd, 31, 0},
    FieldRule{24, Field::Bcd, 18, 0},
    FieldRule{25, Field::Bcd, 37, 0},
    FieldRule{26, Field::Bcd, 24, 0},
    FieldRule{27, Field::Bcd, 32, 0},
    FieldRule{28, Field::Bcd, 45, 0},
    FieldRule{29, Field::Bcd, 46, 0},
    FieldRule{30, Field::Bcd, 49, 0},
    FieldRule{31, Field::Bcd, 50, 0},
    FieldRule{40, Field::Bcd, 3, 0},
    FieldRule{49, Field::Flag, 62, 0x01},
    FieldRule{49, Field::Flag, 63, 0x02},
    FieldRule{49, Field::Flag, 64, 0x04},
    FieldRule{49, Field::Flag, 61, 0x08},
    FieldRule{49, Field::ModeBit, 0, 0x10},
    FieldRule{68, Field::Country, 5, 0},
    FieldRule{69, Field::MsrType, 6, 0},
    FieldRule{70, Field::Flag, 73, 0x01},
    FieldRule{70, Field::Flag, 76, 0x02},
    FieldRule{70, Field::Flag, 77, 0x04},
    FieldRule{70, Field::Flag, 78, 0x08},
    FieldRule{70, Field::Flag, 75, 0x10},
    FieldRule{70, Field::Flag, 74, 0x20},
    FieldRule{122, Field::Bcd, 53, 0},
    FieldRule{123, Field::Bcd, 54, 0},
    FieldRule{124, Field::Bcd, 57, 0},
    FieldRule{125, Field::Bcd, 58, 0},
    FieldRule{126, Field::Scanner, 8, 0},
};

static_assert(std::ranges::is_sorted(kMap, {}, &FieldRule::address));

// Only a settings file can put anything else into an entry; such a value
// is shown as no value rather than guessed from its low byte.
bool isByte(std::int32_t v) {
    return v >= 0 && v <= 0xFF;
}

ui::ListBox& list(Context& ctx, int item) {
    return ctx.window.lstItem[static_cast<std::size_t>(item)];
}

void showSignature(Context& ctx, std::int32_t v, int expected) {
    if (v == expected) {
        return;
    }
    ctx.dialogs.MsgBox("Read from EEPROM error!", "Message", platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
    ctx.counters.countSendError();
}

void showBcd(Context& ctx, int item, std::int32_t v) {
    ui::ListBox& l = list(ctx, item);
    l.clear();
    const int tens = (v >> 4) & 0x0F;
    const int units = v & 0x0F;
    if (!isByte(v) || tens > 9 || units > 9) {
        return;  // no number: the item shows no value
    }
    l.addItem(std::to_string(10 * tens + units));
    l.setListIndex(0);
}

// The image-only write stores 0, 2 or 5 and the device write "0", "2" or
// "5"; both keep the count in the low nibble, so that is what is shown.
void showDigitCount(Context& ctx, int item, std::int32_t v) {
    static constexpr std::array<int, 3> kCounts{0, 2, 5};
    ui::ListBox& l = list(ctx, item);
    ui::ComboBox& combo = ctx.window.cb[static_cast<std::size_t>(item)];
    const auto* it = std::ranges::find(kCounts, v & 0x0F);
    if (!isByte(v) || it == kCounts.end()) {
        l.setListIndex(-1);
        combo.setText(isByte(v) ? std::to_string(v) : std::string());
        return;
    }
    l.setListIndex(static_cast<int>(it - kCounts.begin()));
    combo.setText(l.selectedText());
}

std::int16_t showCharacterChoice(Context& ctx, int item, std::int32_t v) {
    if (!isByte(v)) {
        list(ctx, item).setListIndex(-1);
        return -1;  // no selection when the walk ends
    }
    return SelectEntryByCharacter(ctx, item, v);
}

void apply(Context& ctx, PendingIndices& pending, const FieldRule& rule, std::int32_t v) {
    const int nibble = v & 0x0F;
    switch (rule.field) {
        case Field::Signature:
            showSignature(ctx, v, rule.param);
            break;
        case Field::Flag:
            list(ctx, rule.item).setListIndex(!isByte(v) ? -1 : (v & rule.param) != 0 ? 1 : 0);
            break;
        case Field::Bcd:
            showBcd(ctx, rule.item, v);
            break;
        case Field::DigitCount:
            showDigitCount(ctx, rule.item, v);
            break;
        case Field::StartCode:
            pending.startCode = showCharacterChoice(ctx, rule.item, v);
            break;
        case Field::StopCode:
            pending.stopCode = showCharacterChoice(ctx, rule.item, v);
            break;
        case Field::Country:
            list(ctx, rule.item).setListIndex(-1);
            pending.country = static_cast<std::int16_t>(isByte(v) ? nibble : -1);
            if (pending.country <= 5) {
                list(ctx, rule.item).setListIndex(pending.country);
            }
            break;
        case Field::MsrType:
            // Selected from the pending index once the walk is done.
            list(ctx, rule.item).setListIndex(-1);
            pending.msrType = static_cast<std::int16_t>(isByte(v) ? nibble - 1 : -1);
            break;
        case Field::Scanner:
            list(ctx, rule.item).setListIndex(!isByte(v) ? -1 : nibble != 0 ? 1 : 0);
            break;
        case Field::ModeBit:
            // A value that is no byte leaves the mode in force.
            if (isByte(v)) {
                ctx.window.scanCodeDisplayMode = (v & rule.param) != 0 ? 1 : 0;
            }
            ctx.window.frame3Caption[11] = std::string(
                ctx.window.scanCodeDisplayMode == 1 ? ui::kFrame3_11ModeOn : ui::kFrame3_11ModeOff);
            break;
    }
}

}  // namespace

void DecodeSettingByte(Context& ctx, PendingIndices& pending, std::int32_t value, int address) {
    // Plain iterators: clang 14 (the fuzz build) rejects libstdc++'s subrange.
    struct ByAddress {
        bool operator()(const FieldRule& r, int a) const { return r.address < a; }
        bool operator()(int a, const FieldRule& r) const { return a < r.address; }
    };
    const auto [first, last] = std::equal_range(kMap.begin(), kMap.end(), address, ByAddress{});
    for (auto rule = first; rule != last; ++rule) {
        apply(ctx, pending, *rule, value);
    }
}

std::int16_t SelectEntryByCharacter(Context& ctx, int item, std::int32_t value) {
    if (item < 1 || item > ui::kItemCount) {
        return 0;
    }
    ui::ListBox& l = list(ctx, item);
    l.setListIndex(-1);
    if (!isByte(value)) {
        return 0;
    }
    const std::string character(1, static_cast<char>(value));
    for (int i = 0; i < l.listCount(); ++i) {
        if (l.entryText(i) == character) {
            l.setListIndex(i);
            return static_cast<std::int16_t>(i);
        }
    }
    return 0;
}

}  // namespace tavrin::eeprom
