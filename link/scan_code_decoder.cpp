#include "link/scan_code_decoder.h"

#include <array>

namespace tavrin::link {

namespace {

constexpr std::uint8_t kExtendedPrefix = 0xE0;
constexpr std::uint8_t kPausePrefix = 0xE1;
constexpr std::uint8_t kReleasePrefix = 0xF0;  // set 2
constexpr std::uint8_t kLeftShift = 0x2A;      // set 1
constexpr std::uint8_t kRightShift = 0x36;
constexpr std::uint8_t kPauseScanCode = 0x45;
constexpr std::uint8_t kVkPause = 0x13;

// Set-2 code of each set-1 make code 0x00..0x7F: the kernel's own table
// (atkbd_unxlate_table in drivers/input/keyboard/atkbd.c), the inverse of
// the i8042's translation. It lists F7 (set 1 0x41) as 0x02; keyboards send
// 0x83, which the controller also translates to 0x41 (kF7Set2 below).
constexpr std::array<std::uint8_t, 128> kSet2OfSet1{
    0,   118, 22,  30,  38,  37,  46,  54,  61,  62,  70,  69,  78,  85,  102, 13,  21,  29,  36,
    45,  44,  53,  60,  67,  68,  77,  84,  91,  90,  20,  28,  27,  35,  43,  52,  51,  59,  66,
    75,  76,  82,  14,  18,  93,  26,  34,  33,  42,  50,  49,  58,  65,  73,  74,  89,  124, 17,
    41,  88,  5,   6,   4,   12,  3,   11,  2,   10,  1,   9,   119, 126, 108, 117, 125, 123, 107,
    115, 116, 121, 105, 114, 122, 112, 113, 127, 96,  97,  120, 7,   15,  23,  31,  39,  47,  55,
    63,  71,  79,  86,  94,  8,   16,  24,  32,  40,  48,  56,  64,  72,  80,  87,  111, 19,  25,
    57,  81,  83,  92,  95,  98,  99,  100, 101, 103, 104, 106, 109, 110};
constexpr std::uint8_t kF7Set1 = 0x41;
constexpr std::uint8_t kF7Set2 = 0x83;

constexpr std::array<std::uint8_t, 256> invert() {
    std::array<std::uint8_t, 256> set1{};
    for (std::size_t code = 1; code < kSet2OfSet1.size(); ++code) {
        set1[kSet2OfSet1[code]] = static_cast<std::uint8_t>(code);
    }
    set1[kF7Set2] = kF7Set1;
    return set1;
}
constexpr std::array<std::uint8_t, 256> kSet1OfSet2 = invert();

// Virtual-key codes of set-1 make codes 0x00..0x58 as a US keyboard gives
// them; 0xFF where none.
constexpr std::array<std::uint8_t, 0x59> kVirtualKeys{
    0xFF, 0x1B, '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0',  0xBD, 0xBB,
    0x08, 0x09, 'Q',  'W',  'E',  'R',  'T',  'Y',  'U',  'I',  'O',  'P',  0xDB, 0xDD,
    0x0D, 0x11, 'A',  'S',  'D',  'F',  'G',  'H',  'J',  'K',  'L',  0xBA, 0xDE, 0xC0,
    0x10, 0xDC, 'Z',  'X',  'C',  'V',  'B',  'N',  'M',  0xBC, 0xBE, 0xBF, 0x10, 0x6A,
    0x12, 0x20, 0x14, 0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79,  // F1..F10
    0x90, 0x91,                                      // Num Lock, Scroll Lock
    0x67, 0x68, 0x69, 0x6D, 0x64, 0x65, 0x66, 0x6B,  // keypad 7 8 9 - 4 5 6 +
    0x61, 0x62, 0x63, 0x60, 0x6E,                    // keypad 1 2 3 0 .
    0xFF, 0xFF, 0xE2, 0x7A, 0x7B};                   // (none), <> key, F11, F12

struct ExtendedKey {
    std::uint8_t code;
    std::uint8_t virtualKey;
};
constexpr ExtendedKey kExtendedKeys[] = {
    {0x1C, 0x0D}, {0x1D, 0x11}, {0x35, 0x6F}, {0x37, 0x2C}, {0x38, 0x12}, {0x47, 0x24},
    {0x48, 0x26}, {0x49, 0x21}, {0x4B, 0x25}, {0x4D, 0x27}, {0x4F, 0x23}, {0x50, 0x28},
    {0x51, 0x22}, {0x52, 0x2D}, {0x53, 0x2E}, {0x5B, 0x5B}, {0x5C, 0x5C}, {0x5D, 0x5D}};

bool isReply(std::uint8_t byte) {
    // Echo, self-test failed (twice), buffer overrun in either set.
    return byte == kKeyboardAck || byte == kKeyboardResend || byte == 0xEE || byte == 0xFC ||
           byte == 0xFD || byte == 0x00 || byte == 0xFF;
}

RawKeyEvent reply(std::uint8_t byte) {
    RawKeyEvent e;
    e.byte = byte;
    switch (byte) {
        case kKeyboardAck:
            e.kind = RawKeyEvent::Kind::Ack;
            break;
        case kKeyboardResend:
            e.kind = RawKeyEvent::Kind::Resend;
            break;
        case kKeyboardSelfTestPassed:
            e.kind = RawKeyEvent::Kind::SelfTestPassed;
            break;
        default:
            e.kind = RawKeyEvent::Kind::Other;
            break;
    }
    return e;
}

// The shifts the keyboard wraps around gray keys (E0 2A ... E0 AA) to undo
// the operator's Shift or Num Lock: no key of their own.
bool isFakeShift(std::uint8_t set1Code) {
    return set1Code == kLeftShift || set1Code == kRightShift;
}

}  // namespace

std::uint8_t Set1FromSet2(std::uint8_t set2) {
    return kSet1OfSet2[set2];
}

std::uint8_t Set2FromSet1(std::uint8_t set1) {
    if (set1 == kF7Set1) {
        return kF7Set2;
    }
    return set1 < kSet2OfSet1.size() ? kSet2OfSet1[set1] : 0;
}

std::uint8_t VirtualKeyOfSet1(std::uint8_t set1, bool extended) {
    if (extended) {
        for (const ExtendedKey& k : kExtendedKeys) {
            if (k.code == set1) {
                return k.virtualKey;
            }
        }
        return kNoVirtualKey;
    }
    return set1 < kVirtualKeys.size() ? kVirtualKeys[set1] : kNoVirtualKey;
}

void ScanCodeDecoder::reset() {
    extended_ = false;
    release_ = false;
    pauseLeft_ = 0;
    pauseRelease_ = false;
    held_.reset();
}

void ScanCodeDecoder::feed(std::uint8_t byte, std::vector<RawKeyEvent>& events) {
    if (set_ == ScanCodeSet::Set1) {
        feedSet1(byte, events);
    } else {
        feedSet2(byte, events);
    }
}

void ScanCodeDecoder::feedSet1(std::uint8_t byte, std::vector<RawKeyEvent>& events) {
    if (isReply(byte)) {
        events.push_back(reply(byte));  // replies may come between prefix and code
        return;
    }
    if (pauseLeft_ > 0) {
        // E1 1D 45 on press, E1 9D C5 on release.
        pauseRelease_ = pauseRelease_ || (byte & 0x80) != 0;
        if (--pauseLeft_ == 0) {
            pauseKey(pauseRelease_, events);
        }
        return;
    }
    if (byte == kExtendedPrefix) {
        extended_ = true;
        return;
    }
    if (byte == kPausePrefix) {
        pauseLeft_ = 2;
        pauseRelease_ = false;
        extended_ = false;
        return;
    }
    const bool extended = extended_;
    extended_ = false;
    if (byte == kKeyboardSelfTestPassed && !extended && !held_[kLeftShift]) {
        // 0xAA is also the release of a left Shift; only a Shift held down
        // makes it one.
        reset();
        events.push_back(reply(byte));
        return;
    }
    key(byte & 0x7F, extended, (byte & 0x80) != 0, events);
}

void ScanCodeDecoder::feedSet2(std::uint8_t byte, std::vector<RawKeyEvent>& events) {
    if (isReply(byte)) {
        events.push_back(reply(byte));
        return;
    }
    if (byte == kKeyboardSelfTestPassed) {
        reset();
        events.push_back(reply(byte));
        return;
    }
    if (byte == kReleasePrefix) {
        release_ = true;
        return;
    }
    if (pauseLeft_ > 0) {
        // E1 14 77 on press, E1 F0 14 F0 77 on release.
        pauseRelease_ = pauseRelease_ || release_;
        release_ = false;
        if (--pauseLeft_ == 0) {
            pauseKey(pauseRelease_, events);
        }
        return;
    }
    if (byte == kExtendedPrefix) {
        extended_ = true;
        return;
    }
    if (byte == kPausePrefix) {
        pauseLeft_ = 2;
        pauseRelease_ = false;
        extended_ = false;
        release_ = false;
        return;
    }
    const bool extended = extended_;
    const bool keyUp = release_;
    extended_ = false;
    release_ = false;
    key(Set1FromSet2(byte), extended, keyUp, events);
}

void ScanCodeDecoder::key(std::uint8_t set1Code, bool extended, bool keyUp,
                          std::vector<RawKeyEvent>& events) {
    if (extended && isFakeShift(set1Code)) {
        return;
    }
    RawKeyEvent e;
    e.kind = RawKeyEvent::Kind::Key;
    e.scanCode = set1Code;
    e.extended = extended;
    e.keyUp = keyUp;
    // Code 0 is no key in set 1, and a set-2 code without a set-1 one.
    e.virtualKey = set1Code == 0 ? kNoVirtualKey : VirtualKeyOfSet1(set1Code, extended);
    const std::size_t slot = set1Code | (extended ? 0x80u : 0u);
    if (keyUp) {
        e.keystroke = !held_[slot];
        held_[slot] = false;
    } else {
        e.keystroke = true;  // a repeated make is the keyboard's typematic repeat
        held_[slot] = true;
    }
    events.push_back(e);
}

void ScanCodeDecoder::pauseKey(bool keyUp, std::vector<RawKeyEvent>& events) {
    RawKeyEvent e;
    e.kind = RawKeyEvent::Kind::Key;
    e.scanCode = kPauseScanCode;
    e.virtualKey = kVkPause;
    e.keyUp = keyUp;
    e.keystroke = !keyUp;  // Pause sends its release right after its press
    events.push_back(e);
}

}  // namespace tavrin::link
