#include "gui/gui_session.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <filesystem>

#include "gui/frm_msr.h"

namespace tavrin::gui {

namespace {

std::string programFolder(const char* argv0) {
    std::error_code ec;
    auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    if (ec) {
        exe = std::filesystem::absolute(argv0 != nullptr ? argv0 : ".", ec);
    }
    return exe.parent_path().string();
}

}  // namespace

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

GuiSession::GuiSession(const GuiOptions& options, const char* argv0) : options_(options) {
    if (options.simulate) {
        clock_ = std::make_unique<QtSimClock>();
        keyboard_ = std::make_unique<sim::SimulatedKeyboard>(*clock_);
        simFiles_ = std::make_unique<platform::StdFileSystem>(programFolder(argv0), "");
    } else {
        native_ = app::makeNativePlatform(argv0);
        qtEvents_ = std::make_unique<QtEventPump>();
        qtTimer1_ = std::make_unique<QtTimer1>();
    }
    logging_ = std::make_unique<app::LoggingPortDriver>(
        rawPorts(), ticks(), [this](std::uint32_t tick, std::uint8_t byte) {
            wireLog_.record(static_cast<std::int32_t>(tick - startTick_), byte);
        });
    msr_ = std::make_unique<ui::MsrWindow>(ui::Platform{*logging_, ticks(), events(), timer1(),
                                                        hooks(), version(), files(), dialogs_,
                                                        registry(), launcher()});
    frm_ = std::make_unique<frmMsr>(*msr_);
    frm_->setSimulated(simulated());
    dialogs_.setOwner(frm_.get());
}

GuiSession::~GuiSession() {
    // The window first: it unbinds itself from the model.
    frm_.reset();
    msr_.reset();
}

bool GuiSession::prepare(std::string& error) {
    std::error_code ec;
    if (keyboard_ && !options_.simImage.empty() && std::filesystem::exists(options_.simImage, ec)) {
        app::KeyboardEeprom eeprom{};
        if (!app::loadKeyboardImage(*simFiles_, options_.simImage, eeprom)) {
            error = "cannot read the simulated keyboard's image " + options_.simImage;
            return false;
        }
        keyboard_->firmware().setEeprom(eeprom);
    }
    startTick_ = ticks().GetTickCount();
    if (!options_.wireLog.empty() && !wireLog_.open(options_.wireLog)) {
        error = "cannot write the wire log " + options_.wireLog;
        return false;
    }
    return true;
}

bool GuiSession::start() {
    msr_->Form_Load();
    if (msr_->ended()) {
        return false;
    }
    frm_->showMain();
    return true;
}

bool GuiSession::finish(std::string& error) {
    if (!msr_->ended()) {
        msr_->Form_Unload();  // the event loop ended some other way
    }
    bool ok = true;
    if (!wireLog_.close()) {
        error = "cannot write the wire log " + options_.wireLog;
        ok = false;
    }
    if (keyboard_ && !options_.simImage.empty() &&
        !app::saveKeyboardImage(*simFiles_, options_.simImage, keyboard_->firmware().eeprom())) {
        if (!error.empty()) {
            error += "; ";
        }
        error += "cannot save the simulated keyboard to " + options_.simImage;
        ok = false;
    }
    return ok;
}

platform::PortDriver& GuiSession::rawPorts() {
    return keyboard_ ? static_cast<platform::PortDriver&>(keyboard_->ports()) : native_->ports();
}
platform::TickCounter& GuiSession::ticks() {
    return keyboard_ ? static_cast<platform::TickCounter&>(keyboard_->host()) : native_->ticks();
}
platform::EventPump& GuiSession::events() {
    return keyboard_ ? static_cast<platform::EventPump&>(keyboard_->host()) : *qtEvents_;
}
platform::Timer& GuiSession::timer1() {
    return keyboard_ ? static_cast<platform::Timer&>(keyboard_->host()) : *qtTimer1_;
}
platform::KeyboardHookApi& GuiSession::hooks() {
    return keyboard_ ? static_cast<platform::KeyboardHookApi&>(keyboard_->host())
                     : native_->hooks();
}
platform::VersionQuery& GuiSession::version() {
    return keyboard_ ? static_cast<platform::VersionQuery&>(keyboard_->host()) : native_->version();
}
platform::FileSystem& GuiSession::files() {
    return keyboard_ ? static_cast<platform::FileSystem&>(*simFiles_) : native_->files();
}
platform::Registry& GuiSession::registry() {
    return keyboard_ ? static_cast<platform::Registry&>(noRegistry_) : native_->registry();
}
platform::ProgramLauncher& GuiSession::launcher() {
    return keyboard_ ? static_cast<platform::ProgramLauncher&>(noLauncher_) : native_->launcher();
}

}  // namespace tavrin::gui
