#include "link/raw_keyboard_port.h"

#include <algorithm>

#include "link/command_channel.h"

namespace tavrin::link {

namespace {
constexpr std::intptr_t kExtendedBit = std::intptr_t{1} << 24;
constexpr std::uint32_t kKeyUpBit = 0x80000000u;
}  // namespace

RawKeyboardPort::RawKeyboardPort(platform::RawDevice& device, platform::TickCounter& ticks,
                                 ScanCodeSet set, Options options)
    : device_(device), ticks_(ticks), options_(options), decoder_(set) {}

bool RawKeyboardPort::InitializeWinIo() {
    drain();
    shut_ = gone_;
    return !gone_;
}

void RawKeyboardPort::ShutdownWinIo() {
    shut_ = true;
}

bool RawKeyboardPort::GetPortVal(std::uint16_t port, std::uint32_t& value, int size) {
    value = 0;
    if (gone_ || shut_ || size != 1) {
        return false;
    }
    if (port == kInterruptMaskPort) {
        value = mask_;
    }
    // The status port: the kernel waits for the input buffer itself.
    return true;
}

bool RawKeyboardPort::SetPortVal(std::uint16_t port, std::uint32_t value, int size) {
    if (gone_ || shut_ || size != 1) {
        return false;
    }
    if (port == kInterruptMaskPort) {
        mask_ = static_cast<std::uint8_t>(value);  // remembered, never applied
        return true;
    }
    if (port != kDataPort) {
        return true;
    }
    return sendByte(static_cast<std::uint8_t>(value & 0xFF));
}

bool RawKeyboardPort::sendByte(std::uint8_t byte) {
    ++tally_.bytesOffered;
    // A reply still on its way belongs to an earlier byte.
    drain();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (gone_) {
            break;
        }
        const platform::RawDevice::Io io = device_.writeByte(byte);
        if (io != platform::RawDevice::Io::Ok) {
            gone_ = gone_ || io == platform::RawDevice::Io::Gone;
            break;
        }
        ++tally_.bytesSent;
        switch (awaitReply()) {
            case Reply::Ack:
                ++tally_.acks;
                return true;
            case Reply::None:
                // Vendor frames need not be acknowledged: the byte went out.
                ++tally_.noReply;
                return true;
            case Reply::Resend:
                ++tally_.resends;
                if (attempt == 1) {
                    ++tally_.keyboardRefused;  // a second resend loses the byte
                }
                continue;
            case Reply::Gone:
                break;
        }
        break;
    }
    ++tally_.refusedBytes;
    return false;
}

RawKeyboardPort::Reply RawKeyboardPort::awaitReply() {
    reply_.reset();
    awaiting_ = true;
    const std::uint32_t start = ticks_.GetTickCount();
    Reply result = Reply::None;
    for (;;) {
        drain();
        if (reply_) {
            result = *reply_ == RawKeyEvent::Kind::Ack ? Reply::Ack : Reply::Resend;
            break;
        }
        if (gone_) {
            result = Reply::Gone;
            break;
        }
        const std::uint32_t elapsed = ticks_.GetTickCount() - start;
        if (elapsed >= options_.replyWaitMs) {
            break;
        }
        device_.waitReadable(options_.replyWaitMs - elapsed);
    }
    awaiting_ = false;
    return result;
}

void RawKeyboardPort::drain() {
    if (gone_) {
        return;
    }
    bytes_.clear();
    const platform::RawDevice::Io io = device_.readAvailable(bytes_);
    if (bytes_.size() >= kRawRingHolds) {
        ++tally_.overruns;
        deaf_ = deaf_ || hookProc_ != nullptr;
    }
    events_.clear();
    for (std::uint8_t b : bytes_) {
        decoder_.feed(b, events_);
    }
    for (const RawKeyEvent& e : events_) {
        dispatch(e);
    }
    if (io == platform::RawDevice::Io::Gone) {
        gone_ = true;
    }
}

void RawKeyboardPort::dispatch(const RawKeyEvent& event) {
    switch (event.kind) {
        case RawKeyEvent::Kind::Ack:
        case RawKeyEvent::Kind::Resend:
            if (awaiting_ && !reply_) {
                reply_ = event.kind;
            } else {
                ++tally_.lateReplies;
            }
            return;
        case RawKeyEvent::Kind::SelfTestPassed:
            ++tally_.selfTests;
            return;
        case RawKeyEvent::Kind::Other:
            ++tally_.otherReplies;
            return;
        case RawKeyEvent::Kind::Key:
            break;
    }
    if (!event.keystroke) {
        ++tally_.releases;
        return;
    }
    ++tally_.keystrokes;
    if (!hookProc_) {
        ++tally_.unclaimedKeys;
        return;
    }
    if (deaf_) {
        ++tally_.withheldKeys;
        return;
    }
    std::uint32_t flags = static_cast<std::uint32_t>(event.scanCode) << 16;
    if (event.keyUp) {
        flags |= kKeyUpBit;
    }
    auto lParam = static_cast<std::intptr_t>(flags);
    if (event.extended) {
        lParam |= kExtendedBit;
    }
    auto proc = hookProc_;  // the hook may remove itself
    proc(0, event.virtualKey, lParam);
}

platform::HookHandle RawKeyboardPort::SetWindowsHookEx(platform::HookProc proc) {
    if (hookProc_ || !proc) {
        return 0;
    }
    hookProc_ = std::move(proc);
    hookHandle_ = ++lastHandle_;
    deaf_ = false;
    return hookHandle_;
}

bool RawKeyboardPort::UnhookWindowsHookEx(platform::HookHandle hook) {
    if (!hookProc_ || hook != hookHandle_) {
        return false;
    }
    hookProc_ = nullptr;
    hookHandle_ = 0;
    deaf_ = false;
    return true;
}

std::int32_t RawKeyboardPort::CallNextHookEx(platform::HookHandle, int, std::uintptr_t,
                                             std::intptr_t) {
    return 0;  // no other hook sees the raw port's keys
}

void RawPortEvents::processEvents(std::uint32_t maxWaitMs) {
    port_.drain();
    inner_.processEvents(std::min(maxWaitMs, sliceMs_));
    port_.drain();
}

}  // namespace tavrin::link
