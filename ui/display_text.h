#pragma once
// List and combo texts are byte strings in the Windows ANSI code page
// (1252); front ends turn them into UTF-8 through these helpers.

#include <string>

namespace tavrin::ui {

// What a list box shows of a text: everything before its first NUL.
std::string visibleText(const std::string& text);

// Windows-1252 to UTF-8; its five undefined bytes become the C1 code points
// of the same number.
std::string cp1252ToUtf8(const std::string& text);

// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string utf8ToCp1252(const std::string& text);

// For one-line output: characters below 0x20 and 0x7F as \xHH, a
// backslash as \\, the rest converted from 1252 to UTF-8 (kept as they
// are when the text is UTF-8 already).
std::string escapedUtf8(const std::string& text, bool utf8Already = false);

}  // namespace tavrin::ui
