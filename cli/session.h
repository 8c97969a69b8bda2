#pragma once
// Where the headless tool's commands run: the simulated keyboard (in real
// time, or on a virtual clock for tests) or the machine's own backends,
// with the main window's core over them.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "app/logging_port_driver.h"
#include "app/native_platform.h"
#include "app/null_backends.h"
#include "app/wire_log.h"
#include "cli/cli_dialogs.h"
#include "platform/std_file_system.h"
#include "sim/simulated_keyboard.h"
#include "ui/msr_window.h"

namespace tavrin::cli {

// How runCli meets the world beyond its arguments.
struct CliOptions {
    // Progress of reads and writes on the error stream: only when it is a
    // terminal, so logs and scripts see none of it.
    bool progress = false;
    // Tests: the simulated keyboard on a virtual clock, with these faults.
    bool virtualClock = false;
    sim::SimulatedKeyboard::Options simulator;
};

struct SessionSettings {
    bool simulate = false;
    std::string simImage;
    std::string wireLog;
};

class Session {
public:
    Session(const SessionSettings& settings, const CliOptions& options, const char* argv0,
            CliDialogs& dialogs);
    ~Session();

    bool openWireLog();
    // False when the keyboard's image or the wire log could not be kept.
    bool finish(std::ostream& err);

    ui::MsrWindow& window() { return *window_; }
    platform::FileSystem& fileSystem() { return files(); }

private:
    class ProgressPump;

    platform::PortDriver& rawPorts();
    platform::TickCounter& ticks();
    platform::EventPump& rawEvents();
    platform::Timer& timer1();
    platform::KeyboardHookApi& hooks();
    platform::VersionQuery& version();
    platform::FileSystem& files();
    platform::Registry& registry();
    platform::ProgramLauncher& launcher();

    SessionSettings settings_;
    CliDialogs& dialogs_;
    std::unique_ptr<sim::SimClock> clock_;
    std::unique_ptr<sim::SimulatedKeyboard> keyboard_;
    std::unique_ptr<platform::StdFileSystem> simFiles_;
    std::unique_ptr<app::NativePlatform> native_;
    app::AbsentRegistry noRegistry_;
    app::AbsentLauncher noLauncher_;
    app::WireLog wireLog_;
    std::uint32_t startTick_ = 0;
    std::unique_ptr<app::LoggingPortDriver> logging_;
    std::unique_ptr<ProgressPump> events_;
    std::unique_ptr<ui::MsrWindow> window_;
};

}  // namespace tavrin::cli
