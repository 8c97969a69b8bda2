#pragma once
// What the EEPROM operations work on: the main window's model, the device
// link and the operator's dialogs. One per main window.

#include <array>
#include <cstdint>

#include "items/window_model.h"
#include "link/command_channel.h"
#include "link/counters.h"
#include "link/keystroke_capture.h"
#include "platform/dialogs.h"
#include "platform/version_query.h"

namespace tavrin::eeprom {

inline constexpr int kNibbleCount = 258;

struct Context {
    ui::WindowModel& window;
    link::LinkCounters& counters;
    link::CommandChannel& channel;
    link::KeystrokeCapture& capture;
    platform::VersionQuery& versionQuery;
    platform::OperatorDialogs& dialogs;

    // The last answer of the keyboard, 0xC0 | nibble after a good read.
    std::array<std::uint8_t, kNibbleCount> nibbleImage{};
};

}  // namespace tavrin::eeprom
