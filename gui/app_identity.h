#pragma once
// The program's name and version as Qt knows them, set once at start.

#include <QApplication>

#include "tavrin_version.h"
#include "ui/form_layout.h"

namespace tavrin::gui {

// No display name: Qt's X11 backend appends a display name, once one is set,
// to every window title ("Waiting — Tavrin"), and every title here is given
// exactly. Where Qt needs a name of its own it takes the application name.
inline void nameApplication() {
    QApplication::setApplicationName(
        QString::fromLatin1(ui::kProgramName.data(), ui::kProgramName.size()));
    QApplication::setApplicationVersion("Version " TAVRIN_VERSION);
}

}  // namespace tavrin::gui
