#include "link/keystroke_capture.h"

namespace tavrin::link {

namespace {
// How long one pass of the capture loop may sleep waiting for the next
// event; keystrokes and timer ticks wake it earlier.
constexpr std::uint32_t kCapturePassWaitMs = 50;
}  // namespace

KeystrokeCapture::KeystrokeCapture(platform::KeyboardHookApi& hooks, platform::Timer& timer1,
                                   platform::EventPump& events, LinkCounters& counters)
    : hooks_(hooks), timer1_(timer1), events_(events), counters_(counters) {
    timer1_.setHandler([this] { Timer1_Timer(); });
}

KeystrokeCapture::~KeystrokeCapture() {
    removeHook();
    timer1_.setHandler({});
}

std::int32_t KeystrokeCapture::KeyboardHookProc(int code, std::uintptr_t wParam,
                                                std::intptr_t lParam) {
    if (code < 0) {
        return hooks_.CallNextHookEx(hook_, code, wParam, lParam);
    }
    // Key-down and key-up are not told apart. A keystroke beyond the
    // buffers is swallowed without being stored or counted.
    auto k = static_cast<std::size_t>(counters_.keyCount);
    if (counters_.keyCount >= 0 && k < dumpBuffer_.size() && k < scanCodeList_.size()) {
        dumpBuffer_[k] = static_cast<std::uint8_t>(wParam & 0xFF);
        scanCodeList_[k] = static_cast<std::int32_t>((static_cast<std::uint64_t>(lParam) >> 16) & 0xFF);
        ++counters_.keyCount;
    }
    return 1;
}

void KeystrokeCapture::Timer1_Timer() { ++counters_.tickCounter; }

void KeystrokeCapture::sizeDumpBuffer(std::size_t entries) { dumpBuffer_.assign(entries, 0); }

void KeystrokeCapture::enableTimer1() { timer1_.setEnabled(true); }

void KeystrokeCapture::disableTimer1() { timer1_.setEnabled(false); }

void KeystrokeCapture::installHook() {
    if (hook_ == 0) {
        hook_ = hooks_.SetWindowsHookEx(
            [this](int code, std::uintptr_t wParam, std::intptr_t lParam) {
                return KeyboardHookProc(code, wParam, lParam);
            });
    }
}

void KeystrokeCapture::removeHook() {
    if (hook_ != 0) {
        hooks_.UnhookWindowsHookEx(hook_);
        hook_ = 0;
    }
}

void KeystrokeCapture::captureLoop(std::int32_t keyLimit, std::int32_t tickLimit,
                                   std::int32_t quietTickLimit) {
    for (;;) {
        events_.processEvents(kCapturePassWaitMs);
        if (counters_.keyCount > keyLimit) {
            break;
        }
        if (counters_.tickCounter >= tickLimit) {
            break;
        }
        if (counters_.keyCount == 0 && counters_.tickCounter >= quietTickLimit) {
            break;
        }
        if (hook_ != 0 && hooks_.HookSourceGone(hook_)) {
            break;
        }
    }
}

void KeystrokeCapture::CaptureRawKeys(std::string& text1) {
    counters_.keyCount = 0;
    counters_.tickCounter = 0;
    // The diagnostic does not size the dump buffer itself; give it room for
    // every entry of the scan-code list so that its keys are stored.
    if (dumpBuffer_.size() < kScanCodeListSize) {
        dumpBuffer_.resize(kScanCodeListSize, 0);
    }
    enableTimer1();
    installHook();
    captureLoop(100, 10);
    removeHook();
    disableTimer1();
    if (counters_.keyCount == 0) {
        return;
    }
    text1.clear();
    for (std::int32_t k = 0; k < counters_.keyCount; ++k) {
        text1 += std::to_string(scanCodeList_[static_cast<std::size_t>(k)]);
    }
}

}  // namespace tavrin::link
