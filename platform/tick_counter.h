#pragma once
// The system's millisecond counter since start, wrapping at 2^32.

#include <cstdint>

namespace tavrin::platform {

class TickCounter {
public:
    virtual ~TickCounter() = default;
    virtual std::uint32_t GetTickCount() = 0;
};

}  // namespace tavrin::platform
