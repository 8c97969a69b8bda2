#include "ui/item_values.h"

#include <algorithm>
#include <cctype>

#include "items/catalogue.h"
#include "ui/display_text.h"

namespace tavrin::ui {

std::string shownValue(const WindowModel& window, int item) {
    if (item == kScanCodeModeItem) {
        return window.Combo5.text();
    }
    if (item < 1 || item > kItemCount) {
        return {};
    }
    if (const ComboBox* combo = window.valueCombo(item)) {
        return visibleText(combo->text());
    }
    return visibleText(window.lstItem[static_cast<std::size_t>(item)].entryText(0));
}

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::optional<bool> scanCodeModeOf(const std::string& value) {
    const std::string v = lowerCase(value);
    if (v == "scan" || v == "yes") {
        return true;
    }
    if (v == "characters" || v == "no") {
        return false;
    }
    return std::nullopt;
}

}  // namespace tavrin::ui

namespace tavrin::ui {

std::optional<std::size_t> findEntry(const std::vector<std::string>& entries,
                                     const std::string& value) {
    const auto exact = std::find(entries.begin(), entries.end(), value);
    if (exact != entries.end()) {
        return static_cast<std::size_t>(exact - entries.begin());
    }
    const auto any = std::find_if(entries.begin(), entries.end(), [&](const std::string& e) {
        return lowerCase(e) == lowerCase(value);
    });
    return any == entries.end() ? std::nullopt
                                : std::optional(static_cast<std::size_t>(any - entries.begin()));
}

std::string quotedEntries(const std::vector<std::string>& entries) {
    std::string list;
    for (const std::string& e : entries) {
        list += (list.empty() ? "\"" : ", \"") + e + "\"";
    }
    return list;
}

ValueCheck checkValue(int item, const std::string& value) {
    ValueCheck check;
    if (item == kScanCodeModeItem) {
        if (!scanCodeModeOf(value)) {
            check.fault = ValueFault::NoSuchEntry;
            check.validEntries = "scan, characters";
        }
    } else if (item < 1 || item > kItemCount) {
        check.fault = ValueFault::NoItem;
    } else if (ui::item(item).kind == ItemKind::Fixed) {
        check.fault = ValueFault::Fixed;
    }
    if (!check.passed()) {
        return check;
    }
    check.text = utf8ToCp1252(value);
    if (cp1252ToUtf8(check.text) != value) {
        check.fault = ValueFault::NotStorable;
    } else if (item != kScanCodeModeItem && ui::item(item).kind == ItemKind::Choice) {
        const std::vector<std::string> entries(ui::item(item).choices.begin(),
                                               ui::item(item).choices.end());
        if (!findEntry(entries, check.text)) {
            check.fault = ValueFault::NoSuchEntry;
            check.validEntries = quotedEntries(entries);
        }
    }
    return check;
}

std::string codesBeyondImage(int item, const std::string& text, bool scanCodeMode) {
    if (!scanCodeMode || item < 1 || item > kItemCount) {
        return {};
    }
    const ItemStore& s = ui::item(item).store;
    if (s.encoding != Encoding::Sequence || s.scanCodes <= s.fieldLength) {
        return {};
    }
    // The check has left "<hh>" tokens, four characters each.
    const auto kept = 4 * static_cast<std::size_t>(s.fieldLength);
    return text.size() > kept ? text.substr(kept) : std::string();
}

}  // namespace tavrin::ui
