#pragma once
// The port driver, keyboard hook and event pump of a Linux machine with an
// i8042 keyboard port: opening the driver finds the port and takes its raw
// device from the source (serio_raw bound), shutting it closes the device
// and gives the port back to atkbd. The port is held only while an
// operation runs: its end gives the port back, and the next access takes
// it again. Until it is open every access fails as with a driver that did
// not load, and reason() says why it did not.

#ifdef __linux__

#include <functional>
#include <memory>
#include <string>

#include "app/raw_trace.h"
#include "link/raw_keyboard_port.h"
#include "platform/linux/fd_raw_device.h"
#include "platform/linux/raw_port_source.h"
#include "platform/linux/serio_bus.h"

namespace tavrin::app {

class RawPortBackend : public platform::PortDriver,
                       public platform::KeyboardHookApi,
                       public platform::EventPump {
public:
    // The device over the opened port's descriptor (an FdRawDevice that
    // owns it; tests put their double there).
    using MakeDevice =
        std::function<std::unique_ptr<platform::RawDevice>(const platform::OpenedRawPort&)>;

    RawPortBackend(platform::SerioBus& bus, platform::RawPortSource& source,
                   platform::TickCounter& ticks, platform::EventPump& inner,
                   RawTrace* trace = nullptr, MakeDevice makeDevice = {});
    ~RawPortBackend() override;
    RawPortBackend(const RawPortBackend&) = delete;
    RawPortBackend& operator=(const RawPortBackend&) = delete;

    bool InitializeWinIo() override;
    void ShutdownWinIo() override;
    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) override;
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) override;
    void operationEnded() override;
    bool keyboardCutOff() const override { return isOpen(); }  // serio_raw holds it

    platform::HookHandle SetWindowsHookEx(platform::HookProc proc) override;
    bool UnhookWindowsHookEx(platform::HookHandle hook) override;
    std::int32_t CallNextHookEx(platform::HookHandle hook, int code, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    bool HookSourceGone(platform::HookHandle hook) const override;

    // Reads the keyboard's bytes around short slices of the inner pump, so
    // that the kernel's 64-byte ring never fills.
    void processEvents(std::uint32_t maxWaitMs) override;

    // Tests: a serio port other than the i8042 keyboard port.
    void usePort(std::string name) { portName_ = std::move(name); }

    // The pump the keyboard's bytes are read around (a toolkit's loop).
    void runBetween(platform::EventPump& inner) { inner_ = &inner; }

    const std::string& reason() const { return reason_; }
    // What went wrong on the port since it opened (bytes lost to the
    // kernel's full buffer, a byte refused, the device gone), in one line;
    // empty when nothing did. Kept after the port closes.
    std::string trouble() const;
    bool isOpen() const { return port_ != nullptr; }
    // The driver is open: the port is bound now or is taken at the next access.
    bool sessionOpen() const { return session_; }

private:
    bool bindPort();
    // The port for an access: bound, or taken again (once an operation).
    bool reachPort();
    void closePort();

    platform::SerioBus& bus_;
    platform::RawPortSource& source_;
    platform::TickCounter& ticks_;
    platform::EventPump* inner_;
    RawTrace* trace_;
    MakeDevice makeDevice_;
    std::string portName_;
    std::string reason_;
    std::string trouble_;         // the closed port's
    bool sourceRefused_ = false;  // the source said no: not asked again
    bool capturing_ = false;
    bool session_ = false;          // opened, not shut down
    bool retakeFailed_ = false;     // this operation's bind failed: not asked again
    std::unique_ptr<platform::RawDevice> device_;
    std::unique_ptr<TracingRawDevice> tracing_;
    std::unique_ptr<link::RawKeyboardPort> port_;
};

}  // namespace tavrin::app

#endif
