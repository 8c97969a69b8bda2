#include "gui/gui_session.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/keyboard_image_file.h"
#include "gui/frm_msr.h"

namespace tavrin::gui {

bool asksForHelpOrVersion(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--") {
            break;  // what follows is no option
        }
        if (a == "-h" || a == "-?" || a == "--help" || a == "-v" || a == "--version") {
            return true;
        }
    }
    return false;
}

std::optional<GuiOptions> parseGuiOptions(const QStringList& arguments, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Configures the POS keyboard's magnetic stripe reader: reads, changes and writes its "
        "settings.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption simulate("simulate",
                                      "Work with the simulated keyboard, in real time.");
    const QCommandLineOption simImage(
        "sim-image",
        "The simulated keyboard's EEPROM as a settings file: loaded when it exists, saved back "
        "at the end.",
        "FILE");
    const QCommandLineOption userSimImage(
        "user-sim-image",
        "Keep the simulated keyboard's EEPROM in the user's data folder: "
        "$XDG_DATA_HOME/tavrin/simulated-keyboard.bin, by default in ~/.local/share/tavrin/.");
    const QCommandLineOption wireLog(
        "wire-log", "Log every byte written to the data port as '<ms> <HH>'.", "FILE");
    QCommandLineOption screenshots(
        "screenshots", "Draw the tabs and dialogs into PNG files in DIR and end.", "DIR");
    screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({simulate, simImage, userSimImage, wireLog, screenshots});

    exitCode = 0;
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "tavrin: %s\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet("help-all")) {
        // Qt prints the help with its own options and ends the program.
        parser.process(arguments);
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "tavrin: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().first()));
        exitCode = 2;
        return std::nullopt;
    }
    GuiOptions options;
    options.simulate = parser.isSet(simulate);
    options.simImage = parser.value(simImage).toStdString();
    options.wireLog = parser.value(wireLog).toStdString();
    options.screenshots = parser.value(screenshots).toStdString();
    if (!options.screenshots.empty()) {
        options.simulate = true;  // pictures of the window as a keyboard fills it
    }
    if ((!options.simImage.empty() || parser.isSet(userSimImage)) && !options.simulate) {
        std::fprintf(stderr, "tavrin: --%s needs --simulate\n",
                     parser.isSet(userSimImage) ? "user-sim-image" : "sim-image");
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(userSimImage)) {
        if (!options.simImage.empty()) {
            std::fprintf(stderr, "tavrin: --sim-image and --user-sim-image name two images\n");
            exitCode = 2;
            return std::nullopt;
        }
        options.simImage =
            app::userKeyboardImagePath(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        if (options.simImage.empty()) {
            std::fprintf(stderr,
                         "tavrin: --user-sim-image: neither XDG_DATA_HOME nor HOME names "
                         "an absolute folder\n");
            exitCode = 2;
            return std::nullopt;
        }
        options.makeImageFolder = true;
    }
    return options;
}

GuiSession::GuiSession(const GuiOptions& options, const char* argv0) {
    app::FrontEnd front(dialogs_);
    front.simClock = &clock_;
    front.nativeEvents = &events_;
    front.nativeTimer1 = &timer1_;
    app::SessionSettings settings;
    settings.simulate = options.simulate;
    settings.simImage = options.simImage;
    settings.wireLog = options.wireLog;
    settings.makeImageFolder = options.makeImageFolder;
    core_ = std::make_unique<app::Session>(settings, front, argv0);
    frm_ = std::make_unique<frmMsr>(core_->window());
    frm_->setSimulated(simulated());
    dialogs_.setOwner(frm_.get());
}

GuiSession::~GuiSession() {
    // The window first: it unbinds itself from the model.
    frm_.reset();
    core_.reset();
}

bool GuiSession::start() {
    ui::MsrWindow& msr = core_->window();
    msr.Form_Load();
    if (msr.ended()) {
        return false;
    }
    frm_->showMain();
    return true;
}

}  // namespace tavrin::gui
