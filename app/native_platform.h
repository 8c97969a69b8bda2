#pragma once
// The machine's own backends for the seams. On Windows they reach the port
// driver, the thread keyboard hook and the message pump; elsewhere stand-ins
// keep the program usable without a keyboard controller (the driver never
// opens, so every device operation fails the way it does on a PC without
// the driver).

#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/file_system.h"
#include "platform/keyboard_hook.h"
#include "platform/port_driver.h"
#include "platform/registry.h"
#include "platform/system_security.h"
#include "platform/tick_counter.h"
#include "platform/timer.h"
#include "platform/version_query.h"

namespace tavrin::app {

class NativePlatform {
public:
    virtual ~NativePlatform() = default;
    virtual platform::PortDriver& ports() = 0;
    virtual platform::TickCounter& ticks() = 0;
    virtual platform::EventPump& events() = 0;
    virtual platform::Timer& timer1() = 0;
    virtual platform::KeyboardHookApi& hooks() = 0;
    virtual platform::VersionQuery& version() = 0;
    virtual platform::FileSystem& files() = 0;
    virtual platform::Registry& registry() = 0;
    virtual platform::ProgramLauncher& launcher() = 0;
    virtual platform::SystemSecurity& security() = 0;
    // Why the port driver cannot open on this machine, in one line; empty
    // when the system's own check (the doctor) tells it.
    virtual std::string portUnavailableReason() const { return {}; }
    // What went wrong on an open port that the operation's own message
    // does not tell, in one line; empty when nothing did.
    virtual std::string portTrouble() const { return {}; }
    // The toolkit's own event loop, wrapped where the backends must run
    // between its passes (the raw keyboard port's reads).
    virtual platform::EventPump& aroundEventLoop(platform::EventPump& loop) { return loop; }
};

class RawTrace;

struct NativeOptions {
    // Linux: the folder standing for /sys/bus/serio (tests); empty: the machine's.
    std::string serioBus;
    // Linux tests: the serio port to use instead of the i8042 keyboard port.
    std::string serioPort;
    // Linux: every byte on the raw keyboard port, when open.
    RawTrace* trace = nullptr;
};

// The running program's folder (argv0's when the system cannot tell).
std::string programFolder(const char* argv0);

// argv0 locates the program folder.
std::unique_ptr<NativePlatform> makeNativePlatform(const char* argv0,
                                                   const NativeOptions& options = {});

}  // namespace tavrin::app
