#pragma once
// A settings profile: the settings as JSON a person can read, review and
// compare. It holds the format name and version, every item by key with its
// number, caption and shown value, the scan-code mode, and the raw image,
// so bytes no item shows survive every round trip. On load the items
// override the image; the items are applied by the window's own dispatch,
// so this part only reads and writes the text.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "items/image.h"

namespace tavrin::settings_file {

inline constexpr const char* kProfileFormat = "tavrin-profile";
inline constexpr int kProfileVersion = 1;

struct ProfileItem {
    int number = 0;
    std::string key;
    std::string caption;
    std::string value;  // as shown, UTF-8
    int line = 0;       // where the item stands in the text read
};

struct Profile {
    eeprom::EepromImage image{};  // addresses 0..127
    std::string mode;             // "scan" or "characters"; empty when absent
    int modeLine = 0;
    std::vector<ProfileItem> items;
};

struct ProfileError {
    int line = 0;  // 0 when the fault has no line of its own
    std::string reason;
};

struct ProfileParse {
    std::optional<Profile> profile;
    ProfileError error;  // when profile is empty
};

// True when the bytes are text opening a JSON object: after an optional
// byte order mark and white space a '{', and no zero byte anywhere. A
// binary settings file always holds zero bytes (the upper bytes of its
// values).
bool isProfile(std::span<const std::uint8_t> bytes);

// Bytes in, a profile or the reason and line out; no side effects. Item
// keys and numbers are checked against the catalogue; values are not
// (the window's checks do that when they are applied).
ProfileParse parseProfile(std::span<const std::uint8_t> bytes);

// One item per line, the image as eight lines of sixteen values.
std::string writeProfile(const Profile& profile);

enum class Format { Binary, Profile };
// Profiles are saved under names ending in ".json" (any case).
Format formatForName(const std::string& path);

}  // namespace tavrin::settings_file
