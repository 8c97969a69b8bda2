#include "app/keyboard_image_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "settings_file/settings_file.h"

namespace tavrin::app {

ImageFileLoad loadKeyboardImage(platform::FileSystem& files, const std::string& path,
                                KeyboardEeprom& eeprom) {
    auto refused = [](std::string why) { return ImageFileLoad{ImageFileState::Refused, why}; };
    std::error_code ec;
    // The type is looked at before the file is opened: reading a FIFO would
    // wait for a writer that never comes.
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return {};
    }
    if (ec) {
        return refused(ec.message());
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return refused("is a folder");
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return refused("not a regular file");
    }
    const auto bytes = files.readFileHead(path, settings_file::kFileSize + 1);
    if (!bytes) {
        return refused("cannot be read");
    }
    if (bytes->size() != settings_file::kFileSize) {
        return refused(std::to_string(bytes->size()) + " bytes, not the " +
                       std::to_string(settings_file::kFileSize) + " of a settings file");
    }
    eeprom::EepromImage image{};
    settings_file::decodeInto(*bytes, image);
    for (std::size_t a = 0; a < eeprom.size(); ++a) {
        if (image[a] < 0 || image[a] > 0xFF) {
            char text[64];
            std::snprintf(text, sizeof text, "address %zu holds %X, which is no byte", a,
                          static_cast<unsigned>(image[a]));
            return refused(text);
        }
    }
    for (std::size_t a = 0; a < eeprom.size(); ++a) {
        eeprom[a] = static_cast<std::uint8_t>(image[a]);
    }
    return {ImageFileState::Loaded, {}};
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
