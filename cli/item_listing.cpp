#include "cli/item_listing.h"

#include <cstdio>

#include "ui/catalogue.h"
#include "ui/display_text.h"
#include "ui/item_values.h"

namespace tavrin::cli {

std::string shownValue(const ui::WindowModel& window, int item) {
    return ui::shownValue(window, item);
}

std::string itemLine(const ui::WindowModel& window, int item, bool withKeys) {
    const bool mode = item == ui::kScanCodeModeItem;
    std::string line = std::to_string(item) + '\t';
    if (withKeys) {
        line += std::string(mode ? ui::kScanCodeModeKey : ui::item(item).key) + '\t';
    }
    line += mode ? std::string("Scan Codes (SCAN SET 2)")
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
    std::string out;
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tavrin::cli
