#include "eeprom/map.h"

#include <algorithm>
#include <array>
#include <string>

#include "items/catalogue.h"
#include "items/image.h"

namespace tavrin::eeprom {

namespace {

// The items that read each image byte, in address order and, within a
// byte, from the lowest bit up; the sequence fields are shown apart.
struct ByteReader {
    int address;
    int mask;
    int item;
};

constexpr bool readByByte(const ui::ItemDef& def) {
    return def.store.encoding != ui::Encoding::None && def.store.encoding != ui::Encoding::Sequence;
}

constexpr auto kReaders = [] {
    std::array<ByteReader, std::ranges::count_if(ui::itemTable(), readByByte)> readers{};
    std::size_t i = 0;
    for (const ui::ItemDef& def : ui::itemTable()) {
        if (readByByte(def)) {
            readers[i++] = {def.store.address, def.store.setMask, def.number};
        }
    }
    std::sort(readers.begin(), readers.end(), [](const ByteReader& x, const ByteReader& y) {
        return x.address != y.address ? x.address < y.address : x.mask < y.mask;
    });
    return readers;
}();

// Only a settings file can put anything else into an entry; such a value
// is shown as no value rather than guessed from its low byte.
bool isByte(std::int32_t v) {
    return v >= 0 && v <= 0xFF;
}

ui::ListBox& list(Context& ctx, int item) {
    return ctx.window.lstItem[static_cast<std::size_t>(item)];
}

void showSignature(Context& ctx, std::int32_t v, int expected) {
    if (v == expected) {
        return;
    }
    ctx.dialogs.MsgBox("Read from EEPROM error!", "Message", platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
    ctx.counters.countSendError();
}

void showBcd(Context& ctx, int item, std::int32_t v) {
    ui::ListBox& l = list(ctx, item);
    l.clear();
    const int tens = (v >> 4) & 0x0F;
    const int units = v & 0x0F;
    if (!isByte(v) || tens > 9 || units > 9) {
        return;  // no number: the item shows no value
    }
    l.addItem(std::to_string(10 * tens + units));
    l.setListIndex(0);
}

// The image-only write stores 0, 2 or 5 and the device write "0", "2" or
// "5"; both keep the count in the low nibble, so that is what is shown.
void showDigitCount(Context& ctx, int item, std::int32_t v) {
    static constexpr std::array<int, 3> kCounts{0, 2, 5};
    ui::ListBox& l = list(ctx, item);
    ui::ComboBox& combo = ctx.window.cb[static_cast<std::size_t>(item)];
    const auto* it = std::ranges::find(kCounts, v & 0x0F);
    if (!isByte(v) || it == kCounts.end()) {
        l.setListIndex(-1);
        combo.setText(isByte(v) ? std::to_string(v) : std::string());
        return;
    }
    l.setListIndex(static_cast<int>(it - kCounts.begin()));
    combo.setText(l.selectedText());
}

std::int16_t showCharacterChoice(Context& ctx, int item, std::int32_t v) {
    if (!isByte(v)) {
        list(ctx, item).setListIndex(-1);
        return -1;  // no selection when the walk ends
    }
    return SelectEntryByCharacter(ctx, item, v);
}

void apply(Context& ctx, PendingIndices& pending, int item, std::int32_t v) {
    const ui::ItemStore& s = ui::itemStore(item);
    const int nibble = v & 0x0F;
    switch (s.encoding) {
        case ui::Encoding::Flag:
            list(ctx, item).setListIndex(!isByte(v) ? -1 : (v & s.setMask) != 0 ? 1 : 0);
            break;
        case ui::Encoding::Bcd:
            showBcd(ctx, item, v);
            break;
        case ui::Encoding::DigitCount:
            showDigitCount(ctx, item, v);
            break;
        case ui::Encoding::Character:
            *pending.of(item) = showCharacterChoice(ctx, item, v);
            break;
        case ui::Encoding::Country:
            list(ctx, item).setListIndex(-1);
            pending.country = static_cast<std::int16_t>(isByte(v) ? nibble : -1);
            if (pending.country <= 5) {
                list(ctx, item).setListIndex(pending.country);
            }
            break;
        case ui::Encoding::MsrType:
            // Selected from the pending index once the walk is done.
            list(ctx, item).setListIndex(-1);
            pending.msrType = static_cast<std::int16_t>(isByte(v) ? nibble - 1 : -1);
            break;
        case ui::Encoding::Scanner:
            list(ctx, item).setListIndex(!isByte(v) ? -1 : nibble != 0 ? 1 : 0);
            break;
        case ui::Encoding::ModeBit:
            // A value that is no byte leaves the mode in force.
            if (isByte(v)) {
                ctx.window.scanCodeDisplayMode = (v & s.setMask) != 0 ? 1 : 0;
            }
            ctx.window.frame3Caption[11] = std::string(
                ctx.window.scanCodeDisplayMode == 1 ? ui::kFrame3_11ModeOn : ui::kFrame3_11ModeOff);
            break;
        case ui::Encoding::None:
        case ui::Encoding::Sequence:
            break;
    }
}

// The first character choice is the start code, the other the stop code.
constexpr int kStartCodeItem = [] {
    for (const ui::ItemDef& def : ui::itemTable()) {
        if (def.store.encoding == ui::Encoding::Character) {
            return def.number;
        }
    }
    return 0;
}();

}  // namespace

std::int16_t* PendingIndices::of(int item) {
    switch (ui::itemStore(item).encoding) {
        case ui::Encoding::Country:
            return &country;
        case ui::Encoding::MsrType:
            return &msrType;
        case ui::Encoding::Character:
            return item == kStartCodeItem ? &startCode : &stopCode;
        default:
            return nullptr;
    }
}

void DecodeSettingByte(Context& ctx, PendingIndices& pending, std::int32_t value, int address) {
    if (address == 0 || address == 1) {
        showSignature(ctx, value, address == 0 ? kSignature0 : kSignature1);
        return;
    }
    // Plain iterators: clang 14 (the fuzz build) rejects libstdc++'s subrange.
    struct ByAddress {
        bool operator()(const ByteReader& r, int a) const { return r.address < a; }
        bool operator()(int a, const ByteReader& r) const { return a < r.address; }
    };
    const auto [first, last] =
        std::equal_range(kReaders.begin(), kReaders.end(), address, ByAddress{});
    for (auto reader = first; reader != last; ++reader) {
        apply(ctx, pending, reader->item, value);
    }
}

std::int16_t SelectEntryByCharacter(Context& ctx, int item, std::int32_t value) {
    if (item < 1 || item > ui::kItemCount) {
        return 0;
    }
    ui::ListBox& l = list(ctx, item);
    l.setListIndex(-1);
    if (!isByte(value)) {
        return 0;
    }
    const std::string character(1, static_cast<char>(value));
    for (int i = 0; i < l.listCount(); ++i) {
        if (l.entryText(i) == character) {
            l.setListIndex(i);
            return static_cast<std::int16_t>(i);
        }
    }
    return 0;
}

}  // namespace tavrin::eeprom
