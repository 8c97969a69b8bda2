#pragma once
// An item's value as the window shows it, and the outcome of an edit made
// through the window's own dispatch.

#include <optional>
#include <string>

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

}  // namespace tavrin::ui
