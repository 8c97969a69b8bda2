#include "eeprom/encoders.h"

#include <algorithm>
#include <vector>

#include "items/catalogue.h"
#include "scantext/scan_text.h"

namespace tavrin::eeprom {

namespace {

// Anything that is not a hexadecimal digit counts as 0.
int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return 0;
}

ui::ListBox* listOf(Context& ctx, int item) {
    if (item < 0 || item > ui::kItemCount) {
        return nullptr;
    }
    return &ctx.window.lstItem[static_cast<std::size_t>(item)];
}

int imageByte(const Context& ctx, int address) {
    if (address < 0 || address >= kEepromSize) {
        return 0;
    }
    return ctx.window.image[static_cast<std::size_t>(address)];
}

// The image only ever holds byte values, and only at real addresses.
void setImageByte(Context& ctx, int address, int value) {
    if (address >= 0 && address < kEepromSize) {
        ctx.window.image[static_cast<std::size_t>(address)] = value & 0xFF;
    }
}

void sendFrame(Context& ctx, std::int32_t code, const std::vector<int>& values, int length) {
    std::vector<int> bytes{static_cast<int>(code & 0xFF)};
    bytes.insert(bytes.end(), values.begin(), values.end());
    for (int i = static_cast<int>(values.size()); i < length; ++i) {
        bytes.push_back(0x00);
    }
    ctx.channel.SendFrame(bytes);
}

std::vector<int> characterCodes(const std::string& text) {
    std::vector<int> codes;
    for (char c : text) {
        codes.push_back(static_cast<unsigned char>(c));
    }
    return codes;
}

// One value per "<hh>" token; a short last token takes what is there.
std::vector<int> tokenValues(const std::string& text) {
    std::vector<int> values;
    const std::size_t count = (text.size() + 2) / 4;
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t at = 4 * j + 1;
        values.push_back(HexPairValue(at < text.size() ? text.substr(at, 2) : std::string()));
    }
    return values;
}

// Stores a sequence zero-padded to length, but never beyond the item's own
// field: items 65 and 66 carry six scan codes on the wire and keep three.
void storeSequence(Context& ctx, const std::vector<int>& values, int length, int address,
                   int item) {
    const ui::ItemStore& s = ui::itemStore(item);
    const int field =
        s.encoding == ui::Encoding::Sequence ? std::min(length, s.fieldLength) : length;
    for (int j = 0; j < field; ++j) {
        setImageByte(ctx, address + j,
                     j < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(j)] : 0);
    }
}

// The integer part of a number's text, as a byte.
int countValue(const std::string& text) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos || text[i] == '-') {
        return 0;
    }
    if (text[i] == '+') {
        ++i;
    }
    int value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), 0xFF);
    }
    return value;
}

void reselect(ui::ListBox* list, int index) {
    if (list) {
        list->setListIndex(-1);
        list->setListIndex(index);
    }
}

}  // namespace

std::int32_t HexPairValue(const std::string& text) {
    char high = '0';
    char low = text.empty() ? '0' : text[0];
    if (text.size() == 2) {
        high = text[0];
        low = text[1];
    }
    return 16 * hexDigit(high) + hexDigit(low);
}

bool WriteChoiceItem(Context& ctx, int item, std::int32_t code, bool imageOnly) {
    ui::ListBox* list = listOf(ctx, item);
    if (!list || list->listIndex() < 0) {
        return false;
    }
    const int entry = list->listIndex();
    const ui::ItemStore& s = ui::itemStore(item);
    const int digit = ui::digitBase(s.encoding) + entry;
    if (!imageOnly) {
        sendFrame(ctx, code, {digit}, 0);
    } else if (s.encoding == ui::Encoding::Flag) {
        const int byte = imageByte(ctx, s.address);
        setImageByte(ctx, s.address, entry == 1 ? (byte | s.setMask) : (byte & s.clearMask));
    } else if (ui::isDigitChoice(s.encoding)) {
        setImageByte(ctx, s.address, digit);
    }
    reselect(list, entry);
    return true;
}

bool WriteNumberItem(Context& ctx, std::int32_t code, const std::string& text, int address,
                     int item) {
    if (text.empty()) {
        return false;
    }
    if (ctx.window.comboWriteFlag) {
        // The decimal digits read as hexadecimal: the device keeps BCD.
        setImageByte(ctx, address, HexPairValue(text));
    } else {
        std::vector<int> digits;
        for (char c : scantext::trimSpaces(text)) {
            digits.push_back(0x30 + (c >= '0' && c <= '9' ? c - '0' : 0));
        }
        sendFrame(ctx, code, digits, 0);
    }
    reselect(listOf(ctx, item), 0);
    return true;
}

bool WriteListTextItem(Context& ctx, std::int32_t code, const std::string& text, int length,
                       int address, int item, bool imageOnly) {
    ui::ListBox* list = listOf(ctx, item);
    if (text.empty()) {
        if (imageOnly) {
            setImageByte(ctx, address, 0);
        } else {
            sendFrame(ctx, code, {}, length);
        }
        if (list) {
            list->setListIndex(0);
        }
        return true;
    }
    if (imageOnly) {
        const bool character = ui::itemStore(item).encoding == ui::Encoding::Character;
        setImageByte(ctx, address,
                     character ? static_cast<unsigned char>(text[0]) : countValue(text));
    } else {
        sendFrame(ctx, code, characterCodes(text), length);
    }
    if (list) {
        int written = list->listIndex();
        if (list->entryText(written) != text) {
            const auto& entries = list->entries();
            const auto it = std::find(entries.begin(), entries.end(), text);
            written = it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
        }
        reselect(list, written);
    }
    return true;
}

bool WriteSequenceItem(Context& ctx, std::int32_t code, const std::string& text, int fieldLength,
                       int address, int item) {
    const std::vector<int> values =
        ctx.window.scanCodeFormFlag ? tokenValues(text) : characterCodes(text);
    if (ctx.window.comboWriteFlag) {
        storeSequence(ctx, values, fieldLength, address, item);
    } else {
        sendFrame(ctx, code, values, fieldLength);
    }
    reselect(listOf(ctx, item), 0);
    ctx.window.scanCodeFormFlag = false;
    return true;
}

void SendSequencePreset(Context& ctx, std::int32_t code, const std::string& scanCodeText,
                        int fieldLength) {
    sendFrame(ctx, code, tokenValues(scanCodeText), fieldLength);
}

bool WriteScanCodeMode(Context& ctx, std::int16_t mode) {
    const ui::ItemStore& s = ui::itemStore(ui::kScanCodeModeItem);
    if (ctx.window.comboWriteFlag) {
        const int byte = imageByte(ctx, s.address);
        setImageByte(ctx, s.address, mode == 0 ? (byte & s.clearMask) : (byte | s.setMask));
    } else {
        sendFrame(ctx, s.code, {ctx.window.scanCodeDisplayMode != 0 ? 0x31 : 0x30}, 0);
    }
    return true;
}

}  // namespace tavrin::eeprom
