#pragma once
// Reading the EEPROM: the read command, the typed dump and its nibbles.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "eeprom/context.h"

namespace tavrin::eeprom {

// The nibble byte (0xC0 | n) of a virtual-key code, or nullopt.
std::optional<std::uint8_t> NibbleOfKey(std::uint8_t virtualKey);

// What a read came to, and its figures.
enum class ReadFault {
    None,          // the keyboard answered in full
    DriverClosed,  // the port driver is not open; nothing was sent
    NoSystemName,  // the system's name is unknown, so the answer's layout is; nothing was sent
    NoAnswer,      // not one keystroke came back before the time-out
    ShortAnswer,   // some keystrokes came back, not all of them
    NotNibbles,    // a keystroke of the answer stands for no nibble
    Refused,       // every byte of the read command was refused, and no key came
    SourceGone,    // the keys' source went away during the capture
};

struct ReadOutcome {
    explicit ReadOutcome(ReadFault f = ReadFault::None) : fault(f) {}

    ReadFault fault;
    int keys = 0;          // keystrokes of the answer stored
    int expectedKeys = 0;  // keystrokes a full answer has
    // Signature addresses (0, 1) the image read holds wrongly; the walk
    // shows a box for each.
    std::vector<int> wrongSignatureAt;

    bool answered() const { return fault == ReadFault::None; }
    // Answered, with a keyboard's signature.
    bool clean() const { return answered() && wrongSignatureAt.empty(); }
    operator bool() const { return answered(); }  // NOLINT: reads as "did it read"
};

// The read: command, capture, layout and conversion. On success the nibble
// image holds the answer and window.aboutLabel6 the firmware version.
ReadOutcome ReadEepromDump(Context& ctx);
// Maps positions 0..257 through the nibble key table in place; false at
// the first code that is not in it.
bool ConvertDumpToNibbles(std::span<std::uint8_t, kNibbleCount> nibbles);
// Clears every item list's selection and fills image addresses 0..127.
void BuildImageFromNibbles(Context& ctx);

// What every caller of a read does with its result: on success the image
// is built and shown and the image valid flag set; on failure only the
// flag is cleared. Returns the read's outcome.
ReadOutcome ReadAndShow(Context& ctx);

// The "READ EEPROM" command: ReadAndShow, gorefresh, repaint, message.
ReadOutcome ReadsettingfromEEPROM_Click(Context& ctx);

}  // namespace tavrin::eeprom
