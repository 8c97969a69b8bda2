#pragma once
// The port-I/O driver (WinIo): opened once at start-up, closed at exit, and
// used for 8-bit accesses to the keyboard controller and the interrupt mask.
// Between operations the port may be lent back to the system (Linux).

#include <cstdint>

namespace tavrin::platform {

class PortDriver {
public:
    virtual ~PortDriver() = default;

    virtual bool InitializeWinIo() = 0;
    virtual void ShutdownWinIo() = 0;
    // size is the access width in bytes; the program only uses 1.
    virtual bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) = 0;
    virtual bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) = 0;
    // An operation of the window or the tool has ended. A driver that takes
    // the port from the system's own keyboard driver gives it back here and
    // takes it again at the next access; WinIo has nothing to give back.
    // No default: a driver that wraps another passes it on.
    virtual void operationEnded() = 0;
    // Whether the system's keyboard driver is without its port now: keys
    // typed meanwhile reach nobody, not even a box asking for Enter.
    virtual bool keyboardCutOff() const = 0;
};

}  // namespace tavrin::platform
