#pragma once
// The in-memory copy of the keyboard's 128-byte EEPROM: addresses 0..127
// hold byte values, entry 128 is spare. Entries are 32-bit because the
// settings file stores them in that width.

#include <array>
#include <cstdint>
#include <vector>

namespace tavrin::eeprom {

inline constexpr int kEepromSize = 128;
using EepromImage = std::array<std::int32_t, kEepromSize + 1>;

inline constexpr int kSignature0 = 0x55;  // address 0
inline constexpr int kSignature1 = 0xAA;  // address 1

// The addresses of 0 and 1 that do not hold 55 AA, in order: the walk shows
// "Read from EEPROM error!" once for each.
inline std::vector<int> wrongSignatureAt(const EepromImage& image) {
    std::vector<int> wrong;
    for (const int a : {0, 1}) {
        const int expected = a == 0 ? kSignature0 : kSignature1;
        if (static_cast<std::uint32_t>(image[static_cast<std::size_t>(a)]) !=
            static_cast<std::uint32_t>(expected)) {
            wrong.push_back(a);
        }
    }
    return wrong;
}

}  // namespace tavrin::eeprom
