#pragma once
// One run of the window: the backends (the machine's own, or the simulated
// keyboard in real time on the window's clock), ui::MsrWindow over them,
// frmMsr bound to it, and what has to be kept when it ends.

#include <memory>
#include <optional>
#include <string>

#include "app/keyboard_image_file.h"
#include "app/logging_port_driver.h"
#include "app/native_platform.h"
#include "app/null_backends.h"
#include "app/wire_log.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_event_pump.h"
#include "gui/qt_sim_clock.h"
#include "platform/std_file_system.h"
#include "sim/simulated_keyboard.h"
#include "ui/msr_window.h"

#include <QStringList>

namespace tavrin::gui {

class frmMsr;

struct GuiOptions {
    bool simulate = false;
    std::string simImage;     // the simulated keyboard's EEPROM, kept between runs
    std::string wireLog;      // every data-port byte as "<ms> <HH>"
    std::string screenshots;  // folder: draw every form into PNG files and end
};

// Parses the command line. Empty on --help, --version or a usage error,
// after telling so on the standard streams; exitCode says how to end.
std::optional<GuiOptions> parseGuiOptions(const QStringList& arguments, int& exitCode);

class GuiSession {
public:
    GuiSession(const GuiOptions& options, const char* argv0);
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    // Loads the simulated keyboard's image and opens the wire log; false,
    // with the reason, when either cannot be done. A simulated keyboard
    // whose image exists but cannot be read does not start: it would
    // overwrite the file with factory settings at the end.
    bool prepare(std::string& error);
    // Form_Load (driver, start-up read, its waiting dialog and messages),
    // then the window. False when the window unloaded during start-up.
    bool start();
    // Keeps the simulated keyboard's image and closes the wire log; false,
    // with the reason, when something could not be written.
    bool finish(std::string& error);

    frmMsr& window() { return *frm_; }
    ui::MsrWindow& msrWindow() { return *msr_; }
    QtOperatorDialogs& dialogs() { return dialogs_; }
    sim::SimulatedKeyboard* keyboard() { return keyboard_.get(); }
    bool simulated() const { return static_cast<bool>(keyboard_); }

private:
    platform::PortDriver& rawPorts();
    platform::TickCounter& ticks();
    platform::EventPump& events();
    platform::Timer& timer1();
    platform::KeyboardHookApi& hooks();
    platform::VersionQuery& version();
    platform::FileSystem& files();
    platform::Registry& registry();
    platform::ProgramLauncher& launcher();

    GuiOptions options_;
    QtOperatorDialogs dialogs_;
    // The simulated keyboard on the window's clock.
    std::unique_ptr<QtSimClock> clock_;
    std::unique_ptr<sim::SimulatedKeyboard> keyboard_;
    std::unique_ptr<platform::StdFileSystem> simFiles_;
    app::AbsentRegistry noRegistry_;
    app::AbsentLauncher noLauncher_;
    // Or the machine's own, with Qt's event loop and timer in the waits.
    std::unique_ptr<app::NativePlatform> native_;
    std::unique_ptr<QtEventPump> qtEvents_;
    std::unique_ptr<QtTimer1> qtTimer1_;

    app::WireLog wireLog_;
    std::uint32_t startTick_ = 0;
    std::unique_ptr<app::LoggingPortDriver> logging_;
    std::unique_ptr<ui::MsrWindow> msr_;
    std::unique_ptr<frmMsr> frm_;
};

}  // namespace tavrin::gui
