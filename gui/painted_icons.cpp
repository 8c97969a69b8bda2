#include "gui/painted_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace tavrin::gui {

namespace {

// Drawings are made on a 32 x 32 grid and scaled to the target.
constexpr qreal kGrid = 32.0;

const QColor kInk(40, 40, 48);

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
    p.setPen(QPen(color, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    QPointF d = to - from;
    qreal len = std::hypot(d.x(), d.y());
    if (len <= 0) {
        return;
    }
    QPointF u = d / len;
    QPointF n(-u.y(), u.x());
    QPolygonF head{to + u * 2.0, to - u * 5.0 + n * 4.5, to - u * 5.0 - n * 4.5};
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(head);
}

// An EEPROM chip: a dark body with pins on both long sides and a notch.
void chip(QPainter& p, QRectF body) {
    p.setPen(QPen(QColor(150, 150, 160), 1.4));
    for (int i = 0; i < 4; ++i) {
        qreal y = body.top() + body.height() * (i + 0.5) / 4.0;
        p.drawLine(QPointF(body.left() - 3, y), QPointF(body.left(), y));
        p.drawLine(QPointF(body.right(), y), QPointF(body.right() + 3, y));
    }
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(QColor(55, 58, 70));
    p.drawRoundedRect(body, 1.5, 1.5);
    p.setBrush(QColor(120, 124, 140));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(body.center().x(), body.top() + 2.5), 1.6, 1.6);
}

void drawOpen(QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 20), 1.2));
    p.setBrush(QColor(240, 196, 80));
    p.drawRoundedRect(QRectF(3, 7, 13, 6), 1.5, 1.5);
    p.drawRect(QRectF(3, 10, 24, 16));
    p.setBrush(QColor(252, 220, 120));
    QPolygonF flap{{7, 14}, {30, 14}, {26, 26}, {3, 26}};
    p.drawPolygon(flap);
    arrow(p, QPointF(20, 11), QPointF(20, 2.5), QColor(30, 110, 200));
}

void drawSave(QPainter& p) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(50, 90, 170));
    QPolygonF disk{{4, 4}, {24, 4}, {28, 8}, {28, 28}, {4, 28}};
    p.drawPolygon(disk);
    p.setBrush(QColor(230, 232, 236));
    p.drawRect(QRectF(9, 4, 13, 8));
    p.setBrush(QColor(50, 90, 170));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(17, 5.5, 3, 5));
    p.setBrush(Qt::white);
    p.setPen(QPen(kInk, 1.0));
    p.drawRect(QRectF(8, 16, 16, 10));
    p.setPen(QPen(QColor(160, 160, 170), 1.0));
    p.drawLine(QPointF(10, 19.5), QPointF(22, 19.5));
    p.drawLine(QPointF(10, 22.5), QPointF(22, 22.5));
}

void drawRead(QPainter& p) {
    chip(p, QRectF(5, 6, 12, 20));
    arrow(p, QPointF(19, 16), QPointF(29, 16), QColor(30, 140, 60));
}

void drawWrite(QPainter& p) {
    chip(p, QRectF(15, 6, 12, 20));
    arrow(p, QPointF(2, 16), QPointF(11, 16), QColor(200, 90, 20));
}

void drawReset(QPainter& p) {
    chip(p, QRectF(10, 10, 12, 16));
    QColor red(200, 40, 40);
    p.setPen(QPen(red, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QRectF ring(4, 2, 24, 24);
    p.drawArc(ring, 30 * 16, 300 * 16);
    // Head at the arc's start, pointing along its turn.
    qreal a = 30.0 * M_PI / 180.0;
    QPointF tip(16 + 12 * std::cos(a), 14 - 12 * std::sin(a));
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawPolygon(
        QPolygonF{tip + QPointF(-5.5, -1.5), tip + QPointF(1.5, -5.5), tip + QPointF(1.5, 2.5)});
}

void drawExit(QPainter& p) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(150, 100, 60));
    p.drawRect(QRectF(5, 3, 15, 26));
    p.setBrush(QColor(110, 70, 40));
    QPolygonF door{{5, 3}, {14, 6}, {14, 31}, {5, 29}};
    p.drawPolygon(door);
    p.setBrush(QColor(240, 200, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(12, 17), 1.3, 1.3);
    arrow(p, QPointF(17, 16), QPointF(29, 16), QColor(200, 40, 40));
}

// The About box: a point-of-sale keyboard with a card in its reader slot.
void drawKeyboard(QPainter& p) {
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(215, 218, 224));
    p.drawRoundedRect(QRectF(1, 12, 30, 17), 2, 2);
    p.setBrush(QColor(90, 94, 106));
    p.drawRect(QRectF(2.5, 13.2, 27, 2.2));  // the reader's slot
    p.setBrush(Qt::white);
    p.setPen(QPen(kInk, 0.5));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 7; ++col) {
            p.drawRect(QRectF(3 + col * 3.8, 17 + row * 3.7, 3, 2.8));
        }
    }
    // The card, half through the slot, its stripe on the near side.
    p.setPen(QPen(QColor(20, 70, 140), 0.8));
    p.setBrush(QColor(70, 140, 220));
    p.drawRoundedRect(QRectF(9, 2, 16, 12.5), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 25, 30));
    p.drawRect(QRectF(9, 11.2, 16, 2.2));
    p.setBrush(QColor(240, 200, 70));
    p.drawRect(QRectF(11, 4.5, 3.5, 3));
}

class PaintedIconEngine : public QIconEngine {
public:
    explicit PaintedIconEngine(Picture picture) : picture_(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        qreal side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0,
                           rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / kGrid, side / kGrid);
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.35);
        }
        switch (picture_) {
            case Picture::Open:
                drawOpen(*painter);
                break;
            case Picture::Save:
                drawSave(*painter);
                break;
            case Picture::ReadEeprom:
                drawRead(*painter);
                break;
            case Picture::WriteEeprom:
                drawWrite(*painter);
                break;
            case Picture::ResetEeprom:
                drawReset(*painter);
                break;
            case Picture::Exit:
                drawExit(*painter);
                break;
            case Picture::Keyboard:
                drawKeyboard(*painter);
                break;
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(picture_); }

private:
    Picture picture_;
};

}  // namespace

QIcon paintedIcon(Picture picture) {
    return QIcon(new PaintedIconEngine(picture));
}

}  // namespace tavrin::gui
