#pragma once
// One run of the window: the backends (the machine's own, or the simulated
// keyboard in real time on the window's clock), ui::MsrWindow over them,
// frmMsr bound to it, and what has to be kept when it ends.

#include <memory>
#include <optional>
#include <string>

#include "app/session.h"
#include "app/window_options.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_event_pump.h"
#include "gui/qt_sim_clock.h"

#include <QStringList>

namespace tavrin::gui {

class frmMsr;

using GuiOptions = app::WindowOptions;

// Parses the command line. Empty on --help, --version or a usage error,
// after telling so on the standard streams; exitCode says how to end.
std::optional<GuiOptions> parseGuiOptions(const QStringList& arguments, int& exitCode);

class GuiSession {
public:
    GuiSession(const GuiOptions& options, const char* argv0);
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    // The shared session's: the image and the wire log, with the reason.
    bool prepare(std::string& error) { return core_->prepare(error); }
    // Form_Load (driver, start-up read, its waiting dialog and messages),
    // then the window. False when the window unloaded during start-up.
    bool start();
    bool finish(std::string& error) { return core_->finish(error); }

    frmMsr& window() { return *frm_; }
    ui::MsrWindow& msrWindow() { return core_->window(); }
    QtOperatorDialogs& dialogs() { return dialogs_; }
    sim::SimulatedKeyboard* keyboard() { return core_->keyboard(); }
    bool simulated() const { return core_->simulated(); }

private:
    QtOperatorDialogs dialogs_;
    // The simulated keyboard runs on the window's clock; the machine's own
    // backends wait in Qt's event loop and timer.
    QtSimClock clock_;
    QtEventPump events_;
    QtTimer1 timer1_;
    std::unique_ptr<app::Session> core_;
    std::unique_ptr<frmMsr> frm_;
};

}  // namespace tavrin::gui
