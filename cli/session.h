#pragma once
// Where the headless tool's commands run: the shared session on the
// simulated keyboard's clock (real time, or virtual for tests), with a
// read's progress on the error stream.

#include <chrono>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>

#include "app/session.h"
#include "cli/cli_dialogs.h"
#include "cli/linux_doctor.h"
#include "platform/clock.h"
#include "sim/simulated_keyboard.h"

namespace tavrin::cli {

// How runCli meets the world beyond its arguments.
struct CliOptions {
    // Progress of reads and writes on the error stream: only when it is a
    // terminal, so logs and scripts see none of it.
    bool progress = false;
    // The operator's answers to confirmations: standard input, when it is a
    // terminal. Without it (and without --yes) reset and opos are refused.
    std::istream* answers = nullptr;
    // Tests: the simulated keyboard on a virtual clock, with these faults.
    bool virtualClock = false;
    sim::SimulatedKeyboard::Options simulator;
    // apply's backups: the folder when --backup-dir is not given (empty:
    // the system's default) and the time their names take (empty: now).
    std::string backupFolder;
    std::function<std::chrono::system_clock::time_point()> wallClock;
    // Administrator rights, forced (tests, and tavrin-cli-test's
    // TAVRIN_TEST_ADMINISTRATOR for scripts): the keyboard commands then ask for them on the
    // simulated keyboard too, which stands in for the one behind the
    // driver. Unset: the process token's answer on Windows; the simulated
    // keyboard, and a system without the port driver, need none.
    std::optional<bool> administrator;
    // Where --simulate keeps its keyboard without --sim-image (the user's
    // data folder); empty: nowhere, it starts anew each run.
    std::string userSimImage;
    // Linux: where doctor, restore-keyboard and the raw keyboard port look
    // (tests point it at a fake sysfs).
    LinuxSystem linuxSystem;
};

// The simulated keyboard's clock: virtual for tests, else real time.
std::unique_ptr<platform::Clock> makeClock(bool virtualClock);

// Administrator rights as doctor reports them.
bool hasAdministratorRights(const CliOptions& options);

class Session {
public:
    Session(const app::SessionSettings& settings, const CliOptions& options, const char* argv0,
            CliDialogs& dialogs);

    // Both tell the reason on err, prefixed with the program's name.
    bool prepare(std::ostream& err);
    bool finish(std::ostream& err);

    ui::MsrWindow& window() { return core_.window(); }
    platform::FileSystem& fileSystem() { return core_.files(); }
    app::NativePlatform& backends() { return core_.backends(); }
    std::string portUnavailableReason() const { return core_.portUnavailableReason(); }

private:
    void showProgress();

    std::unique_ptr<platform::Clock> clock_;
    CliDialogs* progress_;  // null when no progress line is wanted
    int shownKeys_ = -1;
    app::Session core_;
};

}  // namespace tavrin::cli
