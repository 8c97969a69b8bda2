#pragma once
// The simulated keyboard's EEPROM kept between runs in a settings file.

#include <array>
#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace tavrin::app {

using KeyboardEeprom = std::array<std::uint8_t, 128>;

enum class ImageFileState {
    // 512 bytes of 128 byte values: the EEPROM is now theirs (a keyboard
    // that lost its signature is one the simulation may stand for)
    Loaded,
    Absent,   // no file yet: the keyboard keeps its factory settings, the end makes it
    Refused,  // anything else: never loaded, and never to be written over
};

struct ImageFileLoad {
    ImageFileState state = ImageFileState::Absent;
    std::string reason;  // Refused: why, in a few words
};

// Only a file that is absent or exactly what saveKeyboardImage writes is
// taken: a profile, a short or long file, a folder or a FIFO named by
// mistake would otherwise be overwritten by the image at the end. The
// EEPROM changes only when the state is Loaded.
ImageFileLoad loadKeyboardImage(platform::FileSystem& files, const std::string& path,
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
