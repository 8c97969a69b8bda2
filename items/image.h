#pragma once
// The in-memory copy of the keyboard's 128-byte EEPROM: addresses 0..127
// hold byte values, entry 128 is spare. Entries are 32-bit because the
// settings file stores them in that width.

#include <array>
#include <cstdint>

namespace tavrin::eeprom {

inline constexpr int kEepromSize = 128;
using EepromImage = std::array<std::int32_t, kEepromSize + 1>;

inline constexpr int kSignature0 = 0x55;  // address 0
inline constexpr int kSignature1 = 0xAA;  // address 1

}  // namespace tavrin::eeprom
