#pragma once
// Which address and bits of the image carry which item, and how one byte
// becomes its items' values.

#include <cstdint>

#include "eeprom/context.h"

namespace tavrin::eeprom {

// Entry indices found while walking an image, applied at the end of it.
struct PendingIndices {
    std::int16_t startCode = 0;
    std::int16_t stopCode = 0;
    std::int16_t country = 0;
    std::int16_t msrType = 0;

    // Where the walk keeps item n's index; null for the items shown at once.
    std::int16_t* of(int item);
};

// Applies the map's rule for one address to the window; never fails.
void DecodeSettingByte(Context& ctx, PendingIndices& pending, std::int32_t value, int address);

// Selects the entry whose text is the one character of code value and
// returns its index; 0 with no selection when none matches.
std::int16_t SelectEntryByCharacter(Context& ctx, int item, std::int32_t value);

}  // namespace tavrin::eeprom
