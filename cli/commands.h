#pragma once
// The headless tool's commands over one main window's core. Each returns
// the exit status: 0 success, 1 a reported failure or a difference.

#include <chrono>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/cli_dialogs.h"
#include "cli/json_report.h"
#include "ui/msr_window.h"

namespace tavrin::cli {

// One ITEM=VALUE of `set`, checked against the catalogue.
struct Assignment {
    int item = 0;
    std::string value;  // Windows-1252, as the window holds it
};

// Splits and checks ITEM=VALUE arguments: unknown and fixed items, choice
// values that are no entry, a bad mode. Empty on success, else the usage
// error. The mode comes first in the result: the form of a sequence value
// depends on it.
std::string parseAssignments(const std::vector<std::string>& args, std::vector<Assignment>& out);

// Safety around every write to the keyboard.
struct WriteGuard {
    std::string backup;   // read the keyboard and save it here first
    bool verify = false;  // read back afterwards and compare
};

// apply: where backups go and whether to stop after the comparison.
struct ApplyOptions {
    bool check = false;
    std::string backupFolder;
    std::chrono::system_clock::time_point now;
};

class Commands {
public:
    Commands(ui::MsrWindow& window, CliDialogs& dialogs, std::ostream& out, std::ostream& err)
        : window_(window), dialogs_(dialogs), out_(out), err_(err) {}

    int show(const std::string& file, bool keys);
    int read(const std::string& saveFile, bool keys);
    int write(const std::string& file, const WriteGuard& guard);
    int setFile(const std::string& file, const std::vector<Assignment>& changes);
    int setKeyboard(const std::vector<Assignment>& changes, const WriteGuard& guard);
    int reset(const WriteGuard& guard);
    int opos(const WriteGuard& guard);
    int convert(const std::string& in, const std::string& outFile);
    int diff(const std::string& a, const std::string& b);
    // cli/apply.cpp: the keyboard brought to a profile, written only when
    // an item differs.
    int applyProfile(const std::string& file, const ApplyOptions& options);

    // Why the port driver did not open, told where a command finds it closed.
    void explainClosedDriver(std::string cause) { driverCause_ = std::move(cause); }

    // What the commands find is also kept here, for --json.
    void reportTo(Report& report) { report_ = &report; }
    // Why the port driver cannot open on this machine, when it knows.
    void portUnavailable(std::string reason) { portReason_ = std::move(reason); }

private:
    bool load(const std::string& file, settings_file::Format* format = nullptr,
              ui::LoadPurpose purpose = ui::LoadPurpose::Use);
    bool save(const std::string& file, settings_file::Format format);
    // True, naming each address and value, when the loaded image holds a
    // value the whole-image write could not send.
    bool unsendable(const std::string& file);
    bool readQuietly(const char* why);
    bool backup(const std::string& file);
    bool apply(const std::vector<Assignment>& changes);
    // True, with one line saying why, when no device command can start.
    bool driverClosed(const char* consequence);
    // A device operation's outcome as the tool reports it.
    bool succeeded(eeprom::DeviceOutcome outcome, const char* consequence);
    // Reads the keyboard back and compares every item (or only these) with
    // what was sent, by text and by the image bits each holds. After a
    // whole-image write of the window as `written` showed it, each item read
    // back must hold what the write stores for it.
    int verify(const settings_file::Profile& sent, const char* what,
               const std::set<int>* only = nullptr, const ui::WindowModel* written = nullptr);
    int reportVerify(const settings_file::Profile& expected, const settings_file::Profile& read,
                     const char* what, const std::set<int>* only);
    // The window as the whole-image write sends it: every value shown as
    // the image holds it.
    ui::WindowModel toBeSent();
    void printChanged(const std::vector<Assignment>& changes);
    // Items 65 and 66: values with codes beyond the image field go back
    // into their lists after the walk, so the write sends them whole as the
    // window does; the ones put back.
    std::vector<Assignment> sendWhole(const std::vector<Assignment>& values);
    // One line for each of them: what the keyboard's settings show, and
    // (after a --verify) which codes could not be checked.
    void sayBeyondImage(const std::vector<Assignment>& values, const char* consequence);
    // After a whole-image write: those lines, the verify, and on success
    // the items listed.
    int afterWrite(const std::vector<Assignment>& whole, const WriteGuard& guard,
                   const ui::WindowModel& sent, const std::function<void()>& list);

    ui::MsrWindow& window_;
    CliDialogs& dialogs_;
    std::ostream& out_;
    std::ostream& err_;
    Report* report_ = nullptr;
    std::string driverCause_;
    std::string portReason_;
    std::vector<Assignment> beyondImage_;  // the last profile loaded's (FileLoad)
};

}  // namespace tavrin::cli
