#pragma once
// The 78 items of the main window as data (one row each in the item table):
// lookup by number and name, the combo box that shows each one, and the
// image bits each item's value occupies.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_table.h"

namespace tavrin::ui {

// n in 1..78.
const ItemDef& item(int n);
std::span<const ItemDef> items();

// Where item n (1..79) goes; a store of encoding None for any other number.
const ItemStore& itemStore(int n);

// The whole-image write sends items 3..79 in order.
inline constexpr int kFirstWriteItem = 3;
inline constexpr int kLastWriteItem = kScanCodeModeItem;

// A fixed item's value is shown greyed: nothing changes it.
inline bool valueShownEnabled(int n) {
    return item(n).kind != ItemKind::Fixed;
}
// A sequence can be longer than its field: its whole text is the tooltip.
inline bool valueTextAsTip(int n) {
    return item(n).kind == ItemKind::Sequence;
}

// The item named by a number ("3".."79") or a key ("msr.track2.enable",
// "mode"); 0 when the name means no item.
int findItem(std::string_view name);

// The name of the combo box that shows item n's value: "cb_<n>" or
// "Combo1".."Combo4"; empty for a list.
std::string valueControlName(int n);

// Captions of the frame3 array, index 0..13, and the items each holds.
struct FrameDef {
    std::string_view caption;
    int firstItem;
    int lastItem;
};
std::span<const FrameDef> frame3Frames();

inline constexpr std::string_view kFrame3_11ModeOn = "Preamble/Postamble Setting In Hexidecimal";
inline constexpr std::string_view kFrame3_11ModeOff = "Preamble/Postamble Setting               ";

// Image bits that hold an item's value as a write stores it: a flag's own
// bit, every bit of a byte value, each byte of a sequence field. A flag
// written "NO" also clears spare bits of its byte, but which ones depends
// on the order of the writes, so those belong to no item.
struct ItemField {
    int address = 0;
    int mask = 0;
};
std::vector<ItemField> storeFields(const ItemStore& store);
// Item 79 is the scan-code mode; empty for items no write reaches.
std::vector<ItemField> itemFields(int n);
// The union over every item of the bits it holds at address.
int valueBits(int address);
// The bits of image address a that some item's write touches, the spare
// bits a flag's "NO" clears included; a difference outside them is one no
// item shows.
int itemBits(int address);

}  // namespace tavrin::ui
