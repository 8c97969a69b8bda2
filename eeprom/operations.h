#pragma once
// The multi-frame operations: whole-image write, reset to default and the
// OPOS preset.

#include <string_view>

#include "eeprom/context.h"

namespace tavrin::eeprom {

void writeSettingtoEEPROM_Click(Context& ctx);
void Resettodefault_Click(Context& ctx);
void Cmdpt_Click(Context& ctx);

// The scan-code text the OPOS preset stores in item 65..72; empty for
// every other item.
std::string_view OposPresetText(int item);

}  // namespace tavrin::eeprom
