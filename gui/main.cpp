// tavrin: the window of the POS keyboard's magnetic stripe reader setup.

#include <QApplication>
#include <cstdio>
#include <string>

#include "gui/app_identity.h"
#include "gui/frm_msr.h"
#include "gui/gui_session.h"
#include "gui/painted_icons.h"
#include "gui/screenshots.h"
#include "tavrin_version.h"
#include "ui/msr_window.h"

int main(int argc, char* argv[]) {
    // --help and --version need no display: they are answered before the
    // window system is reached.
    if (tavrin::app::asksForHelpOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        tavrin::gui::nameApplication();
        int exitCode = 0;
        if (!tavrin::gui::parseGuiOptions(QCoreApplication::arguments(), exitCode)) {
            return exitCode;
        }
    }
    QApplication app(argc, argv);
    tavrin::gui::nameApplication();
    // Ties the window to its desktop entry; its icon is the entry's icon.
    QGuiApplication::setDesktopFileName(TAVRIN_APP_ID);
    QApplication::setWindowIcon(tavrin::gui::paintedIcon(tavrin::gui::Picture::Keyboard));

    int exitCode = 0;
    auto options = tavrin::gui::parseGuiOptions(QApplication::arguments(), exitCode);
    if (!options) {
        return exitCode;
    }

    tavrin::gui::GuiSession session(*options, argc > 0 ? argv[0] : nullptr);
    std::string error;
    if (!session.prepare(error)) {
        std::fprintf(stderr, "tavrin: %s\n", error.c_str());
        return 1;
    }
    if (!options->screenshots.empty()) {
        return tavrin::gui::takeScreenshots(session, QString::fromStdString(options->screenshots));
    }

    QObject::connect(&session.window(), &tavrin::gui::frmMsr::ended, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    int result = 0;
    if (session.start()) {
        result = QApplication::exec();
    }
    if (!session.finish(error)) {
        std::fprintf(stderr, "tavrin: %s\n", error.c_str());
        return 1;
    }
    return result;
}
