#pragma once
// A settings file is a raw copy of the EEPROM image: 128 little-endian
// 32-bit values, 512 bytes, no header.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "items/image.h"
#include "platform/file_system.h"

namespace tavrin::settings_file {

inline constexpr std::size_t kFileSize = 4 * eeprom::kEepromSize;

std::vector<std::uint8_t> encode(const eeprom::EepromImage& image);
// Addresses 0..127 from the first 512 bytes; values a shorter file lacks
// are 0. Entry 128 is left alone.
void decodeInto(std::span<const std::uint8_t> bytes, eeprom::EepromImage& image);

// Why an image cannot be a keyboard's settings: addresses 0 and 1 must
// hold 55 AA. Names each wrong address and what it holds; empty when both
// are right.
std::string signatureFault(const eeprom::EepromImage& image);

enum class LoadResult { Loaded, NotFound, Unreadable };

// The image changes only when the result is Loaded.
LoadResult load(platform::FileSystem& files, const std::string& path, eeprom::EepromImage& image);
// Writes from the file's first byte without shortening a longer file.
platform::SaveResult save(platform::FileSystem& files, const std::string& path,
                          const eeprom::EepromImage& image);

}  // namespace tavrin::settings_file
