#pragma once
// The multi-frame operations: whole-image write, reset to default and the
// OPOS preset.

#include "eeprom/context.h"

namespace tavrin::eeprom {

void writeSettingtoEEPROM_Click(Context& ctx);
void Resettodefault_Click(Context& ctx);
void Cmdpt_Click(Context& ctx);

}  // namespace tavrin::eeprom
