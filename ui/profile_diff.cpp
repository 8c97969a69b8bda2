#include "ui/profile_diff.h"

#include <cstdio>
#include <map>

#include "items/catalogue.h"
#include "ui/item_values.h"

namespace tavrin::ui {

namespace {

std::string modeShown(const std::string& mode) {
    const std::optional<bool> on = scanCodeModeOf(mode);
    return on ? (*on ? "YES" : "NO") : mode;
}

std::uint32_t at(const settings_file::Profile& p, int address) {
    return static_cast<std::uint32_t>(p.image[static_cast<std::size_t>(address)]);
}

bool bitsDiffer(const settings_file::Profile& a, const settings_file::Profile& b, int item) {
    for (const ui::ItemField& field : ui::itemFields(item)) {
        if (((at(a, field.address) ^ at(b, field.address)) & field.mask) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string hexValue(std::int32_t value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<std::uint32_t>(value));
    return hex;
}

std::string itemBytes(const settings_file::Profile& profile, int item) {
    std::string text;
    for (const ui::ItemField& field : ui::itemFields(item)) {
        text += (text.empty() ? "" : " ") +
                hexValue(profile.image[static_cast<std::size_t>(field.address)]);
    }
    return text;
}

Differences compareProfiles(const settings_file::Profile& a, const settings_file::Profile& b) {
    Differences d;
    std::map<int, const settings_file::ProfileItem*> inB;
    for (const auto& item : b.items) {
        inB[item.number] = &item;
    }
    for (const auto& item : a.items) {
        const auto other = inB.find(item.number);
        const std::string bValue = other == inB.end() ? std::string() : other->second->value;
        if (other == inB.end() || bValue != item.value || bitsDiffer(a, b, item.number)) {
            d.items.push_back({item.number, item.key, item.caption, item.value, bValue,
                               itemBytes(a, item.number), itemBytes(b, item.number)});
        }
    }
    if (modeShown(a.mode) != modeShown(b.mode) || bitsDiffer(a, b, kScanCodeModeItem)) {
        d.items.push_back({kScanCodeModeItem, std::string(kScanCodeModeKey),
                           "Scan Codes (SCAN SET 2)", modeShown(a.mode), modeShown(b.mode),
                           itemBytes(a, kScanCodeModeItem), itemBytes(b, kScanCodeModeItem)});
    }
    for (int address = 0; address < eeprom::kEepromSize; ++address) {
        const std::uint32_t differing = at(a, address) ^ at(b, address);
        if ((differing & ~static_cast<std::uint32_t>(ui::valueBits(address))) != 0) {
            d.bytes.push_back({address, a.image[static_cast<std::size_t>(address)],
                               b.image[static_cast<std::size_t>(address)]});
        }
    }
    return d;
}

}  // namespace tavrin::ui
