#include "settings_file/settings_file.h"

#include <cstdio>

namespace tavrin::settings_file {

std::vector<std::uint8_t> encode(const eeprom::EepromImage& image) {
    std::vector<std::uint8_t> bytes(kFileSize);
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        auto value = static_cast<std::uint32_t>(image[static_cast<std::size_t>(a)]);
        for (int i = 0; i < 4; ++i) {
            bytes[static_cast<std::size_t>(4 * a + i)] =
                static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

void decodeInto(std::span<const std::uint8_t> bytes, eeprom::EepromImage& image) {
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            auto k = static_cast<std::size_t>(4 * a + i);
            if (k < bytes.size()) {
                value |= static_cast<std::uint32_t>(bytes[k]) << (8 * i);
            }
        }
        image[static_cast<std::size_t>(a)] = static_cast<std::int32_t>(value);
    }
}

std::string signatureFault(const eeprom::EepromImage& image) {
    std::string fault;
    constexpr int kExpected[] = {eeprom::kSignature0, eeprom::kSignature1};
    for (int a : eeprom::wrongSignatureAt(image)) {
        const auto value = static_cast<std::uint32_t>(image[static_cast<std::size_t>(a)]);
        char text[80];
        std::snprintf(text, sizeof text, "address %d holds %02X (%02X expected)", a, value,
                      static_cast<unsigned>(kExpected[a]));
        fault += (fault.empty() ? "" : ", ") + std::string(text);
    }
    return fault.empty() ? fault : "not a keyboard's settings: " + fault;
}

LoadResult load(platform::FileSystem& files, const std::string& path, eeprom::EepromImage& image) {
    if (!files.fileExists(path)) {
        return LoadResult::NotFound;
    }
    auto bytes = files.readFileHead(path, kFileSize);
    if (!bytes) {
        return LoadResult::Unreadable;
    }
    decodeInto(*bytes, image);
    return LoadResult::Loaded;
}

platform::SaveResult save(platform::FileSystem& files, const std::string& path,
                          const eeprom::EepromImage& image) {
    const std::vector<std::uint8_t> bytes = encode(image);
    // A file as long as the image is overwritten in place (and flushed):
    // that takes no disk space and keeps a longer file's tail. A new or
    // shorter file is saved whole (a fresh file renamed over it), so a full
    // disk leaves no half-written file behind.
    const auto head = files.readFileHead(path, kFileSize);
    if (head && head->size() == kFileSize) {
        return files.writeFileHead(path, bytes);
    }
    return files.replaceFile(path, bytes);
}

}  // namespace tavrin::settings_file
