#include "sim/i8042.h"

namespace tavrin::sim {

I8042::I8042(platform::Clock& clock, Options options)
    : clock_(clock),
      options_(std::move(options)),
      driverOpen_(options_.driverOpenAtStart),
      mask_(options_.interruptMask) {}

bool I8042::InitializeWinIo() {
    ++initializeCalls_;
    bool ok = true;
    if (!options_.initializeResults.empty()) {
        ok = options_.initializeResults.front();
        options_.initializeResults.pop_front();
    }
    driverOpen_ = ok;
    return ok;
}

void I8042::ShutdownWinIo() {
    ++shutdownCalls_;
    driverOpen_ = false;
}

bool I8042::inputBufferFull() {
    settle();
    return options_.neverReady || held_.has_value();
}

void I8042::settle() {
    if (held_ && !options_.neverReady && clock_.now() >= busyUntil_) {
        auto byte = *held_;
        held_.reset();
        ++delivered_;
        if (keyboard_) {
            keyboard_(byte);
        }
    }
}

bool I8042::refusing() const {
    return !driverOpen_ || (options_.refuseAfterBytes >= 0 &&
                            wire_.size() >= static_cast<std::size_t>(options_.refuseAfterBytes));
}

bool I8042::GetPortVal(std::uint16_t port, std::uint32_t& value, int size) {
    if (refusing() || size != 1) {
        return false;  // the driver is not there: nothing reaches the hardware
    }
    switch (port) {
        case kI8042Status:
            ++statusReads_;
            value = inputBufferFull() ? kStatusInputFull : 0;
            clock_.spend(options_.statusReadCost);
            return true;
        case kPicMask:
            value = mask_;
            return true;
        case kI8042Data:
            value = 0;  // no keyboard data is ever read back this way
            return true;
        default:
            value = 0xFF;  // nothing decodes this port
            return true;
    }
}

bool I8042::SetPortVal(std::uint16_t port, std::uint32_t value, int size) {
    if (refusing() || size != 1) {
        return false;
    }
    auto byte = static_cast<std::uint8_t>(value & 0xFF);
    if (port == kPicMask) {
        mask_ = byte;
        return true;
    }
    if (port != kI8042Data) {
        return true;
    }
    Micros now = clock_.now();
    bool overrun = inputBufferFull();
    wire_.push_back({now, byte, (mask_ & kPicIrq1) != 0, overrun});
    if (wireLog_) {
        wireLog_(now, byte);
    }
    // A write into a full buffer replaces the byte still held there.
    held_ = byte;
    busyUntil_ = now + options_.transferTime;
    clock_.post(busyUntil_, alive_.guard([this] { settle(); }));
    return true;
}

std::vector<std::uint8_t> I8042::wireBytes() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(wire_.size());
    for (const auto& w : wire_) {
        bytes.push_back(w.value);
    }
    return bytes;
}

}  // namespace tavrin::sim
