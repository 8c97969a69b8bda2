#pragma once
// Texts of the core are byte strings in the Windows ANSI code page (1252);
// every text the window shows or takes passes through these helpers.

#include <QString>
#include <string>
#include <string_view>

namespace tavrin::gui {

// The whole text, byte for byte: 1252 characters, the five bytes the code
// page leaves undefined as the C1 code points of the same number.
QString fromWinText(const std::string& bytes);

// Back to 1252; a character the code page lacks becomes '?'.
std::string toWinText(const QString& text);

// A text of the form's tables (ui/form_layout.h).
inline QString formText(std::string_view text) {
    return fromWinText(std::string(text));
}

// What a one-line list or label shows: the text up to its first NUL, other
// control characters as their visible symbols so that a row stays one line.
QString displayLine(const std::string& bytes);

}  // namespace tavrin::gui
