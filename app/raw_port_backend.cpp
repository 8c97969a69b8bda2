#ifdef __linux__

#include "app/raw_port_backend.h"

#include <algorithm>

namespace tavrin::app {

namespace {
constexpr std::uint32_t kPumpSliceMs = 5;
}

RawPortBackend::RawPortBackend(platform::SerioBus& bus, platform::RawPortSource& source,
                               platform::TickCounter& ticks, platform::EventPump& inner,
                               RawTrace* trace, MakeDevice makeDevice)
    : bus_(bus),
      source_(source),
      ticks_(ticks),
      inner_(&inner),
      trace_(trace),
      makeDevice_(std::move(makeDevice)) {
    if (!makeDevice_) {
        makeDevice_ = [](const platform::OpenedRawPort& opened) {
            return std::make_unique<platform::FdRawDevice>(opened.fd);
        };
    }
}

RawPortBackend::~RawPortBackend() {
    closePort();
}

bool RawPortBackend::InitializeWinIo() {
    if (port_) {
        return port_->InitializeWinIo();
    }
    // The start-up's second try asks nobody again: one password prompt,
    // and a refusal stands.
    if (sourceRefused_) {
        return false;
    }
    session_ = bindPort();
    return session_;
}

bool RawPortBackend::bindPort() {
    std::string why;
    const auto found = platform::findKeyboardPort(bus_, why, portName_);
    if (!found) {
        reason_ = "no i8042 keyboard port on this machine (" + why + ")";
        return false;
    }
    const platform::OpenedRawPort opened = source_.open(*found, why);
    if (opened.fd < 0) {
        reason_ = why;
        // Another Tavrin's hold ends; a refused password or a missing
        // helper does not.
        sourceRefused_ = !opened.busy;
        return false;
    }
    device_ = makeDevice_(opened);
    platform::RawDevice* device = device_.get();
    if (trace_ != nullptr && trace_->isOpen()) {
        tracing_ = std::make_unique<TracingRawDevice>(*device_, *trace_, ticks_,
                                                      ticks_.GetTickCount(), capturing_);
        device = tracing_.get();
    }
    const link::ScanCodeSet set = opened.translation == platform::ScanCodeTranslation::Set2
                                      ? link::ScanCodeSet::Set2
                                      : link::ScanCodeSet::Set1;
    if (trace_ != nullptr && trace_->isOpen()) {
        // A replay of the trace decodes the answer as it was read here.
        trace_->comment(std::string("set ") + (set == link::ScanCodeSet::Set2 ? "2" : "1") + " (" +
                        found->name + ")");
    }
    port_ = std::make_unique<link::RawKeyboardPort>(*device, ticks_, set);
    if (!port_->InitializeWinIo()) {
        reason_ = found->name + "'s raw device failed: " + port_->lastError();
        closePort();
        return false;
    }
    reason_.clear();
    trouble_.clear();
    return true;
}

bool RawPortBackend::reachPort() {
    if (port_) {
        return true;
    }
    if (!session_ || retakeFailed_ || sourceRefused_) {
        return false;
    }
    retakeFailed_ = !bindPort();
    return !retakeFailed_;
}

void RawPortBackend::operationEnded() {
    closePort();  // the keyboard types again
    retakeFailed_ = false;
}

std::string RawPortBackend::trouble() const {
    if (!port_) {
        return trouble_;
    }
    const link::RawKeyboardPort::Tally& t = port_->tally();
    std::string text;
    const auto add = [&text](const std::string& part) {
        text += (text.empty() ? "" : "; ") + part;
    };
    if (t.overruns > 0) {
        add("keyboard bytes were lost: the kernel's buffer of " +
            std::to_string(link::kRawRingHolds) + " bytes was full when read (" +
            std::to_string(t.overruns) + (t.overruns == 1 ? " time" : " times") +
            "); try again on a less busy machine");
    }
    const auto inParentheses = [](const std::string& why) {
        return why.empty() ? std::string() : " (" + why + ")";
    };
    const int keyboardRefused = t.keyboardRefused;
    const int kernelRefused = t.refusedBytes - keyboardRefused;
    // A standard keyboard refuses the frames but takes the bytes that happen
    // to be its own commands (F4, FF, ...).
    const std::string standard =
        ": it takes no configuration commands; is it a point-of-sale keyboard with a card reader?";
    if (keyboardRefused > 0 && keyboardRefused == t.bytesOffered) {
        add("the keyboard answered resend (FE) to every byte of the command" + standard);
    } else if (keyboardRefused > 0 && 2 * keyboardRefused >= t.bytesOffered) {
        add("the keyboard answered resend (FE) to " + std::to_string(keyboardRefused) + " of the " +
            std::to_string(t.bytesOffered) + " bytes of the commands" + standard);
    } else if (keyboardRefused > 0) {
        add("the keyboard answered resend (FE) twice to " + std::to_string(keyboardRefused) +
            " of the bytes sent, which were lost");
    }
    if (port_->gone()) {
        add("the raw keyboard device went away" + inParentheses(port_->lastError()));
    } else if (kernelRefused > 0) {
        add("the kernel refused a byte for the keyboard" + inParentheses(port_->lastError()));
    }
    return text;
}

void RawPortBackend::ShutdownWinIo() {
    closePort();
    session_ = false;
}

void RawPortBackend::closePort() {
    if (port_) {
        trouble_ = trouble();
        port_->ShutdownWinIo();
    }
    port_.reset();
    tracing_.reset();
    const bool held = device_ != nullptr;
    device_.reset();  // closes the device before the port changes driver
    if (held) {
        source_.release();
    }
    capturing_ = false;
}

bool RawPortBackend::GetPortVal(std::uint16_t port, std::uint32_t& value, int size) {
    value = 0;
    return reachPort() && port_->GetPortVal(port, value, size);
}

bool RawPortBackend::SetPortVal(std::uint16_t port, std::uint32_t value, int size) {
    return reachPort() && port_->SetPortVal(port, value, size);
}

platform::HookHandle RawPortBackend::SetWindowsHookEx(platform::HookProc proc) {
    if (!reachPort()) {
        return 0;
    }
    const platform::HookHandle hook = port_->SetWindowsHookEx(std::move(proc));
    capturing_ = capturing_ || hook != 0;
    return hook;
}

bool RawPortBackend::UnhookWindowsHookEx(platform::HookHandle hook) {
    const bool removed = port_ && port_->UnhookWindowsHookEx(hook);
    capturing_ = capturing_ && !removed;
    return removed;
}

std::int32_t RawPortBackend::CallNextHookEx(platform::HookHandle, int, std::uintptr_t,
                                            std::intptr_t) {
    return 0;
}

bool RawPortBackend::HookSourceGone(platform::HookHandle hook) const {
    return !port_ || port_->HookSourceGone(hook);
}

void RawPortBackend::processEvents(std::uint32_t maxWaitMs) {
    if (!port_) {
        inner_->processEvents(maxWaitMs);
        return;
    }
    port_->drain();
    inner_->processEvents(std::min(maxWaitMs, kPumpSliceMs));
    port_->drain();
}

}  // namespace tavrin::app

#endif
