#include "scantext/scan_text.h"

#include <array>
#include <string_view>

#include "items/catalogue.h"

namespace tavrin::scantext {

namespace {

struct ControlToken {
    std::string_view token;
    char character;
};

// In the order the replacements run.
constexpr std::array<ControlToken, 4> kControlTokens{{
    {"{BACKSPACE}", '\x08'},
    {"{TAB}", '\x09'},
    {"{ENTER}", '\x0D'},
    {"{ESC}", '\x1B'},
}};

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// Every occurrence of from, left to right, without rescanning the
// replacement.
std::string replaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == std::string::npos) {
            out.append(text, pos, std::string::npos);
            return out;
        }
        out.append(text, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
    }
}

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

SequenceVerdict reject(std::string_view opening, const std::string& text, std::string_view reason) {
    std::string message(opening);
    message += text;
    message += reason;
    return {{}, std::move(message)};
}

constexpr std::string_view kBadInput = "Bad Input! ";
constexpr std::string_view kBadToken = "Bad Input  ";

SequenceVerdict checkCharacterForm(const std::string& text, int item) {
    const ui::ItemStore& s = ui::itemStore(item);
    if (s.encoding == ui::Encoding::Sequence &&
        text.size() > static_cast<std::size_t>(s.fieldLength)) {
        return reject(kBadInput, text,
                      "  It is only allowed no more than " + std::to_string(s.fieldLength) +
                          " characters to enter.");
    }
    return {text, {}};
}

SequenceVerdict checkScanCodeForm(const std::string& text, int item) {
    if (text.size() % 4 != 0) {
        return reject(kBadInput, text, "  It is not the right input format. Please try again.");
    }
    // Only the card reader's sequences take scan codes; the others pass as typed.
    const int limit = ui::itemStore(item).scanCodes;
    if (limit == 0) {
        return {text, {}};
    }
    if (text.size() / 4 > static_cast<std::size_t>(limit)) {
        return reject(kBadInput, text,
                      "  Please enter less than " + std::to_string(limit) + " scan codes.");
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (i % 4) {
            case 0:
                if (c != '<') {
                    return reject(kBadToken, text, "");
                }
                break;
            case 3:
                if (c != '>') {
                    return reject(kBadToken, text, "");
                }
                break;
            default:
                if (!IsHexDigit(std::string(1, upperAscii(c)))) {
                    return reject(kBadToken, text, "  It's out of the range (00 - FF).");
                }
                break;
        }
    }
    return {text, {}};
}

}  // namespace

bool IsHexDigit(const std::string& oneCharacter) {
    return oneCharacter.size() == 1 && kHexDigits.find(oneCharacter[0]) != std::string_view::npos;
}

std::string TokenDisplayConversion(const std::string& text) {
    std::string out = text;
    for (const ControlToken& t : kControlTokens) {
        out = replaceAll(out, std::string_view(&t.character, 1), t.token);
    }
    return out;
}

std::string ReplaceControlTokens(const std::string& text) {
    std::string out = text;
    for (const ControlToken& t : kControlTokens) {
        out = replaceAll(out, t.token, std::string_view(&t.character, 1));
    }
    return out;
}

SequenceVerdict CheckSequence(const std::string& text, int item, bool scanCodeForm) {
    const std::string replaced = ReplaceControlTokens(text);
    return scanCodeForm ? checkScanCodeForm(replaced, item) : checkCharacterForm(replaced, item);
}

std::string SequenceCheck(const std::string& text, int item, bool scanCodeForm,
                          platform::OperatorDialogs& dialogs) {
    SequenceVerdict verdict = CheckSequence(text, item, scanCodeForm);
    if (!verdict.accepted()) {
        dialogs.MsgBox(verdict.refusal, "Error", platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
    }
    return std::move(verdict.text);
}

const PrePostTexts& prePostTexts(bool scanCodeForm) {
    static constexpr std::string_view kTokens[] = {"{BACKSPACE}", "{TAB}", "{ENTER}", "{ESC}"};
    static constexpr std::string_view kScanExamples[] = {"Example ", "<62><E2> "};
    static constexpr PrePostTexts kCharacters{
        "Preamble Postamble characters input",
        "Please input preamble or postamble characters:", kTokens};
    static constexpr PrePostTexts kScanCodes{"Preamble Postamble scan code input",
                                             "Please input Preamble / Postamble scan code.",
                                             kScanExamples};
    return scanCodeForm ? kScanCodes : kCharacters;
}

std::string trimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace tavrin::scantext
