#pragma once
// The preamble/postamble notation written apart from the program's own
// code, for the fuzz targets and the fault soak to check it against: what
// bytes a text spells, or that the notation refuses it.

#include <optional>
#include <string>
#include <vector>

namespace tavrin::test {

inline std::string replaceEvery(std::string s, const std::string& token, char c) {
    for (std::size_t at = s.find(token); at != std::string::npos; at = s.find(token, at + 1)) {
        s.replace(at, token.size(), 1, c);
    }
    return s;
}

// The four control tokens, exact and upper case, in this order.
inline std::string withoutControlTokens(const std::string& text) {
    std::string s = replaceEvery(text, "{BACKSPACE}", 8);
    s = replaceEvery(s, "{TAB}", 9);
    s = replaceEvery(s, "{ENTER}", 13);
    return replaceEvery(s, "{ESC}", 27);
}

inline int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The bytes of a sequence text for item 9, 10 or 65..72, or nullopt when
// the notation refuses it: at most 3 (items 9, 10, 65, 66) or 8 characters,
// or at most 6 (65, 66) or 8 "<hh>" tokens.
inline std::optional<std::vector<int>> sequenceBytes(const std::string& typed, int item,
                                                     bool scanCodes) {
    const std::string s = withoutControlTokens(typed);
    const std::size_t limit = item >= 67 ? 8 : (scanCodes ? 6 : 3);
    std::vector<int> bytes;
    if (!scanCodes) {
        if (s.size() > limit) {
            return std::nullopt;
        }
        for (char c : s) {
            bytes.push_back(static_cast<unsigned char>(c));
        }
        return bytes;
    }
    if (s.size() % 4 != 0 || s.size() / 4 > limit) {
        return std::nullopt;
    }
    for (std::size_t j = 0; j < s.size(); j += 4) {
        const int high = hexDigitValue(s[j + 1]);
        const int low = hexDigitValue(s[j + 2]);
        if (s[j] != '<' || s[j + 3] != '>' || high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(16 * high + low);
    }
    return bytes;
}

}  // namespace tavrin::test
