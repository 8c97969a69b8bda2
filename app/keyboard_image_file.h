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

}  // namespace tavrin::app
