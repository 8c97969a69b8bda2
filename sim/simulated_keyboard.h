#pragma once
// A whole simulated machine for the program: the PC's side (tick counter,
// event pump, Timer1, keyboard hook, version query), its i8042 keyboard
// controller and the POS keyboard's firmware, on a clock the caller owns:
// a VirtualClock in tests, app::RealClock or the window's clock otherwise.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/clock_host.h"
#include "sim/i8042.h"
#include "sim/keyboard_firmware.h"

namespace tavrin::sim {

using platform::Micros;

class SimulatedKeyboard {
public:
    // A key the operator presses on the program's window at clock time `at`.
    struct OperatorKey {
        Micros at;
        std::uint8_t virtualKey;
        std::uint8_t scanCode;
        bool keyUp = false;
    };

    struct Options {
        platform::ClockHost::Options host;   // OS version, tick counter start
        I8042::Options controller;           // transfer time, never ready, driver results
        KeyboardFirmware::Options keyboard;  // version, typing rate, answer faults
        bool controllerSlow = false;         // transfer time kSlowTransferTime
        std::vector<OperatorKey> operatorKeys;
        // Told of every byte written to the data port.
        std::function<void(Micros, std::uint8_t)> wireLog;
    };

    explicit SimulatedKeyboard(platform::Clock& clock) : SimulatedKeyboard(clock, Options{}) {}
    SimulatedKeyboard(platform::Clock& clock, Options options);
    SimulatedKeyboard(const SimulatedKeyboard&) = delete;
    SimulatedKeyboard& operator=(const SimulatedKeyboard&) = delete;

    platform::Clock& clock() { return clock_; }
    platform::ClockHost& host() { return host_; }
    I8042& ports() { return ports_; }
    KeyboardFirmware& firmware() { return firmware_; }

private:
    static I8042::Options controllerOptions(const Options& options);

    platform::Clock& clock_;
    platform::ClockHost host_;
    I8042 ports_;
    KeyboardFirmware firmware_;
};

}  // namespace tavrin::sim
