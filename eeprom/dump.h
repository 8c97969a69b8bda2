#pragma once
// Reading the EEPROM: the read command, the typed dump and its nibbles.

#include <cstdint>
#include <optional>
#include <span>

#include "eeprom/context.h"

namespace tavrin::eeprom {

// The nibble byte (0xC0 | n) of a virtual-key code, or nullopt.
std::optional<std::uint8_t> NibbleOfKey(std::uint8_t virtualKey);

// The read: command, capture, layout and conversion. On true the nibble
// image holds the answer and window.aboutLabel6 the firmware version.
bool ReadEepromDump(Context& ctx);
// Maps positions 0..257 through the nibble key table in place; false at
// the first code that is not in it.
bool ConvertDumpToNibbles(std::span<std::uint8_t, kNibbleCount> nibbles);
// Clears every item list's selection and fills image addresses 0..127.
void BuildImageFromNibbles(Context& ctx);

// What every caller of a read does with its result: on success the image
// is built and shown and the image valid flag set; on failure only the
// flag is cleared. Returns the read's result.
bool ReadAndShow(Context& ctx);

// The "READ EEPROM" command: ReadAndShow, gorefresh, repaint, message.
void ReadsettingfromEEPROM_Click(Context& ctx);

}  // namespace tavrin::eeprom
