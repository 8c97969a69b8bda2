#pragma once
// The simulated keyboard's EEPROM kept between runs in a settings file.

#include <array>
#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace tavrin::app {

using KeyboardEeprom = std::array<std::uint8_t, 128>;

// False (eeprom untouched) when the file is missing or unreadable.
bool loadKeyboardImage(platform::FileSystem& files, const std::string& path,
                       KeyboardEeprom& eeprom);
platform::SaveResult saveKeyboardImage(platform::FileSystem& files, const std::string& path,
                                       const KeyboardEeprom& eeprom);

// Where the desktop entry's simulated keyboard keeps its EEPROM, in the
// user's data folder: $XDG_DATA_HOME/tavrin/simulated-keyboard.bin, or under
// $HOME/.local/share when XDG_DATA_HOME is unset, empty or not absolute.
// Takes the two variables' values (null when unset); empty when neither
// gives an absolute folder.
std::string userKeyboardImagePath(const char* xdgDataHome, const char* home);

}  // namespace tavrin::app
