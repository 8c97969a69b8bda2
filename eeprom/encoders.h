#pragma once
// Every setting reaches the keyboard as one frame: its setting code and the
// value bytes. With the combo write flag set an encoder changes the image
// instead and sends nothing.

#include <cstdint>
#include <string>

#include "eeprom/context.h"

namespace tavrin::eeprom {

std::int32_t HexPairValue(const std::string& text);

bool WriteChoiceItem(Context& ctx, int item, std::int32_t code, bool imageOnly);
bool WriteNumberItem(Context& ctx, std::int32_t code, const std::string& text, int address,
                     int item);
bool WriteListTextItem(Context& ctx, std::int32_t code, const std::string& text, int length,
                       int address, int item, bool imageOnly);
bool WriteSequenceItem(Context& ctx, std::int32_t code, const std::string& text, int fieldLength,
                       int address, int item);
void SendSequencePreset(Context& ctx, std::int32_t code, const std::string& scanCodeText,
                        int fieldLength);
bool WriteScanCodeMode(Context& ctx, std::int16_t mode);

}  // namespace tavrin::eeprom
