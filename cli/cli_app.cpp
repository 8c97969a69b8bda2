#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/keyboard_image_file.h"
#include "app/logging_port_driver.h"
#include "app/native_platform.h"
#include "app/null_backends.h"
#include "app/wire_log.h"
#include "cli/cli_dialogs.h"
#include "cli/item_listing.h"
#include "platform/std_file_system.h"
#include "sim/real_clock.h"
#include "sim/simulated_keyboard.h"
#include "tavrin_version.h"
#include "ui/msr_window.h"

namespace tavrin::cli {

namespace {

struct Arguments {
    bool simulate = false;
    std::string simImage;
    std::string wireLog;
    bool yes = false;
    std::string command;
    std::string file;      // show, write
    std::string saveFile;  // read --save
};

// Where the headless tool's commands run: the simulated keyboard in real
// time, or the machine's own backends.
class Session {
public:
    Session(const Arguments& args, const char* argv0, CliDialogs& dialogs)
        : args_(args), dialogs_(dialogs) {
        if (args.simulate) {
            clock_ = std::make_unique<sim::RealClock>();
            keyboard_ = std::make_unique<sim::SimulatedKeyboard>(*clock_);
            simFiles_ = std::make_unique<platform::StdFileSystem>(programFolder(argv0), "");
            if (!args.simImage.empty()) {
                app::KeyboardEeprom eeprom{};
                if (app::loadKeyboardImage(*simFiles_, args.simImage, eeprom)) {
                    keyboard_->firmware().setEeprom(eeprom);
                }
            }
        } else {
            native_ = app::makeNativePlatform(argv0);
        }
        logging_ = std::make_unique<app::LoggingPortDriver>(
            rawPorts(), ticks(), [this](std::uint32_t tick, std::uint8_t byte) {
                wireLog_.record(static_cast<std::int32_t>(tick - startTick_), byte);
            });
        window_ = std::make_unique<ui::MsrWindow>(ui::Platform{
            *logging_, ticks(), events(), timer1(), hooks(), version(), files(), dialogs_,
            registry(), launcher()});
    }

    bool openWireLog() {
        startTick_ = ticks().GetTickCount();
        return args_.wireLog.empty() || wireLog_.open(args_.wireLog);
    }

    // False when the keyboard's image or the wire log could not be kept.
    bool finish(std::ostream& err) {
        bool ok = wireLog_.close();
        if (!ok) {
            err << "tavrin-cli: cannot write the wire log " << args_.wireLog << '\n';
        }
        if (keyboard_ && !args_.simImage.empty() &&
            !app::saveKeyboardImage(*simFiles_, args_.simImage, keyboard_->firmware().eeprom())) {
            err << "tavrin-cli: cannot save the simulated keyboard to " << args_.simImage << '\n';
            ok = false;
        }
        return ok;
    }

    ui::MsrWindow& window() { return *window_; }

private:
    static std::string programFolder(const char* argv0) {
        std::error_code ec;
        auto path = std::filesystem::absolute(argv0 ? argv0 : ".", ec);
        return path.parent_path().string();
    }
    platform::PortDriver& rawPorts() { return keyboard_ ? keyboard_->ports() : native_->ports(); }
    platform::TickCounter& ticks() { return keyboard_ ? keyboard_->host() : native_->ticks(); }
    platform::EventPump& events() { return keyboard_ ? keyboard_->host() : native_->events(); }
    platform::Timer& timer1() { return keyboard_ ? keyboard_->host() : native_->timer1(); }
    platform::KeyboardHookApi& hooks() { return keyboard_ ? keyboard_->host() : native_->hooks(); }
    platform::VersionQuery& version() { return keyboard_ ? keyboard_->host() : native_->version(); }
    platform::FileSystem& files() { return keyboard_ ? *simFiles_ : native_->files(); }
    platform::Registry& registry() {
        return keyboard_ ? static_cast<platform::Registry&>(noRegistry_) : native_->registry();
    }
    platform::ProgramLauncher& launcher() {
        return keyboard_ ? static_cast<platform::ProgramLauncher&>(noLauncher_)
                         : native_->launcher();
    }

