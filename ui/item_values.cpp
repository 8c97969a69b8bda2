#include "ui/item_values.h"

#include <algorithm>
#include <cctype>

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

std::optional<bool> scanCodeModeOf(const std::string& value) {
    std::string v = value;
    std::transform(v.begin(), v.end(), v.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (v == "scan" || v == "yes") {
        return true;
    }
    if (v == "characters" || v == "no") {
        return false;
    }
    return std::nullopt;
}

}  // namespace tavrin::ui
