#pragma once
// The notation of preamble and postamble sequences: character form with
// brace tokens for control characters, or scan-code form "<62><E2>".

#include <span>
#include <string>
#include <string_view>

#include "platform/dialogs.h"

namespace tavrin::scantext {

// True for exactly "0".."9" and "A".."F".
bool IsHexDigit(const std::string& oneCharacter);

// Replaces characters 8, 9, 13 and 27 by "{BACKSPACE}", "{TAB}", "{ENTER}"
// and "{ESC}".
std::string TokenDisplayConversion(const std::string& text);

// Replaces the four control tokens (exact, case-sensitive) by their characters.
std::string ReplaceControlTokens(const std::string& text);

// frmPrePost's texts for each form: its caption, its prompt and the
// examples its list offers (a double click appends one to the text).
struct PrePostTexts {
    std::string_view caption;
    std::string_view prompt;
    std::span<const std::string_view> examples;
};
const PrePostTexts& prePostTexts(bool scanCodeForm);

// Spaces at either end dropped; other blanks stay.
std::string trimSpaces(const std::string& text);

// The sequence check for item n, as a plain function: the accepted text
// (control tokens replaced), or the "Error" box's message.
struct SequenceVerdict {
    std::string text;
    std::string refusal;
    bool accepted() const { return refusal.empty(); }
};
SequenceVerdict CheckSequence(const std::string& text, int item, bool scanCodeForm);

// The same, telling a refusal in an "Error" message box: the accepted
// text, or "" after the box. scanCodeForm selects the form.
std::string SequenceCheck(const std::string& text, int item, bool scanCodeForm,
                          platform::OperatorDialogs& dialogs);

}  // namespace tavrin::scantext