    const Arguments& args_;
    CliDialogs& dialogs_;
    std::unique_ptr<sim::RealClock> clock_;
    std::unique_ptr<sim::SimulatedKeyboard> keyboard_;
    std::unique_ptr<platform::StdFileSystem> simFiles_;
    std::unique_ptr<app::NativePlatform> native_;
    app::AbsentRegistry noRegistry_;
    app::AbsentLauncher noLauncher_;
    app::WireLog wireLog_;
    std::uint32_t startTick_ = 0;
    std::unique_ptr<app::LoggingPortDriver> logging_;
    std::unique_ptr<ui::MsrWindow> window_;
};

// Runs the command; false when it did not succeed.
bool runCommand(const Arguments& args, ui::MsrWindow& window, CliDialogs& dialogs) {
    ui::WindowModel& model = window.model();
    const std::string& command = args.command;
    if (command == "show" || command == "write") {
        dialogs.presetOpenName(args.file);
        window.Readsettingfromfile_Click();
        if (!model.imageValidFlag) {
            return false;  // not loaded: nothing to write
        }
        if (command == "write") {
            window.Command4_Click();
        }
        return true;
    }
    if (command == "read") {
        window.Command3_Click();
        if (model.imageValidFlag && !args.saveFile.empty()) {
            dialogs.presetSaveName(args.saveFile);
            window.Command2_Click();
        }
        return model.imageValidFlag;
    }
    if (command == "reset") {
        window.Resettodefault_Click();
        return !dialogs.declined() && model.imageValidFlag;
    }
    // opos: the preset button is usable with the scan-code display mode on,
    // so switch it on as the operator would first.
    model.Combo5.setListIndex(1);
    window.Combo5_Click();
    window.Cmdpt_Click();
    return !dialogs.declined() && model.imageValidFlag;
}

}  // namespace

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Arguments args;
    CLI::App cli{"Reads, writes and resets the settings of the POS keyboard's magnetic stripe "
                 "reader.",
                 "tavrin-cli"};
    cli.fallthrough();
    cli.require_subcommand(1, 1);
    cli.set_version_flag("--version", "Tavrin Version " TAVRIN_VERSION);
    cli.add_flag("--simulate", args.simulate, "Talk to the simulated keyboard, in real time");
    cli.add_option("--sim-image", args.simImage,
                   "The simulated keyboard's EEPROM as a settings file: loaded when it exists, "
                   "saved back at the end");
    cli.add_option("--wire-log", args.wireLog,
                   "Log every byte written to the data port as '<ms> <HH>'");
    cli.add_flag("--yes", args.yes, "Answer Yes to confirmations (without it: No)");

    auto* show = cli.add_subcommand("show", "Load a settings file and print the items");
    show->add_option("FILE", args.file, "Settings file")->required();
    auto* read = cli.add_subcommand("read", "Read the keyboard and print the items");
    read->add_option("--save", args.saveFile, "Also save the settings to this file");
    auto* write = cli.add_subcommand("write", "Load a settings file and write it to the keyboard");
    write->add_option("FILE", args.file, "Settings file")->required();
    cli.add_subcommand("reset", "Reset the keyboard to its defaults and read them back");
    cli.add_subcommand("opos", "Write the OPOS preset and read the keyboard back");

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = cli.exit(e, out, err);
        return code == 0 ? kExitOk : kExitUsage;
    }
    args.command = cli.get_subcommands().front()->get_name();
    if (!args.simulate && !args.simImage.empty()) {
        err << "tavrin-cli: --sim-image needs --simulate\n";
        return kExitUsage;
    }

    CliDialogs dialogs(err, args.yes);
    Session session(args, argc > 0 ? argv[0] : nullptr, dialogs);
    if (!session.openWireLog()) {
        err << "tavrin-cli: cannot write the wire log " << args.wireLog << '\n';
        return kExitFailed;
    }
    ui::MsrWindow& window = session.window();
    window.Form_Load(false);
    bool ok = runCommand(args, window, dialogs);
    out << listItems(window.model());
    window.Form_Unload();
    ok = session.finish(err) && ok;
    return ok && dialogs.errorsShown() == 0 ? kExitOk : kExitFailed;
}

}  // namespace tavrin::cli
