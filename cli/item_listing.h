#pragma once
// The items as the window shows them, one line each:
// "N<TAB>CAPTION<TAB>VALUE", then the scan-code mode as line 79.

#include <string>

#include "ui/window_model.h"

namespace tavrin::cli {

// The value the window shows as item n's current setting.
std::string shownValue(const ui::WindowModel& window, int item);

// UTF-8 lines, control characters as \xHH and a backslash as \\.
std::string listItems(const ui::WindowModel& window);

}  // namespace tavrin::cli
