#pragma once
// Showing an image: the address walk into the items, the sequence texts,
// and the refresh of the combo boxes and captions.

#include <string>

#include "eeprom/context.h"

namespace tavrin::eeprom {

void ShowImage(Context& ctx);
// address is the last byte of a sequence field; others do nothing.
void ShowSequenceText(Context& ctx, const std::string& text, int address);
void gorefresh(Context& ctx);
void lstItem_Scroll(Context& ctx, int item);

}  // namespace tavrin::eeprom
