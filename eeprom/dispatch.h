#pragma once
// The one operation through which a single item's value leaves the window.

#include "eeprom/context.h"

namespace tavrin::eeprom {

// What became of the value an item shows.
enum class ItemValue {
    Written,    // handed to the item's encoder, which sends nothing when there is no value
    Unchanged,  // nothing to write: the operator cancelled, or the item has no group
    Refused,    // rejected by the check: the item keeps its text and nothing is written
};

ItemValue cmdItem_Click(Context& ctx, int item);

}  // namespace tavrin::eeprom
