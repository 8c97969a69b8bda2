#include "eeprom/display.h"

#include <array>
#include <cstdio>

#include "eeprom/map.h"
#include "items/catalogue.h"
#include "items/image.h"
#include "scantext/scan_text.h"

namespace tavrin::eeprom {

namespace {

// The sequence item whose field holds address, or null.
const ui::ItemDef* sequenceFieldOf(int address) {
    for (const ui::ItemDef& def : ui::items()) {
        const ui::ItemStore& s = def.store;
        if (s.encoding == ui::Encoding::Sequence && address >= s.address &&
            address < s.address + s.fieldLength) {
            return &def;
        }
    }
    return nullptr;
}

bool isLastOfField(const ui::ItemDef& def, int address) {
    return address == def.store.address + def.store.fieldLength - 1;
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
        const ui::ItemDef* field = sequenceFieldOf(a);
        if (field == nullptr) {
            DecodeSettingByte(ctx, pending, v, a);
            continue;
        }
        if (a == field->store.address) {
            sequence.clear();
        }
        // Address 49 comes first, so this is the mode the image holds. The
        // barcode reader's sequences ignore the mode.
        appendByte(sequence, v, field->store.scanCodes > 0 && w.scanCodeDisplayMode == 1);
        if (isLastOfField(*field, a)) {
            ShowSequenceText(ctx, sequence, a);
        }
    }

    w.batchFlag = false;
    ctx.counters.sendErrorCounter = 0;
    for (const ui::ItemDef& def : ui::items()) {
        if (const std::int16_t* index = pending.of(def.number)) {
            applyPending(list(ctx, def.number), *w.valueCombo(def.number), *index);
        }
    }
    gorefresh(ctx);
    w.Refresh();
}

void ShowSequenceText(Context& ctx, const std::string& text, int address) {
    const ui::ItemDef* field = sequenceFieldOf(address);
    if (field == nullptr || !isLastOfField(*field, address)) {
        return;
    }
    // A list box entry ends at a zero character.
    std::string shown = text.substr(0, text.find('\0'));
    shown = scantext::trimSpaces(scantext::TokenDisplayConversion(shown));
    ui::ListBox& l = list(ctx, field->number);
    l.clear();
    l.addItem(std::move(shown));
    l.setListIndex(0);
}

void gorefresh(Context& ctx) {
    ui::WindowModel& w = ctx.window;
    w.Frame4Caption = "Preamble/Postamble Setting";
    w.frame3Caption[11] =
        std::string(w.scanCodeDisplayMode == 1 ? ui::kFrame3_11ModeOn : ui::kFrame3_11ModeOff);
    // The combo boxes that simply mirror their list's selection.
    for (const ui::ItemDef& def : ui::items()) {
        if (def.control == ui::ValueControl::Cb && def.store.encoding != ui::Encoding::DigitCount) {
            w.cb[static_cast<std::size_t>(def.number)].setText(
                list(ctx, def.number).selectedText());
        }
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
    const ui::ItemDef& def = ui::item(item);
    if (def.control != ui::ValueControl::Cb && def.control != ui::ValueControl::List) {
        return;  // the items of Combo1..Combo4 do not scroll
    }
    if (def.store.encoding == ui::Encoding::DigitCount) {
        if (l.listIndex() >= 0) {
            l.setListIndex((l.listIndex() + 1) % static_cast<int>(def.choices.size()));
        }
        return;
    }
    l.setListIndex(l.listIndex() == 0 ? 1 : 0);
}

}  // namespace tavrin::eeprom
