#pragma once
// Forms place themselves in the middle of the screen when they load:
// left = (screen width - width) / 2, top = (screen height - height) / 2.

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tavrin::gui {

inline void centreOnScreen(QWidget& w) {
    QScreen* screen = w.screen() != nullptr ? w.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    // Before the first showing the frame is not known yet; the client size
    // is close enough for the centre.
    const QSize size = w.isVisible() ? w.frameGeometry().size() : w.size();
    w.move(area.x() + (area.width() - size.width()) / 2,
           area.y() + (area.height() - size.height()) / 2);
}

}  // namespace tavrin::gui
