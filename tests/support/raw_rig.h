#pragma once
// The window over the raw keyboard port on a virtual clock, by either of the
// program's paths to it: link::RawKeyboardPort straight on a raw device (the
// double's, or a recorded trace played back), or the Linux backend over a
// fake sysfs, which binds serio_raw for each operation and gives the port
// back to atkbd after it.

#include <memory>
#include <utility>

#include "app/raw_port_backend.h"
#include "app/raw_trace.h"
#include "link/raw_keyboard_port.h"
#include "platform/clock_host.h"
#include "platform/linux/serio_bus.h"
#include "support/fake_raw_source.h"
#include "support/fake_sysfs.h"
#include "support/raw_keyboard_double.h"
#include "support/sim_rig.h"
#include "support/trace_replay.h"

namespace tavrin::test {

// The simulated keyboard behind the double, and the program's host on the
// same clock: ticks, pump, Timer1, version.
struct DoubledKeyboard {
    DoubledKeyboard(RawKeyboardDouble::Options raw, sim::SimulatedKeyboard::Options options)
        : keyboard(clock, std::move(options)), device(clock, keyboard, raw) {}

    sim::VirtualClock clock;
    sim::SimulatedKeyboard keyboard;
    platform::ClockHost host{clock};
    RawKeyboardDouble device;
};

// A recorded trace played back as the keyboard, and the host on its clock.
struct ReplayedKeyboard {
    explicit ReplayedKeyboard(const RawTraceFile& trace) : device(clock, trace) {}

    sim::VirtualClock clock;
    platform::ClockHost host{clock};
    ReplayDevice device;
};

// The window over link::RawKeyboardPort on device, on host's clock.
struct PortWindow : WindowDesk {
    PortWindow(platform::RawDevice& device, platform::ClockHost& host, link::ScanCodeSet set)
        : port(device, host, set),
          events(host, port),
          window(ui::Platform{port, host, events, host, port, host, files, dialogs, registry,
                              launcher}) {}

    link::RawKeyboardPort port;
    link::RawPortEvents events;
    ui::MsrWindow window;
};

// The window on the double through link::RawKeyboardPort.
struct RawRig : DoubledKeyboard, PortWindow {
    explicit RawRig(RawKeyboardDouble::Options raw, sim::SimulatedKeyboard::Options options = {})
        : DoubledKeyboard(raw, std::move(options)), PortWindow(device.device(), host, raw.set) {}
};

// The window on a replayed trace through link::RawKeyboardPort.
struct ReplayRig : ReplayedKeyboard, PortWindow {
    explicit ReplayRig(const RawTraceFile& trace)
        : ReplayedKeyboard(trace), PortWindow(device, host, trace.set) {}
};

// What the backend opens, the device it then owns: the double's, lent.
inline app::RawPortBackend::MakeDevice lending(RawKeyboardDouble& from) {
    return [&from](const platform::OpenedRawPort&) -> std::unique_ptr<platform::RawDevice> {
        return std::make_unique<Lent>(from.device());
    };
}

// The window over the Linux backend: a fake sysfs with the i8042's ports (the
// keyboard's only when keyboardPort), a source that binds serio_raw and lends
// the double's device, and the backend's byte trace.
struct BackendRig : DoubledKeyboard, WindowDesk {
    explicit BackendRig(RawKeyboardDouble::Options raw = {}, bool keyboardPort = true)
        : DoubledKeyboard(raw, {}) {
        if (keyboardPort) {  // id/type 06: the i8042 translates to set 1; 01: set 2 as sent
            const char* type = raw.set == link::ScanCodeSet::Set2 ? "01" : "06";
            sysfs.addPort({"serio0", "i8042 KBD port", type, "atkbd"});
        }
        sysfs.addPort({"serio1", "i8042 AUX port", "01", "psmouse"});
    }

    FakeSysfs sysfs;
    platform::SysfsSerioBus bus{sysfs.devices()};
    FakeSource source{bus};
    app::RawTrace trace;
    app::RawPortBackend backend{bus, source, host, host, &trace, lending(device)};
    ui::MsrWindow window{ui::Platform{backend, host, backend, host, backend, host, files, dialogs,
                                      registry, launcher}};
};

}  // namespace tavrin::test
