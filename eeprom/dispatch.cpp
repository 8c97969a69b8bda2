#include "eeprom/dispatch.h"

#include <string>
#include <string_view>

#include "eeprom/encoders.h"
#include "items/catalogue.h"
#include "scantext/scan_text.h"

namespace tavrin::eeprom {

namespace {

constexpr const char* kNumberPrompt = "Please input 1 or 2 digit (0-9, 00-99)";

struct SequenceForm {
    int fieldLength;
    bool scanCodeForm;
    std::string limitPrompt;
};

// The barcode reader's sequences are always characters; the MSR ones
// follow the mode.
SequenceForm sequenceForm(const ui::ItemStore& s, bool modeOn) {
    const bool scanCodes = modeOn && s.scanCodes > 0;
    const int length = scanCodes ? s.scanCodes : s.fieldLength;
    return {length, scanCodes,
            "Please enter less than " + std::to_string(length) +
                (scanCodes ? " scan codes" : " characters")};
}

bool isOneOrTwoDigits(const std::string& s) {
    if (s.empty() || s.size() > 2) {
        return false;
    }
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

void setOnlyEntry(ui::ListBox& list, const std::string& text) {
    list.clear();
    list.addItem(text);
}

ItemValue numberGroup(Context& ctx, const ui::ItemDef& row, ui::ListBox& list,
                      const std::string& prior) {
    auto& window = ctx.window;
    if (!window.batchFlag) {
        const std::string s =
            scantext::trimSpaces(ctx.dialogs.InputBox(kNumberPrompt, "Input", prior));
        if (s.empty()) {
            return ItemValue::Unchanged;
        }
        if (!isOneOrTwoDigits(s)) {
            ctx.dialogs.MsgBox(kNumberPrompt, "Error", platform::MsgIcon::Error,
                               platform::MsgButtons::Ok);
            return ItemValue::Refused;
        }
        setOnlyEntry(list, s);
        window.comboWriteFlag = true;
    }
    WriteNumberItem(ctx, row.store.code, list.entryText(0), row.store.address, row.number);
    return ItemValue::Written;
}

ItemValue choiceGroup(Context& ctx, const ui::ItemDef& row, ui::ListBox& list) {
    // Country and MSR type are chosen in combo boxes of their own.
    if (row.control != ui::ValueControl::Cb && row.control != ui::ValueControl::List) {
        list.setListIndex(ctx.window.valueCombo(row.number)->listIndex());
    }
    WriteChoiceItem(ctx, row.number, row.store.code, ctx.window.comboWriteFlag);
    return ItemValue::Written;
}

ItemValue sequenceGroup(Context& ctx, const ui::ItemDef& row, ui::ListBox& list,
                        const std::string& prior) {
    auto& window = ctx.window;
    const SequenceForm form = sequenceForm(row.store, window.scanCodeDisplayMode != 0);
    window.scanCodeFormFlag = form.scanCodeForm;
    std::string text;
    if (window.batchFlag) {
        text = scantext::SequenceCheck(prior, row.number, form.scanCodeForm, ctx.dialogs);
        if (!prior.empty() && text.empty()) {
            return ItemValue::Refused;
        }
    } else {
        platform::PrePostRequest request;
        request.text = prior;
        request.scanCodeForm = form.scanCodeForm;
        request.limitPrompt = form.limitPrompt;
        ctx.dialogs.ShowPrePost(request);
        if (request.cancelled) {
            return ItemValue::Unchanged;
        }
        if (request.text.empty()) {
            setOnlyEntry(list, {});
        } else {
            text =
                scantext::SequenceCheck(request.text, row.number, form.scanCodeForm, ctx.dialogs);
            if (text.empty()) {
                return ItemValue::Refused;
            }
            const std::size_t unit = form.scanCodeForm ? 4 : 2;
            if (text.size() > unit * static_cast<std::size_t>(form.fieldLength)) {
                setOnlyEntry(list, prior);
                return ItemValue::Refused;
            }
            // Character form keeps the tokens as typed, "{ENTER}" and all.
            setOnlyEntry(list, form.scanCodeForm ? text : request.text);
        }
    }
    WriteSequenceItem(ctx, row.store.code, text, form.fieldLength, row.store.address, row.number);
    return ItemValue::Written;
}

ItemValue listTextGroup(Context& ctx, const ui::ItemDef& row, ui::ListBox& list) {
    auto& window = ctx.window;
    // Start and stop code come from their combo boxes, whichever item this is.
    for (const ui::ItemDef& def : ui::items()) {
        if (def.store.encoding == ui::Encoding::Character) {
            const auto n = static_cast<std::size_t>(def.number);
            window.lstItem[n].setListIndex(window.valueCombo(def.number)->listIndex());
        }
    }
    const std::string text = list.selectedText();
    WriteListTextItem(ctx, row.store.code, text, static_cast<int>(text.size()), row.store.address,
                      row.number, window.comboWriteFlag);
    return ItemValue::Written;
}

}  // namespace

std::string AnswerRefusal(int item, const std::string& answer, bool scanCodeMode) {
    const ui::ItemStore& store = ui::itemStore(item);
    const ui::ItemKind kind = ui::kindOf(store.encoding);
    if (kind == ui::ItemKind::Number) {
        return isOneOrTwoDigits(scantext::trimSpaces(answer)) ? "" : kNumberPrompt;
    }
    if (kind != ui::ItemKind::Sequence || answer.empty()) {
        return {};
    }
    const SequenceForm form = sequenceForm(store, scanCodeMode);
    const scantext::SequenceVerdict verdict =
        scantext::CheckSequence(answer, item, form.scanCodeForm);
    const std::size_t unit = form.scanCodeForm ? 4 : 2;
    if (verdict.accepted() &&
        verdict.text.size() > unit * static_cast<std::size_t>(form.fieldLength)) {
        return "the text is longer than the field";
    }
    return verdict.refusal;
}

ItemValue cmdItem_Click(Context& ctx, int item) {
    ctx.counters.sendErrorCounter = 0;
    const ui::Encoding encoding = ui::itemStore(item).encoding;
    if (encoding == ui::Encoding::ModeBit) {
        WriteScanCodeMode(ctx, ctx.window.scanCodeDisplayMode);
        return ItemValue::Written;
    }
    if (encoding == ui::Encoding::None) {
        return ItemValue::Unchanged;
    }
    const ui::ItemDef& row = ui::item(item);
    ui::ListBox& list = ctx.window.lstItem[static_cast<std::size_t>(item)];
    const std::string prior = list.entryText(0);
    switch (encoding) {
        case ui::Encoding::Bcd:
            return numberGroup(ctx, row, list, prior);
        case ui::Encoding::Sequence:
            return sequenceGroup(ctx, row, list, prior);
        case ui::Encoding::Character:
        case ui::Encoding::DigitCount:
            return listTextGroup(ctx, row, list);
        default:
            return choiceGroup(ctx, row, list);
    }
}

}  // namespace tavrin::eeprom
