// What the start-up read of the simulated keyboard must take at least, for
// benchmarks that time a front end from outside (tools/windows-bench.sh):
// the program's fixed waits, the command's bytes through the controller and
// the typed answer. Prints "floor_ms F waits_ms W bytes B transfer_ms T
// keystrokes K typing_ms I" on one line.

#include <cstdio>

#include "sim/virtual_clock.h"
#include "sim/simulated_keyboard.h"

int main() {
    tavrin::sim::VirtualClock clock;
    tavrin::sim::SimulatedKeyboard keyboard(clock);
    const tavrin::sim::SimulatedKeyboard::Options options;
    constexpr double kWaitsMs = 300.0;  // the read's fixed waits
    constexpr int kCommandBytes = 8;    // E7 55 AA E3 63 E3 52 E6
    const double transferMs = options.controller.transferTime / 1000.0;
    const double typingMs = options.keyboard.typingInterval / 1000.0;
    const auto keystrokes = keyboard.firmware().answer().size();
    const double floorMs = kWaitsMs + kCommandBytes * transferMs + keystrokes * typingMs;
    std::printf(
        "floor_ms %.1f waits_ms %.1f bytes %d transfer_ms %.1f keystrokes %zu typing_ms %.1f\n",
        floorMs, kWaitsMs, kCommandBytes, transferMs, keystrokes, typingMs);
    return 0;
}
