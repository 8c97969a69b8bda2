#pragma once
// The multi-frame operations: whole-image write, reset to default and the
// OPOS preset.

#include <cstdint>
#include <string_view>
#include <vector>

#include "eeprom/context.h"
#include "eeprom/dump.h"

namespace tavrin::eeprom {

// What a device operation came to; the message boxes it showed say the
// same to the operator.
enum class DeviceOutcome {
    Done,          // every byte reached the controller; a read-back, where there is one, succeeded
    Declined,      // the operator did not confirm; nothing was sent
    DriverClosed,  // the port driver is not open; nothing was sent
    NotSent,       // a byte the controller never took, or whose port access was refused
    Refused,       // a shown value failed its check, or an image value cannot be sent: not sent
    ReadFailed,    // every byte went out, but the read-back did not succeed
    WrongSignature,  // every byte went out and was read back: no keyboard's signature
    Busy,            // another operation was running; nothing started
};

// An item's byte the whole-image write could not send: only a settings
// file brings a value outside 0..255, which the display shows as no value
// and the dispatch then leaves out, so the keyboard would keep its own.
struct UnsendableValue {
    int address;
    std::int32_t value;
};
std::vector<UnsendableValue> unsendableValues(const EepromImage& image);

// The whole-image write, the reset and the preset each end with one message
// box for the operator. With the driver closed none of them sends anything;
// a byte that never reached the controller makes the operation an error,
// never a success. An image holding an unsendable value is refused before
// anything is sent.
DeviceOutcome writeSettingtoEEPROM_Click(Context& ctx);
DeviceOutcome Resettodefault_Click(Context& ctx);
DeviceOutcome Cmdpt_Click(Context& ctx);

// The error boxes of the operations that write: "Write to EEPROM error!"
// (the whole-image write, an item's own frame) and "Wrote setting to EEPROM
// error!" (the reset and the preset, as RESET EEPROM refuses).
void ShowWriteError(Context& ctx);
void ShowWroteSettingError(Context& ctx);

// What a read-back came to, as one of a device operation's outcomes.
DeviceOutcome readBackOutcome(const ReadOutcome& read);

// The scan-code text the OPOS preset stores in item 65..72; empty for
// every other item.
std::string_view OposPresetText(int item);

}  // namespace tavrin::eeprom
