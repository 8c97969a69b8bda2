#include "gui/picture_button.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tavrin::gui {

PictureButton::PictureButton(const QIcon& picture, const QString& caption, QWidget* parent)
    : QPushButton(picture, caption, parent) {
    setAutoDefault(false);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
}

QSize PictureButton::sizeHint() const {
    return QSize(49, 49);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const QFontMetrics metrics(font());
    const QRect textBounds =
        metrics.boundingRect(inner, Qt::AlignHCenter | Qt::TextWordWrap, text());
    const int textHeight = std::min(textBounds.height(), inner.height() / 2);
    const int pictureSide = std::max(8, inner.height() - textHeight - 1);
    QRect pictureRect(inner.x() + (inner.width() - pictureSide) / 2, inner.y(), pictureSide,
                      pictureSide);
    const bool pressed = isDown() || isChecked();
    if (pressed) {
        pictureRect.translate(1, 1);
    }
    icon().paint(&painter, pictureRect, Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);

    QRect textRect(inner.x(), inner.bottom() - textHeight + 1, inner.width(), textHeight);
    if (pressed) {
        textRect.translate(1, 1);
    }
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap, text());
}

}  // namespace tavrin::gui
