#include "eeprom/dispatch.h"

#include <string>
#include <string_view>

#include "eeprom/encoders.h"
#include "eeprom/item_write_table.h"
#include "scantext/scan_text.h"
#include "ui/catalogue.h"

namespace tavrin::eeprom {

namespace {

constexpr const char* kNumberPrompt = "Please input 1 or 2 digit (0-9, 00-99)";

struct SequenceForm {
    int fieldLength;
    bool scanCodeForm;
    std::string_view limitPrompt;
};

constexpr SequenceForm kThreeCharacters{3, false, "Please enter less than 3 characters"};
constexpr SequenceForm kEightCharacters{8, false, "Please enter less than 8 characters"};
constexpr SequenceForm kSixScanCodes{6, true, "Please enter less than 6 scan codes"};
constexpr SequenceForm kEightScanCodes{8, true, "Please enter less than 8 scan codes"};

// Barcode preambles are always characters; the MSR ones follow the mode.
SequenceForm sequenceForm(int item, bool modeOn) {
    const bool track = item >= 67;
    if (item == 9 || item == 10 || !modeOn) {
        return track ? kEightCharacters : kThreeCharacters;
    }
    return track ? kEightScanCodes : kSixScanCodes;
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

ItemValue numberGroup(Context& ctx, const ItemWrite& row, ui::ListBox& list,
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
    WriteNumberItem(ctx, row.code, list.entryText(0), row.address, row.item);
    return ItemValue::Written;
}

ItemValue choiceGroup(Context& ctx, const ItemWrite& row, ui::ListBox& list) {
    if (row.item == 5 || row.item == 6) {
        list.setListIndex(ctx.window.valueCombo(row.item)->listIndex());
    }
    WriteChoiceItem(ctx, row.item, row.code, ctx.window.comboWriteFlag);
    return ItemValue::Written;
}

ItemValue sequenceGroup(Context& ctx, const ItemWrite& row, ui::ListBox& list,
                        const std::string& prior) {
    auto& window = ctx.window;
    const SequenceForm form = sequenceForm(row.item, window.scanCodeDisplayMode != 0);
    window.scanCodeFormFlag = form.scanCodeForm;
    std::string text;
    if (window.batchFlag) {
        text = scantext::SequenceCheck(prior, row.item, form.scanCodeForm, ctx.dialogs);
        if (!prior.empty() && text.empty()) {
            return ItemValue::Refused;
        }
    } else {
        platform::PrePostRequest request;
        request.text = prior;
        request.scanCodeForm = form.scanCodeForm;
        request.limitPrompt = std::string(form.limitPrompt);
        ctx.dialogs.ShowPrePost(request);
        if (request.cancelled) {
            return ItemValue::Unchanged;
        }
        if (request.text.empty()) {
            setOnlyEntry(list, {});
        } else {
            text = scantext::SequenceCheck(request.text, row.item, form.scanCodeForm, ctx.dialogs);
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
    WriteSequenceItem(ctx, row.code, text, form.fieldLength, row.address, row.item);
    return ItemValue::Written;
}

ItemValue listTextGroup(Context& ctx, const ItemWrite& row, ui::ListBox& list) {
    auto& window = ctx.window;
    for (int n : {19, 20}) {
        window.lstItem[static_cast<std::size_t>(n)].setListIndex(window.valueCombo(n)->listIndex());
    }
    const std::string text = list.selectedText();
    WriteListTextItem(ctx, row.code, text, static_cast<int>(text.size()), row.address, row.item,
                      window.comboWriteFlag);
    return ItemValue::Written;
}

}  // namespace

std::string AnswerRefusal(int item, const std::string& answer, bool scanCodeMode) {
    const ItemWrite& row = itemWrite(item);
    if (row.kind == EncoderKind::Number) {
        return isOneOrTwoDigits(scantext::trimSpaces(answer)) ? "" : kNumberPrompt;
    }
    if (row.kind != EncoderKind::Sequence || answer.empty()) {
        return {};
    }
    const SequenceForm form = sequenceForm(item, scanCodeMode);
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
    const ItemWrite& row = itemWrite(item);
    if (row.kind == EncoderKind::ScanCodeMode) {
        WriteScanCodeMode(ctx, ctx.window.scanCodeDisplayMode);
        return ItemValue::Written;
    }
    if (row.kind == EncoderKind::None || item < 1 || item > ui::kItemCount) {
        return ItemValue::Unchanged;
    }
    ui::ListBox& list = ctx.window.lstItem[static_cast<std::size_t>(item)];
    const std::string prior = list.entryText(0);
    switch (row.kind) {
        case EncoderKind::Number:
            return numberGroup(ctx, row, list, prior);
        case EncoderKind::Choice:
            return choiceGroup(ctx, row, list);
        case EncoderKind::Sequence:
            return sequenceGroup(ctx, row, list, prior);
        case EncoderKind::ListText:
            return listTextGroup(ctx, row, list);
        case EncoderKind::None:
        case EncoderKind::ScanCodeMode:
            break;
    }
    return ItemValue::Unchanged;
}

}  // namespace tavrin::eeprom
