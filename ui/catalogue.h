#pragma once
// The 78 items of the main window as data: number, caption, group, tab,
// kind, choices and the combo box that shows each one.

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace tavrin::ui {

inline constexpr int kItemCount = 78;
inline constexpr int kScanCodeModeItem = 79;  // the dispatch's number for the mode

enum class ItemKind { Fixed, Choice, Number, Sequence };

// Which control shows an item's current value.
enum class ValueControl { List, Cb, Combo1, Combo2, Combo3, Combo4 };

struct ItemDef {
    int number = 0;
    std::string_view caption;
    std::string_view group;  // the frame's caption
    std::string_view tab;    // "MSR Basic", "MSR /1", "MSR/ 2" or a barcode tab
    ItemKind kind = ItemKind::Fixed;
    std::span<const std::string_view> choices;  // empty for number and sequence items
    ValueControl control = ValueControl::List;
    bool listHidden = false;  // lstItem hidden under its combo box
    // Names the item in profiles and on the command line. Captions repeat
    // (five items are "Send Check Digit"), so each item has a key of its
    // own: lower case, unique, and never changed once released.
    std::string_view key;
};

// n in 1..78.
const ItemDef& item(int n);
std::span<const ItemDef> items();

// A fixed item's value is shown greyed: nothing changes it.
inline bool valueShownEnabled(int n) {
    return item(n).kind != ItemKind::Fixed;
}
// A sequence can be longer than its field: its whole text is the tooltip.
inline bool valueTextAsTip(int n) {
    return item(n).kind == ItemKind::Sequence;
}

// The scan-code display mode under its own key, next to the items.
inline constexpr std::string_view kScanCodeModeKey = "mode";

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

}  // namespace tavrin::ui
