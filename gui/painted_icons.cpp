#include "gui/painted_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <vector>

#include "ui/pictures.h"

namespace tavrin::gui {

namespace {

QColor color(ui::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QPointF point(ui::GridPoint p) {
    return QPointF(p.x, p.y);
}

QRectF rect(const ui::Shape& s) {
    return QRectF(s.points[0].x, s.points[0].y, s.points[1].x, s.points[1].y);
}

void paintShapes(QPainter& p, const std::vector<ui::Shape>& shapes) {
    for (const ui::Shape& s : shapes) {
        if (s.pen) {
            p.setPen(s.pen->round ? QPen(color(s.pen->color), s.pen->width, Qt::SolidLine,
                                         Qt::RoundCap, Qt::RoundJoin)
                                  : QPen(color(s.pen->color), s.pen->width));
        } else {
            p.setPen(Qt::NoPen);
        }
        p.setBrush(s.fill ? QBrush(color(*s.fill)) : QBrush(Qt::NoBrush));
        switch (s.kind) {
            case ui::ShapeKind::Line:
                p.drawLine(point(s.points[0]), point(s.points[1]));
                break;
            case ui::ShapeKind::Rect:
                p.drawRect(rect(s));
                break;
            case ui::ShapeKind::RoundedRect:
                p.drawRoundedRect(rect(s), s.radius, s.radius);
                break;
            case ui::ShapeKind::Ellipse:
                p.drawEllipse(point(s.points[0]), s.points[1].x, s.points[1].y);
                break;
            case ui::ShapeKind::Polygon: {
                QPolygonF polygon;
                for (const ui::GridPoint& corner : s.points) {
                    polygon << point(corner);
                }
                p.drawPolygon(polygon);
                break;
            }
            case ui::ShapeKind::Arc:
                p.drawArc(rect(s), s.startAngle, s.spanAngle);
                break;
        }
    }
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
        painter->scale(side / ui::kPictureGrid, side / ui::kPictureGrid);
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.35);
        }
        paintShapes(*painter, ui::pictureShapes(picture_));
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
