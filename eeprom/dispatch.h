#pragma once
// The one operation through which a single item's value leaves the window.

#include "eeprom/context.h"

namespace tavrin::eeprom {

void cmdItem_Click(Context& ctx, int item);

}  // namespace tavrin::eeprom
