#pragma once
// Counters shared by the command channel, the capture and the operations
// that reset them around their work.

#include <cstdint>

namespace tavrin::link {

struct LinkCounters {
    std::int16_t sendErrorCounter = 0;  // bytes the controller never took (diagnostic)
    std::int32_t tickCounter = 0;       // Timer1 ticks since the last reset or byte sent
    std::int32_t keyCount = 0;          // keystrokes stored by the hook
    std::uint64_t droppedBytes = 0;     // every byte dropped since start; never reset

    // The tally saturates instead of wrapping into negative values.
    void countSendError() {
        if (sendErrorCounter < INT16_MAX) {
            ++sendErrorCounter;
        }
    }
};

}  // namespace tavrin::link
