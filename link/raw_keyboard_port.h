#pragma once
// The keyboard reached through the kernel's raw keyboard port instead of the
// controller's I/O ports. The channel's byte writes become one write() per
// byte, each followed by a short wait for the keyboard's reply (ACK goes on,
// a resend sends the byte once more, silence goes on), never more than one
// byte in flight; the keyboard's typing is read from the same stream and
// handed to the capture's hook as keystrokes. The kernel owns the
// controller and its interrupt: the status port always reads "input buffer
// empty" and the interrupt mask is left alone.

#include <cstdint>
#include <optional>
#include <vector>

#include "link/scan_code_decoder.h"
#include "platform/event_pump.h"
#include "platform/keyboard_hook.h"
#include "platform/port_driver.h"
#include "platform/raw_device.h"
#include "platform/tick_counter.h"

namespace tavrin::link {

// The kernel keeps the keyboard's bytes in a 64-slot ring (one slot always
// free) and drops what does not fit without a sign: a read that finds it
// full may have missed bytes.
inline constexpr std::size_t kRawRingHolds = 63;

class RawKeyboardPort : public platform::PortDriver, public platform::KeyboardHookApi {
public:
    struct Options {
        // A keyboard replies to a byte within 20 ms or not at all.
        std::uint32_t replyWaitMs = 20;
    };

    // What the port saw: the answers to the bytes sent and what the
    // keyboard typed.
    struct Tally {
        int bytesOffered = 0;  // bytes the channel sent, each counted once
        int bytesSent = 0;     // bytes the kernel took, resends included
        int acks = 0;
        int resends = 0;
        int noReply = 0;       // bytes the keyboard did not answer within the wait
        int lateReplies = 0;   // replies with no byte waiting for one
        int selfTests = 0;     // 0xAA: the keyboard restarted
        int otherReplies = 0;  // echo, self-test failed, overrun
        int keystrokes = 0;
        int releases = 0;       // key releases after their press
        int unclaimedKeys = 0;  // keystrokes while no hook was installed
        int refusedBytes = 0;   // bytes the port did not deliver
        int keyboardRefused = 0;  // of those, bytes the keyboard answered resend to twice
        int overruns = 0;       // reads that found the kernel's ring full
        int withheldKeys = 0;   // keystrokes kept from a capture after an overrun
    };

    RawKeyboardPort(platform::RawDevice& device, platform::TickCounter& ticks, ScanCodeSet set)
        : RawKeyboardPort(device, ticks, set, Options{}) {}
    RawKeyboardPort(platform::RawDevice& device, platform::TickCounter& ticks, ScanCodeSet set,
                    Options options);

    // PortDriver: the data port sends, the status port reads empty, the
    // interrupt mask is no-op. Every access is refused once the device is
    // gone or the driver shut.
    bool InitializeWinIo() override;
    void ShutdownWinIo() override;
    void operationEnded() override {}  // its backend lends the port back
    bool keyboardCutOff() const override { return false; }  // its backend knows
    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) override;
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) override;

    // KeyboardHookApi: one hook at a time, fed from the byte stream.
    platform::HookHandle SetWindowsHookEx(platform::HookProc proc) override;
    bool UnhookWindowsHookEx(platform::HookHandle hook) override;
    std::int32_t CallNextHookEx(platform::HookHandle hook, int code, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    bool HookSourceGone(platform::HookHandle hook) const override {
        return gone_ && hook != 0 && hook == hookHandle_;
    }

    // Sends one byte and waits for its reply; false when it did not reach
    // the keyboard (refused, the device gone, or resent twice).
    bool sendByte(std::uint8_t byte);
    // Reads whatever has arrived and hands its keystrokes to the hook. Once
    // a read finds the ring full, the hook installed then gets no more keys:
    // its capture runs short and fails rather than decode a stream with a
    // hole in it.
    void drain();

    bool gone() const { return gone_; }
    const Tally& tally() const { return tally_; }
    // Why the device failed last, in the system's words.
    std::string lastError() const { return device_.lastError(); }

private:
    enum class Reply { None, Ack, Resend, Gone };
    Reply awaitReply();
    void dispatch(const RawKeyEvent& event);

    platform::RawDevice& device_;
    platform::TickCounter& ticks_;
    Options options_;
    ScanCodeDecoder decoder_;
    bool gone_ = false;
    bool shut_ = false;
    std::uint8_t mask_ = 0;
    bool awaiting_ = false;
    bool deaf_ = false;  // the current hook lost bytes
    std::optional<RawKeyEvent::Kind> reply_;
    std::vector<std::uint8_t> bytes_;
    std::vector<RawKeyEvent> events_;
    platform::HookProc hookProc_;
    platform::HookHandle hookHandle_ = 0;
    platform::HookHandle lastHandle_ = 0;
    Tally tally_;
};

// The event pump while the raw port is open: the keyboard's bytes are read
// before and after every pass of the front end's own pump, whose waits are
// cut into short slices so that the kernel's 64-byte buffer never fills.
class RawPortEvents : public platform::EventPump {
public:
    RawPortEvents(platform::EventPump& inner, RawKeyboardPort& port, std::uint32_t sliceMs = 5)
        : inner_(inner), port_(port), sliceMs_(sliceMs) {}

    void processEvents(std::uint32_t maxWaitMs) override;

private:
    platform::EventPump& inner_;
    RawKeyboardPort& port_;
    std::uint32_t sliceMs_;
};

}  // namespace tavrin::link
