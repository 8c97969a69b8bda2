#pragma once
// What differs between two sets of settings: the items a person sees, and
// the raw bytes where no item shows the difference.

#include <cstdint>
#include <string>
#include <vector>

#include "settings_file/profile.h"

namespace tavrin::ui {

struct ItemDifference {
    int number = 0;  // 79 for the scan-code mode
    std::string key;
    std::string caption;
    std::string a, b;  // shown values, UTF-8
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
// With withBytes, also every address whose values differ in bits that no
// item carries (a signature, a spare bit, a wide value of a binary file).
Differences compareProfiles(const settings_file::Profile& a, const settings_file::Profile& b,
                            bool withBytes);

}  // namespace tavrin::ui
