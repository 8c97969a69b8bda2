#pragma once
// Forms place themselves on their screen's free area when they load: in the
// middle, or at its top-left corner when they do not fit (ui::placeWindow).

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "ui/window_placement.h"

namespace tavrin::gui {

inline void placeOnScreen(QWidget& w) {
    QScreen* screen = w.screen() != nullptr ? w.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    // Before the first showing the frame is not known yet; the client size
    // stands in for it until the window is shown and placed again.
    const QSize size = w.isVisible() ? w.frameGeometry().size() : w.size();
    const ui::WindowPosition p = ui::placeWindow({area.x(), area.y(), area.width(), area.height()},
                                                 size.width(), size.height());
    w.move(p.left, p.top);
}

}  // namespace tavrin::gui
