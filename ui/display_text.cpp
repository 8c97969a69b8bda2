#include "ui/display_text.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace tavrin::ui {

namespace {

// Code points of bytes 0x80..0x9F; the undefined ones keep their number.
constexpr std::array<char32_t, 32> kHigh1252{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t codePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHigh1252[byte - 0x80];
    }
    return byte;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string visibleText(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

std::string cp1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        appendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string utf8ToCp1252(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        char32_t cp = 0;
        std::size_t length = 1;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F;
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F;
            length = 3;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07;
            length = 4;
        } else {
            out += '?';
            ++i;
            continue;
        }
        if (i + length > text.size()) {
            out += '?';
            break;
        }
        for (std::size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += length;
        char byte = '?';
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            byte = static_cast<char>(cp);
        } else {
            for (std::size_t b = 0; b < kHigh1252.size(); ++b) {
                if (kHigh1252[b] == cp) {
                    byte = static_cast<char>(0x80 + b);
                }
            }
        }
        out += byte;
    }
    return out;
}

std::string escapedUtf8(const std::string& text, bool utf8Already) {
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char buffer[5];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
            out += buffer;
        } else if (c == '\\') {
            out += "\\\\";
        } else if (utf8Already) {
            out += c;
        } else {
            appendUtf8(out, codePointOf(byte));
        }
    }
    return out;
}

}  // namespace tavrin::ui
