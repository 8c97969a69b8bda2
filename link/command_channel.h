#pragma once
// Commands to the keyboard travel through the i8042 keyboard controller:
// each byte is written to its data port once the controller's input buffer
// is empty, with the keyboard interrupt masked around the byte. A byte the
// controller never took, or whose port access the driver refused, is
// dropped and counted (LinkCounters::droppedBytes).

#include <cstdint>
#include <initializer_list>
#include <span>

#include "link/counters.h"
#include "platform/event_pump.h"
#include "platform/port_driver.h"
#include "platform/tick_counter.h"

namespace tavrin::link {

inline constexpr std::uint16_t kDataPort = 0x60;
inline constexpr std::uint16_t kStatusPort = 0x64;
inline constexpr std::uint16_t kInterruptMaskPort = 0x21;
inline constexpr std::uint32_t kInputBufferFull = 0x02;  // status bit 1
inline constexpr std::uint32_t kIrq1Mask = 0x02;         // mask register bit 1
inline constexpr int kStatusReadLimit = 300000;

class CommandChannel {
public:
    CommandChannel(platform::PortDriver& ports, platform::TickCounter& ticks,
                   platform::EventPump& events, LinkCounters& counters);

    void SendControllerByte(std::int32_t value);
    void SendStartFrame();
    void SendDataBytes(std::span<const int> values);
    void SendDataBytes(std::initializer_list<int> values) {
        SendDataBytes(std::span<const int>(values.begin(), values.size()));
    }
    void SendEndFrame();
    // A whole frame: start, every byte with its E3, end; no pause inside.
    void SendFrame(std::span<const int> values);

    void MaskKeyboardIrq();
    void UnmaskKeyboardIrq();

    // Returns after at least ms milliseconds, handling events meanwhile and
    // sleeping in the event pump rather than spinning.
    void WaitMilliseconds(std::int32_t ms);

private:
    platform::PortDriver& ports_;
    platform::TickCounter& ticks_;
    platform::EventPump& events_;
    LinkCounters& counters_;
};

}  // namespace tavrin::link
