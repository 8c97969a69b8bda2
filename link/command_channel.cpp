#include "link/command_channel.h"

namespace tavrin::link {

CommandChannel::CommandChannel(platform::PortDriver& ports, platform::TickCounter& ticks,
                               platform::EventPump& events, LinkCounters& counters)
    : ports_(ports), ticks_(ticks), events_(events), counters_(counters) {}

void CommandChannel::SendControllerByte(std::int32_t value) {
    counters_.tickCounter = 0;
    MaskKeyboardIrq();
    auto drop = [this] {
        counters_.countSendError();
        ++counters_.droppedBytes;
    };
    for (int n = 1;; ++n) {
        std::uint32_t status = 0;
        if (!ports_.GetPortVal(kStatusPort, status, 1)) {
            // The driver refused the access (or there is none): the byte
            // cannot go out, and no later read would tell otherwise.
            drop();
            break;
        }
        if (n >= kStatusReadLimit) {
            // The controller never emptied its input buffer: drop the byte.
            drop();
            break;
        }
        if ((status & kInputBufferFull) == 0) {
            if (!ports_.SetPortVal(kDataPort, static_cast<std::uint32_t>(value) & 0xFF, 1)) {
                drop();
            }
            break;
        }
    }
    UnmaskKeyboardIrq();
}

void CommandChannel::SendStartFrame() {
    SendControllerByte(0xE7);
    SendControllerByte(0x55);
    SendControllerByte(0xAA);
}

void CommandChannel::SendDataBytes(std::span<const int> values) {
    for (int value : values) {
        SendControllerByte(0xE3);
        SendControllerByte(value);
    }
}

void CommandChannel::SendEndFrame() {
    SendControllerByte(0xE6);
}

void CommandChannel::SendFrame(std::span<const int> values) {
    SendStartFrame();
    SendDataBytes(values);
    SendEndFrame();
}

void CommandChannel::MaskKeyboardIrq() {
    std::uint32_t mask = 0;
    ports_.GetPortVal(kInterruptMaskPort, mask, 1);
    ports_.SetPortVal(kInterruptMaskPort, (mask | kIrq1Mask) & 0xFF, 1);
}

void CommandChannel::UnmaskKeyboardIrq() {
    std::uint32_t mask = 0;
    ports_.GetPortVal(kInterruptMaskPort, mask, 1);
    ports_.SetPortVal(kInterruptMaskPort, mask & 0xFD, 1);
}

void CommandChannel::WaitMilliseconds(std::int32_t ms) {
    std::uint32_t start = ticks_.GetTickCount();
    for (;;) {
        // Sleep in the pump until the next event, at most until the deadline.
        auto elapsed = static_cast<std::int32_t>(ticks_.GetTickCount() - start);
        std::int64_t remaining = static_cast<std::int64_t>(ms) - (elapsed < 0 ? 0 : elapsed);
        events_.processEvents(remaining > 0 ? static_cast<std::uint32_t>(remaining) : 0);
        // The signed difference of two wrapping counters; a negative one
        // restarts the measurement instead of ending the wait early.
        if (static_cast<std::int32_t>(ticks_.GetTickCount() - start) < 0) {
            start = ticks_.GetTickCount();
        }
        if (static_cast<std::int32_t>(ticks_.GetTickCount() - start) >= ms) {
            return;
        }
    }
}

}  // namespace tavrin::link
