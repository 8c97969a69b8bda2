#pragma once
// The items as the window shows them, one line each:
// "N<TAB>CAPTION<TAB>VALUE", then the scan-code mode as line 79; with keys
// "N<TAB>KEY<TAB>CAPTION<TAB>VALUE".

#include <string>

#include "items/window_model.h"

namespace tavrin::cli {

// One item's line, UTF-8, control characters as \xHH and a backslash as \\.
std::string itemLine(const ui::WindowModel& window, int item, bool withKeys = false);
std::string listItems(const ui::WindowModel& window, bool withKeys = false);

// UTF-8 text for one line: control characters as \xHH, a backslash as \\.
std::string escapedLine(const std::string& utf8);
// The way back, so a value can be given as show prints it: \\ and \xHH
// are undone; any other backslash stays as it is.
std::string unescapedLine(const std::string& text);

}  // namespace tavrin::cli
