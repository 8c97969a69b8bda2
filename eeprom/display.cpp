#include "eeprom/display.h"

#include <array>
#include <cstdio>

#include "eeprom/image.h"
#include "eeprom/map.h"
#include "scantext/scan_text.h"
#include "ui/catalogue.h"

namespace tavrin::eeprom {

namespace {

struct SequenceField {
    int first;
    int last;
    int item;
    bool alwaysCharacters;  // the barcode reader's sequences ignore the mode
};

constexpr std::array<SequenceField, 10> kSequenceFields{{
    {32, 34, 9, true},
    {35, 37, 10, true},
    {50, 52, 65, false},
    {53, 55, 66, false},
    {71, 78, 67, false},
    {79, 86, 68, false},
    {87, 94, 69, false},
    {95, 102, 70, false},
    {103, 110, 71, false},
    {111, 118, 72, false},
}};

// The combo boxes that simply mirror their list's selection.
constexpr std::array<int, 37> kRefreshedItems{4,  7,  8,  11, 12, 13, 14, 15, 16, 21, 22, 25, 26,
                                              29, 30, 33, 34, 35, 38, 39, 40, 41, 44, 48, 52, 56,
                                              60, 61, 62, 63, 64, 73, 74, 75, 76, 77, 78};

const SequenceField* sequenceFieldOf(int address) {
    for (const SequenceField& f : kSequenceFields) {
        if (address >= f.first && address <= f.last) {
            return &f;
        }
    }
    return nullptr;
}

// Only byte values become part of a text; anything else a settings file
// brings is left out.
void appendByte(std::string& text, std::int32_t v, bool scanCodeForm) {
    if (v < 0 || v > 0xFF) {
        return;
    }
    if (scanCodeForm) {
        if (v != 0) {
            char token[5];
            std::snprintf(token, sizeof token, "<%02X>", static_cast<unsigned>(v));
            text += token;
        }
    } else if (v != 0x20) {
        text += static_cast<char>(v);
    }
}

ui::ListBox& list(Context& ctx, int item) {
    return ctx.window.lstItem[static_cast<std::size_t>(item)];
}

void applyPending(ui::ListBox& l, ui::ComboBox& combo, std::int16_t index) {
    l.setListIndex(index);
    combo.setText(l.selectedText());
}

}  // namespace

void ShowImage(Context& ctx) {
    ui::WindowModel& w = ctx.window;
    PendingIndices pending;
    std::string sequence;
    for (int a = 0; a < kEepromSize; ++a) {
        const std::int32_t v = w.image[static_cast<std::size_t>(a)];
        const SequenceField* field = sequenceFieldOf(a);
        if (field == nullptr) {
            DecodeSettingByte(ctx, pending, v, a);
            continue;
        }
        if (a == field->first) {
            sequence.clear();
        }
        // Address 49 comes first, so this is the mode the image holds.
        appendByte(sequence, v, !field->alwaysCharacters && w.scanCodeDisplayMode == 1);
        if (a == field->last) {
            ShowSequenceText(ctx, sequence, a);
        }
    }

    w.batchFlag = false;
    ctx.counters.sendErrorCounter = 0;
    applyPending(list(ctx, 5), *w.valueCombo(5), pending.country);
    applyPending(list(ctx, 6), *w.valueCombo(6), pending.msrType);
    applyPending(list(ctx, 19), *w.valueCombo(19), pending.startCode);
    applyPending(list(ctx, 20), *w.valueCombo(20), pending.stopCode);
    gorefresh(ctx);
    w.Refresh();
}

void ShowSequenceText(Context& ctx, const std::string& text, int address) {
    const SequenceField* field = sequenceFieldOf(address);
    if (field == nullptr || field->last != address) {
        return;
    }
    // A list box entry ends at a zero character.
    std::string shown = text.substr(0, text.find('\0'));
    shown = scantext::trimSpaces(scantext::TokenDisplayConversion(shown));
    ui::ListBox& l = list(ctx, field->item);
    l.clear();
    l.addItem(std::move(shown));
    l.setListIndex(0);
}

void gorefresh(Context& ctx) {
    ui::WindowModel& w = ctx.window;
    w.Frame4Caption = "Preamble/Postamble Setting";
    w.frame3Caption[11] =
        std::string(w.scanCodeDisplayMode == 1 ? ui::kFrame3_11ModeOn : ui::kFrame3_11ModeOff);
    for (int n : kRefreshedItems) {
        w.cb[static_cast<std::size_t>(n)].setText(list(ctx, n).selectedText());
    }
    const bool modeOn = w.scanCodeDisplayMode != 0;
    w.Combo5.setText(modeOn ? "YES" : "NO");
    w.Cmdpt.enabled = modeOn;
}

void lstItem_Scroll(Context& ctx, int item) {
    if (item < 1 || item > ui::kItemCount) {
        return;
    }
    ui::ListBox& l = list(ctx, item);
    switch (item) {
        case 5:
        case 6:
        case 19:
        case 20:
            return;
        case 47:
        case 51:
        case 55:
        case 59:
            if (l.listIndex() >= 0) {
                l.setListIndex((l.listIndex() + 1) % 3);
            }
            return;
        default:
            l.setListIndex(l.listIndex() == 0 ? 1 : 0);
            return;
    }
}

}  // namespace tavrin::eeprom
