#include "gui/gui_session.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <vector>

#include "gui/frm_msr.h"

namespace tavrin::gui {

std::optional<GuiOptions> parseGuiOptions(const QStringList& arguments, int& exitCode) {
    exitCode = 0;
    if (arguments.contains("--help-all")) {
        // Qt's parser lists the window system's options and ends the program.
        QCommandLineParser qt;
        qt.addHelpOption();
        qt.process(QStringList{arguments.value(0), "--help-all"});
    }
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        args.push_back(arguments[i].toStdString());
    }
    const app::OptionsOutcome parsed = app::parseWindowOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "tavrin: %s\n", parsed.error.c_str());
        exitCode = 2;
        return std::nullopt;
    }
    if (parsed.options->help) {
        std::fputs(app::kWindowUsage, stdout);
        return std::nullopt;
    }
    if (parsed.options->version) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return std::nullopt;
    }
    return parsed.options;
}

GuiSession::GuiSession(const GuiOptions& options, const char* argv0) {
    app::FrontEnd front(dialogs_);
    front.simClock = &clock_;
    front.nativeEvents = &events_;
    front.nativeTimer1 = &timer1_;
    core_ = std::make_unique<app::Session>(options.session(), front, argv0);
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
