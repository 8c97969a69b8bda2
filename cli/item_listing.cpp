#include "cli/item_listing.h"

#include "ui/catalogue.h"
#include "ui/display_text.h"
#include "ui/item_values.h"

namespace tavrin::cli {

std::string shownValue(const ui::WindowModel& window, int item) {
    return ui::shownValue(window, item);
}

std::string listItems(const ui::WindowModel& window) {
    std::string out;
    for (const ui::ItemDef& def : ui::items()) {
        out += std::to_string(def.number) + '\t' + ui::escapedUtf8(std::string(def.caption)) +
               '\t' + ui::escapedUtf8(shownValue(window, def.number)) + '\n';
    }
    out += "79\tScan Codes (SCAN SET 2)\t" + ui::escapedUtf8(window.Combo5.text()) + '\n';
    return out;
}

}  // namespace tavrin::cli
