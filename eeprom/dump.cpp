#include "eeprom/dump.h"

#include <algorithm>
#include <array>
#include <string>

#include "eeprom/display.h"
#include "items/image.h"
#include "link/os_name.h"

namespace tavrin::eeprom {

namespace {

struct NibbleKey {
    std::uint8_t virtualKey;
    std::uint8_t nibble;
};

// Nibble n arrives as the key whose set-1 make code is 0x40 + n. The keypad
// keys come with either virtual-key code, depending on Num Lock.
constexpr std::array<NibbleKey, 23> kNibbleKeys{{
    {0x75, 0xC0},  // F6
    {0x76, 0xC1},  // F7
    {0x77, 0xC2},  // F8
    {0x78, 0xC3},  // F9
    {0x79, 0xC4},  // F10
    {0x90, 0xC5},  // Num Lock
    {0x91, 0xC6},  // Scroll Lock
    {0x67, 0xC7},  // keypad 7
    {0x24, 0xC7},  // Home
    {0x68, 0xC8},  // keypad 8
    {0x26, 0xC8},  // Up
    {0x69, 0xC9},  // keypad 9
    {0x21, 0xC9},  // Page Up
    {0x6D, 0xCA},  // keypad minus
    {0x64, 0xCB},  // keypad 4
    {0x25, 0xCB},  // Left
    {0x65, 0xCC},  // keypad 5
    {0x0C, 0xCC},  // Clear
    {0x66, 0xCD},  // keypad 6
    {0x27, 0xCD},  // Right
    {0x6B, 0xCE},  // keypad plus
    {0x61, 0xCF},  // keypad 1
    {0x23, 0xCF},  // End
}};

// The read command: "c", "R".
constexpr std::array<int, 2> kReadCommand{0x63, 0x52};
constexpr std::int32_t kCommandPauseMs = 100;
constexpr std::int32_t kReadTickLimit = 15;
// A keyboard that refused every byte of the command took no command: after
// this many ticks without a key nothing more is waited for.
constexpr std::int32_t kRefusedTickLimit = 2;
constexpr std::uint64_t kReadCommandBytes = 3 + 2 * kReadCommand.size() + 1;

// The 95/98/ME family delivers exactly the answer; the others type 32
// extra keystrokes, of which positions 30 and 31 carry the version and 33
// onward the EEPROM.
constexpr std::size_t kDumpEntries98 = 258;
constexpr std::size_t kDumpEntriesOther = 290;
constexpr std::size_t kVersionPosOther = 30;
constexpr std::size_t kEepromPosOther = 33;

// Closes frmWaiting whichever way the read ends.
class WaitingDialog {
public:
    explicit WaitingDialog(platform::OperatorDialogs& dialogs) : dialogs_(dialogs) {
        dialogs_.ShowWaiting();
    }
    ~WaitingDialog() { close(); }
    WaitingDialog(const WaitingDialog&) = delete;
    WaitingDialog& operator=(const WaitingDialog&) = delete;
    void close() {
        if (open_) {
            open_ = false;
            dialogs_.CloseWaiting();
        }
    }

private:
    platform::OperatorDialogs& dialogs_;
    bool open_ = true;
};

void copyDumpLayout(const std::vector<std::uint8_t>& dump, bool windows98,
                    std::array<std::uint8_t, kNibbleCount>& nibbles) {
    if (windows98) {
        std::copy_n(dump.begin(), kNibbleCount, nibbles.begin());
        return;
    }
    nibbles[0] = dump[kVersionPosOther];
    nibbles[1] = dump[kVersionPosOther + 1];
    std::copy_n(dump.begin() + kEepromPosOther, kNibbleCount - 2, nibbles.begin() + 2);
}

}  // namespace

std::optional<std::uint8_t> NibbleOfKey(std::uint8_t virtualKey) {
    for (const NibbleKey& k : kNibbleKeys) {
        if (k.virtualKey == virtualKey) {
            return k.nibble;
        }
    }
    return std::nullopt;
}

ReadOutcome ReadEepromDump(Context& ctx) {
    ctx.counters.sendErrorCounter = 0;
    ctx.counters.tickCounter = 0;
    ctx.counters.keyCount = 0;
    // Without the driver the command cannot go out: no 15 s wait for an
    // answer that cannot come.
    if (ctx.window.portDriverFailed) {
        return ReadOutcome(ReadFault::DriverClosed);
    }

    WaitingDialog waiting(ctx.dialogs);

    std::int16_t major = 0;
    std::int16_t minor = 0;
    std::string osName;
    link::GetOsName(ctx.versionQuery, major, minor, osName);
    if (osName.empty()) {
        return ReadOutcome(ReadFault::NoSystemName);
    }

    const bool windows98 = osName == link::kWindows98Family;
    const std::size_t entries = windows98 ? kDumpEntries98 : kDumpEntriesOther;
    ctx.capture.sizeDumpBuffer(entries);
    const auto keyLimit = static_cast<std::int32_t>(entries - 1);

    const std::uint64_t droppedBefore = ctx.counters.droppedBytes;
    ctx.capture.enableTimer1();
    ctx.channel.SendStartFrame();
    ctx.channel.WaitMilliseconds(kCommandPauseMs);
    ctx.channel.SendDataBytes(kReadCommand);
    ctx.channel.WaitMilliseconds(kCommandPauseMs);
    ctx.channel.SendEndFrame();
    ctx.channel.WaitMilliseconds(kCommandPauseMs);
    // A refused byte of the read command is not reported as such; when all
    // were refused the capture waits only briefly for a keyboard that types
    // its answer anyway.
    ctx.counters.sendErrorCounter = 0;
    const bool allRefused = ctx.counters.droppedBytes - droppedBefore >= kReadCommandBytes;

    ctx.capture.installHook();
    ctx.capture.captureLoop(keyLimit, kReadTickLimit,
                            allRefused ? kRefusedTickLimit : kReadTickLimit);
    const bool sourceGone = ctx.capture.sourceGone();
    ctx.capture.removeHook();
    ctx.capture.disableTimer1();

    ReadOutcome outcome;
    outcome.keys = ctx.counters.keyCount;
    outcome.expectedKeys = static_cast<int>(entries);
    const std::vector<std::uint8_t>& dump = ctx.capture.dumpBuffer();
    const bool complete = outcome.keys >= outcome.expectedKeys;
    if (ctx.counters.tickCounter >= kReadTickLimit || dump.size() < entries || !complete) {
        // Never read past the buffer, whoever resized it.
        outcome.fault = sourceGone                  ? ReadFault::SourceGone
                        : outcome.keys == 0 && allRefused ? ReadFault::Refused
                        : outcome.keys == 0         ? ReadFault::NoAnswer
                                                    : ReadFault::ShortAnswer;
        return outcome;
    }
    copyDumpLayout(dump, windows98, ctx.nibbleImage);
    if (!ConvertDumpToNibbles(ctx.nibbleImage)) {
        outcome.fault = ReadFault::NotNibbles;
        return outcome;
    }

    waiting.close();
    ctx.window.aboutLabel6 = "Firmware Version " + std::to_string(ctx.nibbleImage[0] & 0x0F) + "." +
                             std::to_string(ctx.nibbleImage[1] & 0x0F);
    return outcome;
}

bool ConvertDumpToNibbles(std::span<std::uint8_t, kNibbleCount> nibbles) {
    for (std::uint8_t& entry : nibbles) {
        std::optional<std::uint8_t> nibble = NibbleOfKey(entry);
        if (!nibble) {
            return false;
        }
        entry = *nibble;
    }
    return true;
}

void BuildImageFromNibbles(Context& ctx) {
    for (int n = 1; n <= ui::kItemCount; ++n) {
        ctx.window.lstItem[static_cast<std::size_t>(n)].setListIndex(-1);
    }
    for (int a = 0; a < kEepromSize; ++a) {
        const auto high = ctx.nibbleImage[static_cast<std::size_t>(2 + 2 * a)] & 0x0F;
        const auto low = ctx.nibbleImage[static_cast<std::size_t>(3 + 2 * a)] & 0x0F;
        ctx.window.image[static_cast<std::size_t>(a)] = 16 * high + low;
    }
}

ReadOutcome ReadAndShow(Context& ctx) {
    ReadOutcome outcome = ReadEepromDump(ctx);
    if (outcome) {
        BuildImageFromNibbles(ctx);
        outcome.wrongSignatureAt = wrongSignatureAt(ctx.window.image);
        ShowImage(ctx);
    }
    ctx.window.imageValidFlag = outcome.answered();
    return outcome;
}

ReadOutcome ReadsettingfromEEPROM_Click(Context& ctx) {
    const ReadOutcome outcome = ReadAndShow(ctx);
    const bool ok = outcome.answered();
    gorefresh(ctx);
    ctx.window.Refresh();
    if (!ok) {
        ctx.dialogs.MsgBox("Read setting from EEPROM error!", "Message", platform::MsgIcon::Error,
                           platform::MsgButtons::Ok);
    } else if (ctx.window.defaultsRestoredFlag) {
        ctx.dialogs.MsgBox("Read default setting from EEPROM success!", "Message",
                           platform::MsgIcon::Information, platform::MsgButtons::Ok);
    } else {
        ctx.dialogs.MsgBox("Read setting from EEPROM success!", "Message",
                           platform::MsgIcon::Information, platform::MsgButtons::Ok);
    }
    return outcome;
}

}  // namespace tavrin::eeprom
