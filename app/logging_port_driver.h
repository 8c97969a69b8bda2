#pragma once
// Passes every port access on and tells a listener of each byte written to
// the keyboard controller's data port, with the tick count of the write.

#include <cstdint>
#include <functional>

#include "link/command_channel.h"
#include "platform/port_driver.h"
#include "platform/tick_counter.h"

namespace tavrin::app {

class LoggingPortDriver : public platform::PortDriver {
public:
    using Listener = std::function<void(std::uint32_t tick, std::uint8_t byte)>;

    LoggingPortDriver(platform::PortDriver& inner, platform::TickCounter& ticks, Listener listener)
        : inner_(inner), ticks_(ticks), listener_(std::move(listener)) {}

    bool InitializeWinIo() override { return inner_.InitializeWinIo(); }
    void ShutdownWinIo() override { inner_.ShutdownWinIo(); }
    // The port goes back to the system's keyboard driver between operations.
    void operationEnded() override { inner_.operationEnded(); }
    bool keyboardCutOff() const override { return inner_.keyboardCutOff(); }
    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) override {
        return inner_.GetPortVal(port, value, size);
    }
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) override {
        if (port == link::kDataPort && listener_) {
            listener_(ticks_.GetTickCount(), static_cast<std::uint8_t>(value & 0xFF));
        }
        return inner_.SetPortVal(port, value, size);
    }

private:
    platform::PortDriver& inner_;
    platform::TickCounter& ticks_;
    Listener listener_;
};

}  // namespace tavrin::app
