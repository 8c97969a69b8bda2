#pragma once
// The keyboard's own firmware as the program meets it: it takes framed
// commands from the keyboard controller (E7 55 AA, E3 b ..., E6), keeps its
// settings in a 128-byte EEPROM and answers the read command by typing its
// firmware version and the EEPROM, one keystroke per nibble.

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/clock_host.h"
#include "platform/event_queue.h"

namespace tavrin::sim {

using platform::AliveToken;
using platform::Micros;

class KeyboardFirmware {
public:
    using Eeprom = std::array<std::uint8_t, 128>;

    struct Key {
        std::uint8_t virtualKey;
        std::uint8_t scanCode;
        bool operator==(const Key&) const = default;
    };

    // A keystroke the firmware slips in before answer position
    // beforePosition (the answer's length or more: after the last one).
    struct ExtraKey {
        int beforePosition = 0;
        Key key{0x75, 0x40};  // F6, a valid nibble 0: shifts the answer silently
    };

    struct Options {
        std::uint8_t versionMajor = 1;
        std::uint8_t versionMinor = 7;
        // From the end of the read command to the first keystroke; longer
        // than the program's 100 ms wait before it installs its hook.
        Micros answerDelay = 200'000;
        Micros typingInterval = 4'000;  // per keystroke
        bool numLockOff = false;        // keypad nibbles as VK_HOME, VK_UP...
        // Faults.
        bool silent = false;     // acts on writes, never types
        std::set<int> lostKeys;  // answer positions typed but never delivered
        std::vector<ExtraKey> addedKeys;
        // Item frames with these setting codes lose a byte on the cable:
        // they arrive, nothing complains, and nothing is stored.
        std::set<std::uint8_t> lostFrames;
        std::optional<Eeprom> eeprom;  // factory defaults when empty
    };

    // A frame or run of bytes the firmware did not act on, and why.
    struct Rejected {
        std::vector<std::uint8_t> bytes;
        std::string reason;
    };

    explicit KeyboardFirmware(platform::ClockHost& host) : KeyboardFirmware(host, Options{}) {}
    KeyboardFirmware(platform::ClockHost& host, Options options);

    // One byte from the controller, at the end of its transfer.
    void receiveByte(std::uint8_t byte);

    static Eeprom factoryDefaults();
    const Eeprom& eeprom() const { return eeprom_; }
    void setEeprom(const Eeprom& eeprom) { eeprom_ = eeprom; }

    std::uint8_t versionMajor() const { return options_.versionMajor; }
    std::uint8_t versionMinor() const { return options_.versionMinor; }
    Options& options() { return options_; }

    // The key of nibble n (0..15): its virtual-key code and make code 0x40 + n.
    Key nibbleKey(int nibble) const;
    // The answer to a read as it would be typed now, before any fault:
    // 258 keystrokes for the Windows 95/98/ME family, 290 otherwise.
    std::vector<Key> answer();

    // Data bytes of every complete frame, in arrival order.
    const std::vector<std::vector<std::uint8_t>>& frames() const { return frames_; }
    const std::vector<Rejected>& rejected() const { return rejected_; }
    int readRequests() const { return readRequests_; }
    int closingFrames() const { return closingFrames_; }
    int resets() const { return resets_; }
    bool typing() const { return typingNext_ < typingQueue_.size(); }

private:
    enum class Parse { Idle, Start1, Start2, InFrame, DataNext, Broken };

    void breakFrame(std::uint8_t byte, const char* reason);
    void endBroken();
    void execute(const std::vector<std::uint8_t>& data);
    // Empty when the frame was acted on, else why it was not.
    std::string apply(const std::vector<std::uint8_t>& data);
    void startAnswer();
    void typeNext();

    platform::ClockHost& host_;
    Options options_;
    Eeprom eeprom_;

    Parse state_ = Parse::Idle;
    std::vector<std::uint8_t> frameBytes_;  // raw bytes of the frame being parsed
    std::vector<std::uint8_t> data_;        // its data bytes
    bool brokenAfterE3_ = false;
    std::string brokenReason_;

    bool resetArmed_ = false;
    std::vector<std::optional<Key>> typingQueue_;  // empty slot: a lost keystroke
    std::size_t typingNext_ = 0;

    std::vector<std::vector<std::uint8_t>> frames_;
    std::vector<Rejected> rejected_;
    int readRequests_ = 0;
    int closingFrames_ = 0;
    int resets_ = 0;
    AliveToken alive_;
};

}  // namespace tavrin::sim
