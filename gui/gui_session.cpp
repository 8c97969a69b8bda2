#include "gui/gui_session.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "gui/frm_msr.h"

namespace tavrin::gui {

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
    const QCommandLineOption wireLog(
        "wire-log", "Log every byte written to the data port as '<ms> <HH>'.", "FILE");
    QCommandLineOption screenshots(
        "screenshots", "Draw the tabs and dialogs into PNG files in DIR and end.", "DIR");
    screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({simulate, simImage, wireLog, screenshots});

    exitCode = 0;
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "tavrin: %s\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return std::nullopt;
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
    if (!options.simImage.empty() && !options.simulate) {
        std::fprintf(stderr, "tavrin: --sim-image needs --simulate\n");
        exitCode = 2;
        return std::nullopt;
    }
    return options;
}

GuiSession::GuiSession(const GuiOptions& options, const char* argv0) {
    app::FrontEnd front(dialogs_);
    front.simClock = &clock_;
    front.nativeEvents = &events_;
    front.nativeTimer1 = &timer1_;
    core_ = std::make_unique<app::Session>(
        app::SessionSettings{options.simulate, options.simImage, options.wireLog}, front, argv0);
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
