#pragma once
// An item's value as the window shows it, and the outcome of an edit made
// through the window's own dispatch.

#include <optional>
#include <string>
#include <vector>

#include "items/window_model.h"

namespace tavrin::ui {

// The value the window shows as item n's current setting (Windows-1252);
// item 79 gives the scan-code mode as Combo5 shows it, "YES" or "NO".
std::string shownValue(const WindowModel& window, int item);

enum class EditStatus {
    Applied,
    Rejected,     // the window's own check refused the value; message holds its text
    NotEditable,  // a fixed item or no item at all
    NoSuchEntry,  // not one of a choice item's entries; message lists them
};

struct EditResult {
    EditStatus status = EditStatus::Applied;
    std::string message;
    bool applied() const { return status == EditStatus::Applied; }
};

// "scan" / "YES" and "characters" / "NO", any case; nullopt otherwise.
std::optional<bool> scanCodeModeOf(const std::string& value);

// The entry a choice value names: the first equal to it, else the first
// equal in any case; nullopt for none.
std::optional<std::size_t> findEntry(const std::vector<std::string>& entries,
                                     const std::string& value);
// The entries as a list to read: "A", "B".
std::string quotedEntries(const std::vector<std::string>& entries);

// The checks a value given for an item passes before it reaches the
// dispatch (which then runs the number box's and frmPrePost's own).
enum class ValueFault {
    None,
    NoItem,       // no item 1..79
    Fixed,        // nothing changes a fixed item
    NoSuchEntry,  // not one of a choice item's entries, nor a mode
    NotStorable,  // a character Windows-1252 has not
};

struct ValueCheck {
    ValueFault fault = ValueFault::None;
    std::string text;          // the value as the window holds it (Windows-1252)
    std::string validEntries;  // with NoSuchEntry: what would be taken
    bool passed() const { return fault == ValueFault::None; }
};

// item 1..79; value as UTF-8 text.
ValueCheck checkValue(int item, const std::string& value);

// Items 65 and 66 carry six scan codes in their frame and keep three in
// the image: the codes of a value beyond its image field ("<44><55>"),
// which no read shows; empty for any other value or item.
std::string codesBeyondImage(int item, const std::string& text, bool scanCodeMode);

}  // namespace tavrin::ui
