#pragma once
// One run of a front end: the backends (the machine's own, or the simulated
// keyboard with its EEPROM kept in a file between runs), the wire log, and
// ui::MsrWindow over them. A front end brings its clock, its dialogs and,
// where its toolkit runs the waits, its own event pump and Timer1.

#include <functional>
#include <memory>
#include <string>

#include "app/logging_port_driver.h"
#include "app/native_platform.h"
#include "app/raw_trace.h"
#include "app/wire_log.h"
#include "platform/dialogs.h"
#include "sim/simulated_keyboard.h"
#include "ui/msr_window.h"

namespace tavrin::app {

struct SessionSettings {
    bool simulate = false;
    std::string simImage;  // the simulated keyboard's EEPROM, kept between runs
    std::string wireLog;   // every data-port byte as "<ms> <HH>"
    // Make simImage's folder when it is missing (the user's data folder on
    // a first run).
    bool makeImageFolder = false;
    std::string trace;     // Linux: every byte on the raw keyboard port
    std::string serioBus;   // tests: the folder standing for /sys/bus/serio
    std::string serioPort;  // tests: a serio port other than the i8042 keyboard port
};

// What the front end lends the session; it outlives the session.
struct FrontEnd {
    explicit FrontEnd(platform::OperatorDialogs& operatorDialogs) : dialogs(operatorDialogs) {}

    platform::OperatorDialogs& dialogs;
    // The simulated keyboard's clock (used with SessionSettings::simulate).
    platform::Clock* simClock = nullptr;
    sim::SimulatedKeyboard::Options simulator;
    // The toolkit's event loop and Timer1 in place of the machine's own.
    platform::EventPump* nativeEvents = nullptr;
    platform::Timer* nativeTimer1 = nullptr;
    // Called after every pump of events (a read's progress, say).
    std::function<void()> afterEvents;
};

class Session {
public:
    Session(const SessionSettings& settings, FrontEnd frontEnd, const char* argv0);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads the simulated keyboard's image and opens the wire log; false,
    // with the reason, when either cannot be done. A simulated keyboard
    // whose image file is there but holds no image (loadKeyboardImage)
    // does not start, and the file is never written.
    bool prepare(std::string& error);
    // Keeps the simulated keyboard's image (only after prepare succeeded)
    // and closes the wire log; false, with the reason, when something
    // could not be written.
    bool finish(std::string& error);

    ui::MsrWindow& window() { return *window_; }
    platform::FileSystem& files() { return backends_->files(); }
    NativePlatform& backends() { return *backends_; }
    sim::SimulatedKeyboard* keyboard();
    bool simulated() const { return simulated_ != nullptr; }
    // Why the machine's port driver cannot open, when the machine knows.
    std::string portUnavailableReason() const { return backends_->portUnavailableReason(); }

private:
    class NotifyingPump;
    class SimulatedBackends;

    SessionSettings settings_;
    FrontEnd frontEnd_;
    bool prepared_ = false;
    std::unique_ptr<NativePlatform> backends_;
    SimulatedBackends* simulated_ = nullptr;  // within backends_, when simulating
    WireLog wireLog_;
    RawTrace trace_;
    std::uint32_t startTick_ = 0;
    std::unique_ptr<LoggingPortDriver> logging_;
    std::unique_ptr<NotifyingPump> events_;
    std::unique_ptr<ui::MsrWindow> window_;
};

}  // namespace tavrin::app
