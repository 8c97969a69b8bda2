#include "ui/profile_diff.h"

#include <map>

#include "eeprom/item_write_table.h"
#include "ui/catalogue.h"
#include "ui/item_values.h"

namespace tavrin::ui {

namespace {

std::string modeShown(const std::string& mode) {
    const std::optional<bool> on = scanCodeModeOf(mode);
    return on ? (*on ? "YES" : "NO") : mode;
}

}  // namespace

Differences compareProfiles(const settings_file::Profile& a, const settings_file::Profile& b,
                            bool withBytes) {
    Differences d;
    std::map<int, const settings_file::ProfileItem*> inB;
    for (const auto& item : b.items) {
        inB[item.number] = &item;
    }
    for (const auto& item : a.items) {
        const auto other = inB.find(item.number);
        const std::string bValue = other == inB.end() ? std::string() : other->second->value;
        if (other == inB.end() || bValue != item.value) {
            d.items.push_back({item.number, item.key, item.caption, item.value, bValue});
        }
    }
    if (modeShown(a.mode) != modeShown(b.mode)) {
        d.items.push_back({kScanCodeModeItem, std::string(kScanCodeModeKey),
                           "Scan Codes (SCAN SET 2)", modeShown(a.mode), modeShown(b.mode)});
    }
    if (withBytes) {
        for (int address = 0; address < eeprom::kEepromSize; ++address) {
            const auto i = static_cast<std::size_t>(address);
            const std::uint32_t differing =
                static_cast<std::uint32_t>(a.image[i]) ^ static_cast<std::uint32_t>(b.image[i]);
            if ((differing & ~static_cast<std::uint32_t>(eeprom::itemBits(address))) != 0) {
                d.bytes.push_back({address, a.image[i], b.image[i]});
            }
        }
    }
    return d;
}

}  // namespace tavrin::ui
