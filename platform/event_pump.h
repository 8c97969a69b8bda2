#pragma once
// The user-interface event pump. Waits and captures run it between their
// tests so that timers, keystrokes and window events are handled.

#include <cstdint>

namespace tavrin::platform {

class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles every event pending now. When none is pending, waits at most
    // maxWaitMs for the next one and handles what is pending then. Returns
    // early as soon as something was handled; 0 never waits.
    virtual void processEvents(std::uint32_t maxWaitMs) = 0;
};

}  // namespace tavrin::platform
