#pragma once
// What differs between two sets of settings: the items, by the text a
// person sees and by the image bits each holds, and the raw bytes where no
// item holds the difference.

#include <cstdint>
#include <string>
#include <vector>

#include "settings_file/profile.h"

namespace tavrin::ui {

struct ItemDifference {
    int number = 0;  // 79 for the scan-code mode
    std::string key;
    std::string caption;
    std::string a, b;            // shown values, UTF-8
    std::string bytesA, bytesB;  // the image bytes the item holds, "85" or "3F 00 00"
};

struct ByteDifference {
    int address = 0;
    std::int32_t a = 0, b = 0;
};

struct Differences {
    std::vector<ItemDifference> items;
    std::vector<ByteDifference> bytes;
    bool empty() const { return items.empty() && bytes.empty(); }
};

// Items by number, the mode as item 79 ("YES"/"NO" as Combo5 shows it).
// An item differs when its shown value differs or any image bit it holds
// does: two byte values can show the same text (a start code of 0x00 shows
// "*" as 0x2A does). bytes lists every address whose values differ in bits
// no item holds (a signature, a spare bit, a wide value of a binary file).
Differences compareProfiles(const settings_file::Profile& a, const settings_file::Profile& b);

// The image bytes item n holds, as two hexadecimal digits each; empty for
// an item no write reaches.
std::string itemBytes(const settings_file::Profile& profile, int item);

// "2A", or more digits for a wide value of a binary file.
std::string hexValue(std::int32_t value);

}  // namespace tavrin::ui
