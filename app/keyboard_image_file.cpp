#include "app/keyboard_image_file.h"

#include "settings_file/settings_file.h"

namespace tavrin::app {

bool loadKeyboardImage(platform::FileSystem& files, const std::string& path,
                       KeyboardEeprom& eeprom) {
    eeprom::EepromImage image{};
    if (settings_file::load(files, path, image) != settings_file::LoadResult::Loaded) {
        return false;
    }
    // An EEPROM cell holds a byte; a file value keeps its low eight bits.
    for (std::size_t a = 0; a < eeprom.size(); ++a) {
        eeprom[a] = static_cast<std::uint8_t>(image[a] & 0xFF);
    }
    return true;
}

platform::SaveResult saveKeyboardImage(platform::FileSystem& files, const std::string& path,
                                       const KeyboardEeprom& eeprom) {
    eeprom::EepromImage image{};
    for (std::size_t a = 0; a < eeprom.size(); ++a) {
        image[a] = eeprom[a];
    }
    return settings_file::save(files, path, image);
}

std::string userKeyboardImagePath(const char* xdgDataHome, const char* home) {
    auto absolute = [](const char* folder) { return folder != nullptr && folder[0] == '/'; };
    // Without its trailing separators ("/" becomes empty), ready for "/name".
    auto trimmed = [](std::string folder) {
        while (!folder.empty() && folder.back() == '/') {
            folder.pop_back();
        }
        return folder;
    };
    std::string data;
    if (absolute(xdgDataHome)) {
        data = trimmed(xdgDataHome);
    } else if (absolute(home)) {
        data = trimmed(home) + "/.local/share";
    } else {
        return {};
    }
    return data + "/tavrin/simulated-keyboard.bin";
}

}  // namespace tavrin::app
