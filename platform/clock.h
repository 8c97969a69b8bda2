#pragma once
// The program's time and event queue. A virtual clock (tests, the simulated
// keyboard) moves only while the program waits or pays for a port read, so a
// 15 s time-out costs microseconds; the real clock follows the steady clock
// and sleeps.

#include <cstdint>
#include <functional>

namespace tavrin::platform {

using Micros = std::int64_t;

class Clock {
public:
    virtual ~Clock() = default;
    virtual Micros now() = 0;
    // Time the caller spends (a status read costs about 1 us): the virtual
    // clock advances, the real one sleeps, in batches so as not to spin.
    virtual void spend(Micros duration) = 0;
    // Runs fn on the user-interface thread once the clock reaches at.
    virtual void post(Micros at, std::function<void()> fn) = 0;
    // The event pump: runs every due event; when none is due, waits for the
    // next one (at most maxWait) and runs what is due then.
    virtual void runEvents(Micros maxWait) = 0;
};

}  // namespace tavrin::platform
