#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "app/window_options.h"
#include "cli/apply.h"
#include "cli/backups.h"
#include "cli/commands.h"
#include "cli/doctor.h"
#include "cli/json_report.h"
#include "platform/privileges.h"
#include "tavrin_version.h"

namespace tavrin::cli {

namespace {

struct Arguments {
    app::SessionSettings session;
    bool yes = false;
    std::string command;
    std::string file;      // show, write, set --file
    std::string saveFile;  // read --save
    bool keys = false;     // show, read
    std::vector<std::string> assignments;
    WriteGuard guard;
    std::string in, out;  // convert
    std::string a, b;     // diff
    ApplyArguments apply;
    bool json = false;
};

constexpr const char* kFooter =
    "Settings files are the 512-byte binary files of the window's Save, or profiles (JSON),\n"
    "told apart by content; files named *.json are saved as profiles.\n"
    "Items are named by number (3..78) or key (show --keys); 'mode' is the scan-code mode.\n"
    "'tavrin-cli COMMAND --help' explains a command with an example.\n"
    "\n"
    "A typical session:\n"
    "\n"
    // help2man keeps "$ " lines apart, one command to a line.
    "  $ tavrin-cli read --save till.json\n"
    "  $ tavrin-cli set --file till.json msr.track2.enable=YES\n"
    "  $ tavrin-cli diff till.json keyboard\n"
    "  $ tavrin-cli write --backup before.json --verify till.json\n"
    "  $ tavrin-cli apply --json till.json\n"
    "\n"
    "--json prints one JSON document on stdout instead of the lines (the layout is\n"
    "tavrin-cli.schema.json, its version in \"schema_version\"); messages stay on stderr.\n"
    "\n"
    "Exit status: 0 success, 1 a reported failure or a difference, 2 a usage error,\n"
    "3 a command that reaches the keyboard run without administrator rights.";

// CLI11 prints a footer without a line end of its own.
void footer(CLI::App* command, const std::string& text) {
    command->footer(text + "\n");
}

void guardOptions(CLI::App* command, WriteGuard& guard) {
    command
        ->add_option("--backup", guard.backup,
                     "Read the keyboard first and save its settings here (a profile when the "
                     "name ends in .json); if that fails nothing is written")
        ->type_name("FILE");
    command->add_flag("--verify", guard.verify,
                      "Read the keyboard back afterwards and compare every item, by value and by "
                      "its bytes; exit 1 and list the items that differ");
}

void defineCommands(CLI::App& cli, Arguments& args) {
    auto* show = cli.add_subcommand("show", "Load a settings file or profile and print the items");
    show->add_option("FILE", args.file, "Settings file or profile")->required();
    show->add_flag("--keys", args.keys, "Print each item's key after its number");
    footer(show, "Example:\n  tavrin-cli show --keys till3.json");

    auto* read = cli.add_subcommand("read", "Read the keyboard and print the items");
    read->add_option("--save", args.saveFile,
                     "Also save the settings to this file (a profile when it ends in .json)")
        ->type_name("FILE");
    read->add_flag("--keys", args.keys, "Print each item's key after its number");
    footer(read, "Example:\n  tavrin-cli read --save till3.json");

    auto* write =
        cli.add_subcommand("write", "Load a settings file or profile and write it to the keyboard");
    write->add_option("FILE", args.file, "Settings file or profile")->required();
    guardOptions(write, args.guard);
    footer(write, "Example:\n  tavrin-cli write --backup before.json --verify till3.json");

    auto* set = cli.add_subcommand(
        "set", "Change items in a settings file (--file) or on the keyboard (read, change, write)");
    set->add_option("ITEM=VALUE", args.assignments,
                    "Item number or key, and its value as show prints it: an entry (YES, "
                    "GERMANY, TK123, *), a number, or a sequence ({ENTER} tokens, or <64> scan "
                    "codes with the mode on); mode=scan|characters")
        ->required();
    set->add_option("--file", args.file, "Change this file in place instead of the keyboard")
        ->type_name("FILE");
    guardOptions(set, args.guard);
    footer(set,
           "Every value passes the window's own checks; a refused value writes nothing (exit 1).\n"
           "The mode is applied first, so sequences are read in its form.\n"
           "Examples:\n"
           "  tavrin-cli set --file till3.json msr.track2.enable=YES common.key_delay_ms=10\n"
           "  tavrin-cli set --backup before.bin --verify mode=scan msr.track1.preamble='<64>'");

    auto* reset =
        cli.add_subcommand("reset", "Reset the keyboard to its defaults and read them back");
    guardOptions(reset, args.guard);
    footer(reset, "Example:\n  tavrin-cli --yes reset --backup before.json --verify");

    auto* opos = cli.add_subcommand("opos", "Write the OPOS preset and read the keyboard back");
    guardOptions(opos, args.guard);
    footer(opos, "Example:\n  tavrin-cli --yes opos --backup before.json --verify");

    auto* convert = cli.add_subcommand(
        "convert", "Convert between a binary settings file and a profile (by OUT's name)");
    convert->add_option("IN", args.in, "Settings file or profile")->required();
    convert->add_option("OUT", args.out, "Written as a profile when it ends in .json")->required();
    footer(convert, "Example:\n  tavrin-cli convert till3.bin till3.json");

    auto* doctor = cli.add_subcommand(
        "doctor",
        "Check what reaching the keyboard needs: driver files, library, rights, port, hook");
    footer(doctor,
           "One line per check, then a verdict; exit 0 when every check passes.\n"
           "On Linux: the serio bus, the keyboard port and its driver, translation, serio_raw,\n"
           "the rights, and a port left bound to serio_raw.\n"
           "With --simulate it checks the simulated keyboard.\n"
           "Example:\n  tavrin-cli doctor");

    auto* diff = cli.add_subcommand(
        "diff", "Print the items (and raw bytes no item shows) that differ; exit 1 when any do");
    diff->add_option("A", args.a, "Settings file, profile or 'keyboard'")->required();
    diff->add_option("B", args.b, "Settings file, profile or 'keyboard'")->required();
    footer(diff,
           "Items differ by shown value or by the image bits each holds (two bytes can\n"
           "show the same text). Lines: NUMBER KEY CAPTION A-VALUE B-VALUE A-BYTES B-BYTES,\n"
           "tab-separated; raw bytes as 'byte ADDRESS (shown by no item) A B' in hexadecimal.\n"
           "Example:\n  tavrin-cli diff till3.json keyboard");

    auto* restore = cli.add_subcommand(
        "restore-keyboard", "Linux: give a keyboard port left bound to serio_raw back to atkbd");
    footer(restore,
           "A port left bound to serio_raw does not type. Needs root.\n"
           "Example:\n  sudo tavrin-cli restore-keyboard");

    defineApplyCommand(cli, args.apply);
}

// The settings a command ends with, where its lines list them.
bool listsSettings(const std::string& command) {
    return command != "diff" && command != "convert" && command != "doctor" &&
           command != "restore-keyboard";
}

// The commands that reach the keyboard, through a port driver that opens
// only with administrator rights; file commands never need them.
bool needsKeyboard(const Arguments& args) {
    const std::string& c = args.command;
    return c == "read" || c == "write" || c == "reset" || c == "opos" || c == "apply" ||
           (c == "set" && args.file.empty()) ||
           (c == "diff" && (args.a == "keyboard" || args.b == "keyboard"));
}

bool rightsMissing(const Arguments& args, const CliOptions& options) {
    if (!needsKeyboard(args)) {
        return false;
    }
    if (options.administrator) {
        return !*options.administrator;
    }
#ifdef _WIN32
    return !args.session.simulate && !platform::runningAsAdministrator();
#else
    return false;  // no port driver here, with rights or without
#endif
}

}  // namespace

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const CliOptions& options) {
    Arguments args;
    CLI::App cli{
        "Reads, writes and resets the settings of the POS keyboard's magnetic stripe "
        "reader, and keeps them in files.",
        "tavrin-cli"};
    cli.fallthrough();
    cli.require_subcommand(1, 1);
    cli.set_version_flag("--version", "Tavrin Version " TAVRIN_VERSION);
    cli.add_flag("--simulate", args.session.simulate,
                 "Talk to the simulated keyboard, in real time; its EEPROM is kept between "
                 "runs in the user's data folder ($XDG_DATA_HOME/tavrin/simulated-keyboard.bin), "
                 "as the desktop entry's is");
    cli.add_option("--sim-image", args.session.simImage,
                   "The simulated keyboard's EEPROM as a settings file of 512 bytes: loaded "
                   "when it exists, saved back at the end; any other file is refused and left "
                   "as it is")
        ->type_name("FILE");
    cli.add_option("--wire-log", args.session.wireLog,
                   "Log every byte written to the data port as '<ms> <HH>'")
        ->type_name("FILE");
    cli.add_option("--trace", args.session.trace,
                   "Linux: log every byte written to and read from the raw keyboard port, a "
                   "line per write or read, as '<ms> <phase> <out|in> <HH>...'")
        ->type_name("FILE");
    cli.add_flag("--yes", args.yes,
                 "Answer Yes to confirmations (without it they are asked on a terminal, and "
                 "refused elsewhere)");
    cli.add_flag("--json", args.json,
                 "Print one JSON document on stdout (schema_version " +
                     std::to_string(kJsonSchemaVersion) + ") instead of the lines");
    cli.footer(std::string(kFooter) + "\n");
    defineCommands(cli, args);

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = cli.exit(e, out, err);
        return code == 0 ? kExitOk : kExitUsage;
    }
    args.command = cli.get_subcommands().front()->get_name();
    app::WindowOptions given;
    given.simulate = args.session.simulate;
    given.simImage = args.session.simImage;
    if (const std::string usage = app::settleWindowOptions(given, nullptr, nullptr).error;
        !usage.empty()) {
        err << "tavrin-cli: " << usage << '\n';
        return kExitUsage;
    }
    // The trace records the raw keyboard port; the simulated keyboard is
    // reached through the controller's ports, which --wire-log records.
    if (args.session.simulate && !args.session.trace.empty()) {
        err << "tavrin-cli: --trace records the machine's raw keyboard port, which the simulated "
               "keyboard does not use; --wire-log records every byte sent to it\n";
        return kExitUsage;
    }
    // As the desktop entry's simulated keyboard: kept in the user's data folder.
    if (args.session.simulate && args.session.simImage.empty() && !options.userSimImage.empty()) {
        args.session.simImage = options.userSimImage;
        args.session.makeImageFolder = true;
    }
    std::vector<Assignment> changes;
    if (args.command == "set") {
        if (const std::string usage = parseAssignments(args.assignments, changes); !usage.empty()) {
            err << "tavrin-cli: " << usage << '\n';
            return kExitUsage;
        }
        if (!args.file.empty() && (!args.guard.backup.empty() || args.guard.verify)) {
            err << "tavrin-cli: --backup and --verify guard writes to the keyboard, not --file\n";
            return kExitUsage;
        }
    }

    Report report;
    report.command = args.command;
    std::ostream discard(nullptr);
    std::ostream& lines = args.json ? discard : out;
    if (rightsMissing(args, options)) {
        err << "tavrin-cli: " << args.command
            << " reaches the keyboard, which needs administrator rights: run it from a command "
               "prompt started with 'Run as administrator'\n";
        return kExitNoRights;
    }
    // A confirmation nobody can answer refuses the command before the
    // keyboard is touched, --backup's read included.
    if ((args.command == "reset" || args.command == "opos") && !args.yes &&
        options.answers == nullptr) {
        err << "tavrin-cli: " << args.command
            << " asks for confirmation and there is no terminal to answer it; add --yes to "
               "confirm\n";
        return kExitUsage;
    }

    args.session.serioBus = options.linuxSystem.serioBus;
    args.session.serioPort = options.linuxSystem.serioPort;
    if (args.command == "restore-keyboard") {
        const int status = restoreKeyboard(options.linuxSystem, lines, err);
        if (args.json) {
            out << jsonDocument(report, status);
        }
        return status;
    }
    if (args.command == "doctor") {
        std::vector<link::DoctorCheck> checks;
        const int status =
            runDoctor(args.session, options, argc > 0 ? argv[0] : nullptr, lines, &checks);
        if (args.json) {
            report.checks = checks;
            out << jsonDocument(report, status);
        }
        return status;
    }

    CliDialogs dialogs(err, args.yes, options.progress, options.answers);
    Session session(args.session, options, argc > 0 ? argv[0] : nullptr, dialogs);
    if (!session.prepare(err)) {
        if (args.json) {
            out << jsonDocument(report, kExitFailed);
        }
        return kExitFailed;
    }
    ui::MsrWindow& window = session.window();
    window.Form_Load(false);
    if (!args.session.simulate) {
        warnForeignPortLibrary(session.backends(), err);
    }
    Commands commands(window, dialogs, lines, err);
    commands.reportTo(report);
    if (!args.session.simulate && window.model().portDriverFailed) {
        commands.explainClosedDriver(driverFailureCause(session.backends(), options));
    }
    commands.portUnavailable(session.portUnavailableReason());
    ApplyOptions apply;
    apply.check = args.apply.check;
    apply.backupFolder = !args.apply.backupDir.empty()   ? args.apply.backupDir
                         : !options.backupFolder.empty() ? options.backupFolder
                                                         : defaultBackupFolder("");
    apply.now = options.wallClock ? options.wallClock() : std::chrono::system_clock::now();
    const std::string& c = args.command;
    int status = c == "show"      ? commands.show(args.file, args.keys)
                 : c == "read"    ? commands.read(args.saveFile, args.keys)
                 : c == "write"   ? commands.write(args.file, args.guard)
                 : c == "set"     ? (args.file.empty() ? commands.setKeyboard(changes, args.guard)
                                                       : commands.setFile(args.file, changes))
                 : c == "reset"   ? commands.reset(args.guard)
                 : c == "opos"    ? commands.opos(args.guard)
                 : c == "convert" ? commands.convert(args.in, args.out)
                 : c == "apply"   ? commands.applyProfile(args.apply.profile, apply)
                                  : commands.diff(args.a, args.b);
    if (args.json && listsSettings(c) && status == kExitOk) {
        report.settings = window.currentProfile();
    }
    window.Form_Unload();
    dialogs.endProgressLine();
    if (const std::string trouble = session.backends().portTrouble();
        status != kExitOk && !trouble.empty()) {
        err << "tavrin-cli: " << trouble << '\n';
    }
    if (!session.finish(err) && status == kExitOk) {
        status = kExitFailed;
        if (!report.outcome.empty()) {
            report.outcome = "failed";
        }
        report.settings.reset();  // a command that failed lists no items
    }
    if (args.json) {
        out << jsonDocument(report, status);
    }
    return status;
}

}  // namespace tavrin::cli
