#pragma once
// The PC's i8042 keyboard controller and the interrupt controller's mask
// register, as the port driver sees them. A byte written to the data port
// stays in the controller's input buffer (status bit 1 set) for as long as
// its transfer to the keyboard takes, and reaches the keyboard firmware
// only when the transfer has ended.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/event_queue.h"
#include "platform/port_driver.h"

namespace tavrin::sim {

using platform::AliveToken;
using platform::Micros;

inline constexpr std::uint16_t kI8042Data = 0x60;
inline constexpr std::uint16_t kI8042Status = 0x64;
inline constexpr std::uint16_t kPicMask = 0x21;
inline constexpr std::uint8_t kStatusInputFull = 0x02;
inline constexpr std::uint8_t kPicIrq1 = 0x02;

// Longer than the 300,000 status reads the program polls for one byte.
inline constexpr Micros kSlowTransferTime = 500'000;

class I8042 : public platform::PortDriver {
public:
    struct Options {
        Micros transferTime = 1000;  // one byte to the keyboard
        Micros statusReadCost = 1;   // clock time of one status read
        bool neverReady = false;     // status bit 1 never clears; nothing goes out
        std::uint8_t interruptMask = 0x00;
        // Results of successive InitializeWinIo calls; true once used up.
        std::deque<bool> initializeResults;
        // Ports answer before any InitializeWinIo (tests that skip start-up).
        bool driverOpenAtStart = true;
        // A driver that fails: once this many data-port bytes went out, it
        // refuses every access (-1: never).
        int refuseAfterBytes = -1;
    };

    struct WireByte {
        Micros at;
        std::uint8_t value;
        bool irq1Masked;  // IRQ1 masked at the interrupt controller when written
        bool overrun;     // written while the input buffer was still full
    };

    using ByteSink = std::function<void(std::uint8_t)>;

    I8042(platform::Clock& clock, Options options);

    // The keyboard end of the cable; bytes arrive at the end of their transfer.
    void setKeyboard(ByteSink keyboard) { keyboard_ = std::move(keyboard); }
    // Told of every data-port write as it happens.
    void setWireLog(std::function<void(Micros, std::uint8_t)> log) { wireLog_ = std::move(log); }

    bool InitializeWinIo() override;
    void ShutdownWinIo() override;
    void operationEnded() override {}  // no system keyboard driver to give back to
    bool keyboardCutOff() const override { return false; }
    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) override;
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) override;

    void setNeverReady(bool neverReady) { options_.neverReady = neverReady; }
    void setRefuseAfterBytes(int bytes) { options_.refuseAfterBytes = bytes; }
    void setTransferTime(Micros t) { options_.transferTime = t; }

    const std::vector<WireByte>& wire() const { return wire_; }
    std::vector<std::uint8_t> wireBytes() const;
    std::uint8_t interruptMask() const { return mask_; }
    long statusReads() const { return statusReads_; }
    int initializeCalls() const { return initializeCalls_; }
    int shutdownCalls() const { return shutdownCalls_; }
    bool driverOpen() const { return driverOpen_; }
    // Bytes handed to the keyboard so far.
    int delivered() const { return delivered_; }

private:
    bool inputBufferFull();
    bool refusing() const;
    // Hands the held byte to the keyboard once its transfer has ended.
    void settle();

    platform::Clock& clock_;
    Options options_;
    ByteSink keyboard_;
    std::function<void(Micros, std::uint8_t)> wireLog_;
    bool driverOpen_;
    std::uint8_t mask_;
    std::optional<std::uint8_t> held_;
    Micros busyUntil_ = 0;
    std::vector<WireByte> wire_;
    long statusReads_ = 0;
    int initializeCalls_ = 0;
    int shutdownCalls_ = 0;
    int delivered_ = 0;
    AliveToken alive_;
};

}  // namespace tavrin::sim
