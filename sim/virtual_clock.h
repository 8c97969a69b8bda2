#pragma once
// Simulated time for tests: it moves only when the program pays for a port
// read (spend) or waits in the event pump, so a 15 s capture time-out runs
// in microseconds of real time.

#include "platform/clock.h"
#include "platform/event_queue.h"

namespace tavrin::sim {

using platform::EventQueue;
using platform::Micros;

class VirtualClock : public platform::Clock {
public:
    explicit VirtualClock(Micros start = 0) : now_(start) {}

    Micros now() override { return now_; }
    void spend(Micros duration) override;
    void post(Micros at, std::function<void()> fn) override;
    // Runs what is due; if nothing was, jumps to the next event or to
    // now + maxWait, whichever comes first, and runs what is due then.
    void runEvents(Micros maxWait) override;

    // Pumps events until the clock has reached `until`.
    void runUntil(Micros until);
    std::size_t pendingEvents() const { return queue_.size(); }

private:
    Micros now_;
    EventQueue queue_;
};

}  // namespace tavrin::sim
