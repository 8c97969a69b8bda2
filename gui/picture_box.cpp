#include "gui/picture_box.h"

#include <QPainter>

namespace tavrin::gui {

PictureBox::PictureBox(const QIcon& picture, QWidget* parent) : QFrame(parent), picture_(picture) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    picture_.paint(&painter, contentsRect().adjusted(3, 3, -3, -3), Qt::AlignCenter);
}

}  // namespace tavrin::gui
