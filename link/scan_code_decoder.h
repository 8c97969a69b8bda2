#pragma once
// The raw keyboard port's byte stream turned into the keystrokes a thread
// keyboard hook would have seen. The controller hands on scan-code set 1
// when it translates (make code, make | 0x80 on release, E0 before the gray
// keys) and set 2 when it does not (F0 before a release, E0 likewise). The
// keyboard's own replies to bytes sent to it (ACK, resend, self-test
// passed) come out as events of their own.

#include <bitset>
#include <cstdint>
#include <vector>

namespace tavrin::link {

enum class ScanCodeSet { Set1, Set2 };

inline constexpr std::uint8_t kKeyboardAck = 0xFA;
inline constexpr std::uint8_t kKeyboardResend = 0xFE;
inline constexpr std::uint8_t kKeyboardSelfTestPassed = 0xAA;
// The virtual-key code of a key this program does not know.
inline constexpr std::uint8_t kNoVirtualKey = 0xFF;

struct RawKeyEvent {
    enum class Kind {
        Key,
        Ack,             // 0xFA
        Resend,          // 0xFE
        SelfTestPassed,  // 0xAA
        Other,           // echo, self-test failed, buffer overrun
    };
    Kind kind = Kind::Key;
    std::uint8_t byte = 0;  // the reply byte (not for keys)
    // Keys: what a hook gets, the virtual-key code and the set-1 make code.
    std::uint8_t virtualKey = kNoVirtualKey;
    std::uint8_t scanCode = 0;
    bool extended = false;  // came with E0
    bool keyUp = false;
    // A key press the capture stores: every make code, and a release whose
    // make never came (a keyboard that types by break codes alone). The
    // release of a key seen going down is not one.
    bool keystroke = false;
};

class ScanCodeDecoder {
public:
    explicit ScanCodeDecoder(ScanCodeSet set) : set_(set) {}

    ScanCodeSet set() const { return set_; }
    // One byte from the port; appends the event it completes, if any.
    void feed(std::uint8_t byte, std::vector<RawKeyEvent>& events);
    // Forgets a half-received sequence and the keys held down.
    void reset();

private:
    void feedSet1(std::uint8_t byte, std::vector<RawKeyEvent>& events);
    void feedSet2(std::uint8_t byte, std::vector<RawKeyEvent>& events);
    void key(std::uint8_t set1Code, bool extended, bool keyUp, std::vector<RawKeyEvent>& events);
    void pauseKey(bool keyUp, std::vector<RawKeyEvent>& events);

    ScanCodeSet set_;
    bool extended_ = false;  // E0 seen
    bool release_ = false;   // F0 seen (set 2)
    int pauseLeft_ = 0;      // codes still to come of an E1 (Pause) sequence
    bool pauseRelease_ = false;
    std::bitset<256> held_;  // set-1 code, | 0x80 when extended
};

// The set-1 make code of a set-2 code (0 when there is none), and back.
std::uint8_t Set1FromSet2(std::uint8_t set2);
std::uint8_t Set2FromSet1(std::uint8_t set1);
// The virtual-key code of a set-1 make code; the keypad's digits as with
// Num Lock on, the gray keys beside it (E0) as Home, Up, and so on.
std::uint8_t VirtualKeyOfSet1(std::uint8_t set1, bool extended);

}  // namespace tavrin::link
