#pragma once
// Where the open raw keyboard port comes from. Binding serio_raw needs
// root: the unprivileged program is handed the open device by the
// privileged helper over a Unix socket; a program already running as root
// binds the port itself. Either way the port goes back to atkbd when the
// source is released.

#include <filesystem>
#include <functional>
#include <string>

#include <sys/stat.h>

#include "platform/linux/port_guard.h"
#include "platform/linux/port_lock.h"
#include "platform/linux/serio_bus.h"

namespace tavrin::platform {

struct OpenedRawPort {
    int fd = -1;  // owned by the caller; non-blocking
    ScanCodeTranslation translation = ScanCodeTranslation::Unknown;
    bool busy = false;  // refused: another Tavrin holds the port (ask again later)
};

class RawPortSource {
public:
    virtual ~RawPortSource() = default;
    // The port's device, open; fd -1 with the reason in one line.
    virtual OpenedRawPort open(const KeyboardPort& port, std::string& reason) = 0;
    // Gives the port back to atkbd (after the caller closed the fd).
    virtual void release() = 0;
};

// Root takes the machine's port lock, binds serio_raw, waits for the device
// node udev makes, and opens it. A guard process gives the port back should
// the program be killed.
class DirectRawPortSource : public RawPortSource {
public:
    struct Paths {
        std::filesystem::path devices = kSerioDevices;  // the serio ports
        std::filesystem::path dev = "/dev";             // where udev puts serio_rawN
        int waitMs = 2000;                              // for udev to make the node
        std::filesystem::path lock = kPortLockPath;
        // What the node must be: a character device (tests stand a FIFO in).
        bool (*isNode)(mode_t) = [](mode_t mode) { return S_ISCHR(mode); };
    };

    DirectRawPortSource(SerioBus& bus, Paths paths) : bus_(bus), paths_(std::move(paths)) {}
    ~DirectRawPortSource() override { release(); }

    OpenedRawPort open(const KeyboardPort& port, std::string& reason) override;
    void release() override;

private:
    SerioBus& bus_;
    Paths paths_;
    std::optional<KeyboardPort> bound_;  // serio_raw was asked for
    PortGuard guard_;
    PortLock lock_;
};

// The unprivileged program: the privileged helper (tavrin-port) binds the
// port and passes the open device over a Unix socket, and hands the port
// back when that socket closes. receive is that helper's client; until it
// is given, this source says the helper is missing. close ends one hold.
class HelperRawPortSource : public RawPortSource {
public:
    // Returns the received fd (the helper holds the port until close), or
    // -1 with the reason; busy when another Tavrin holds the port.
    using Receive = std::function<int(std::string& reason, bool& busy)>;
    using Close = std::function<void()>;

    HelperRawPortSource(Receive receive = {}, Close close = {})
        : receive_(std::move(receive)), close_(std::move(close)) {}
    ~HelperRawPortSource() override { release(); }

    OpenedRawPort open(const KeyboardPort& port, std::string& reason) override;
    void release() override;

private:
    Receive receive_;
    Close close_;
    bool open_ = false;
};

}  // namespace tavrin::platform
