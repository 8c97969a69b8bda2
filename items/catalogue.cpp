#include "items/catalogue.h"

#include <stdexcept>

namespace tavrin::ui {

namespace {

constexpr std::array<FrameDef, 14> kFrame3{{
    {"Code 39", 13, 20},
    {"Code Bar", 21, 24},
    {"Code MSI", 25, 28},
    {"Code 128", 29, 32},
    {"Interleaved 2/5", 33, 38},
    {"Code 11", 39, 43},
    {"UPC-E", 44, 47},
    {"UPC-A", 48, 51},
    {"EAN-8", 52, 55},
    {"EAN-13", 56, 59},
    {"Msr Common Setting", 60, 64},
    {"Preamble/Postamble Setting", 65, 72},
    {"Error Setting", 73, 75},
    {"Parity Check", 76, 78},
}};

constexpr bool rowsInItemOrder() {
    for (std::size_t i = 0; i < table::kRows.size(); ++i) {
        if (table::kRows[i].number != static_cast<int>(i) + 1) {
            return false;
        }
    }
    return true;
}
static_assert(rowsInItemOrder(), "row n - 1 of the item table must be item n");

constexpr ItemStore kNoStore{};

}  // namespace

const ItemDef& item(int n) {
    if (n < 1 || n > kItemCount) {
        throw std::out_of_range("no item " + std::to_string(n));
    }
    return table::kRows[static_cast<std::size_t>(n - 1)];
}

std::span<const ItemDef> items() {
    return itemTable().first(kItemCount);
}

const ItemStore& itemStore(int n) {
    if (n < 1 || n > static_cast<int>(table::kRows.size())) {
        return kNoStore;
    }
    return table::kRows[static_cast<std::size_t>(n - 1)].store;
}

int findItem(std::string_view name) {
    if (!name.empty() && name.size() <= 2 &&
        name.find_first_not_of("0123456789") == std::string_view::npos) {
        int n = 0;
        for (char c : name) {
            n = n * 10 + (c - '0');
        }
        return n >= 1 && n <= kScanCodeModeItem ? n : 0;
    }
    for (const ItemDef& def : itemTable()) {
        if (def.key == name) {
            return def.number;
        }
    }
    return 0;
}

std::string valueControlName(int n) {
    if (n < 1 || n > kItemCount) {
        return {};
    }
    switch (item(n).control) {
        case ValueControl::Cb:
            return "cb_" + std::to_string(n);
        case ValueControl::List:
            return {};
        default:
            return "Combo" + std::to_string(static_cast<int>(item(n).control) -
                                            static_cast<int>(ValueControl::Cb));
    }
}

std::span<const FrameDef> frame3Frames() {
    return kFrame3;
}

std::vector<ItemField> itemFields(int n) {
    return storeFields(itemStore(n));
}

std::vector<ItemField> storeFields(const ItemStore& s) {
    switch (s.encoding) {
        case Encoding::None:
            return {};
        case Encoding::Flag:
        case Encoding::ModeBit:
            return {{s.address, s.setMask}};
        case Encoding::Sequence: {
            std::vector<ItemField> fields;
            for (int i = 0; i < s.fieldLength; ++i) {
                fields.push_back({s.address + i, 0xFF});
            }
            return fields;
        }
        default:
            return {{s.address, 0xFF}};
    }
}

int valueBits(int address) {
    int bits = 0;
    for (const ItemDef& def : itemTable()) {
        for (const ItemField& field : itemFields(def.number)) {
            if (field.address == address) {
                bits |= field.mask;
            }
        }
    }
    return bits;
}

int itemBits(int address) {
    int bits = valueBits(address);
    for (const ItemDef& def : itemTable()) {
        const ItemStore& s = def.store;
        const bool bitField = s.encoding == Encoding::Flag || s.encoding == Encoding::ModeBit;
        if (bitField && s.address == address) {
            bits |= ~s.clearMask & 0xFF;
        }
    }
    return bits;
}

}  // namespace tavrin::ui
