#include "cli/item_listing.h"

#include "items/catalogue.h"
#include "ui/display_text.h"
#include "ui/form_layout.h"
#include "ui/item_values.h"

namespace tavrin::cli {

std::string itemLine(const ui::WindowModel& window, int item, bool withKeys) {
    const bool mode = item == ui::kScanCodeModeItem;
    std::string line = std::to_string(item) + '\t';
    if (withKeys) {
        line += std::string(mode ? ui::kScanCodeModeKey : ui::item(item).key) + '\t';
    }
    line += mode ? std::string(ui::modeFrame().labelCaption)
                 : ui::escapedUtf8(std::string(ui::item(item).caption));
    return line + '\t' + ui::escapedUtf8(ui::shownValue(window, item)) + '\n';
}

std::string listItems(const ui::WindowModel& window, bool withKeys) {
    std::string out;
    for (int n = 1; n <= ui::kScanCodeModeItem; ++n) {
        out += itemLine(window, n, withKeys);
    }
    return out;
}

std::string escapedLine(const std::string& utf8) {
    return ui::escapedUtf8(utf8, true);
}

std::string unescapedLine(const std::string& text) {
    auto hexDigit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                      : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                   hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace tavrin::cli
