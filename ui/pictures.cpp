#include "ui/pictures.h"

#include <cmath>
#include <numbers>

namespace tavrin::ui {

namespace {

constexpr Rgb kInk{40, 40, 48};
constexpr Rgb kWhite{255, 255, 255};

GridPoint operator+(GridPoint a, GridPoint b) {
    return {a.x + b.x, a.y + b.y};
}
GridPoint operator-(GridPoint a, GridPoint b) {
    return {a.x - b.x, a.y - b.y};
}
GridPoint operator*(GridPoint a, double k) {
    return {a.x * k, a.y * k};
}
GridPoint operator/(GridPoint a, double k) {
    return {a.x / k, a.y / k};
}

class Drawing {
public:
    std::vector<Shape> shapes;

    void pen(Rgb color, double width, bool round = false) { pen_ = Stroke{color, width, round}; }
    void noPen() { pen_.reset(); }
    void brush(Rgb color) { fill_ = color; }
    void noBrush() { fill_.reset(); }

    void line(GridPoint a, GridPoint b) { add(ShapeKind::Line, {a, b}); }
    void rect(double x, double y, double w, double h) { add(ShapeKind::Rect, {{x, y}, {w, h}}); }
    void roundedRect(double x, double y, double w, double h, double r) {
        add(ShapeKind::RoundedRect, {{x, y}, {w, h}}).radius = r;
    }
    void ellipse(GridPoint centre, double rx, double ry) {
        add(ShapeKind::Ellipse, {centre, {rx, ry}});
    }
    void polygon(std::vector<GridPoint> corners) { add(ShapeKind::Polygon, std::move(corners)); }
    void arc(double x, double y, double w, double h, int start, int span) {
        Shape& s = add(ShapeKind::Arc, {{x, y}, {w, h}});
        s.startAngle = start;
        s.spanAngle = span;
    }

    void arrow(GridPoint from, GridPoint to, Rgb color) {
        pen(color, 2.6, true);
        line(from, to);
        const GridPoint d = to - from;
        const double len = std::hypot(d.x, d.y);
        if (len <= 0) {
            return;
        }
        const GridPoint u = d / len;
        const GridPoint n{-u.y, u.x};
        noPen();
        brush(color);
        polygon({to + u * 2.0, to - u * 5.0 + n * 4.5, to - u * 5.0 - n * 4.5});
    }

    // An EEPROM chip: a dark body with pins on both long sides and a notch.
    void chip(double x, double y, double w, double h) {
        pen({150, 150, 160}, 1.4);
        for (int i = 0; i < 4; ++i) {
            const double py = y + h * (i + 0.5) / 4.0;
            line({x - 3, py}, {x, py});
            line({x + w, py}, {x + w + 3, py});
        }
        pen(kInk, 1.0);
        brush({55, 58, 70});
        roundedRect(x, y, w, h, 1.5);
        brush({120, 124, 140});
        noPen();
        ellipse({x + w / 2, y + 2.5}, 1.6, 1.6);
    }

private:
    Shape& add(ShapeKind kind, std::vector<GridPoint> points) {
        shapes.push_back({kind, pen_, fill_, std::move(points)});
        return shapes.back();
    }

    std::optional<Stroke> pen_{Stroke{{0, 0, 0}, 1.0}};
    std::optional<Rgb> fill_;
};

std::vector<Shape> drawOpen() {
    Drawing d;
    d.pen({150, 110, 20}, 1.2);
    d.brush({240, 196, 80});
    d.roundedRect(3, 7, 13, 6, 1.5);
    d.rect(3, 10, 24, 16);
    d.brush({252, 220, 120});
    d.polygon({{7, 14}, {30, 14}, {26, 26}, {3, 26}});
    d.arrow({20, 11}, {20, 2.5}, {30, 110, 200});
    return d.shapes;
}

std::vector<Shape> drawSave() {
    Drawing d;
    d.pen(kInk, 1.2);
    d.brush({50, 90, 170});
    d.polygon({{4, 4}, {24, 4}, {28, 8}, {28, 28}, {4, 28}});
    d.brush({230, 232, 236});
    d.rect(9, 4, 13, 8);
    d.brush({50, 90, 170});
    d.noPen();
    d.rect(17, 5.5, 3, 5);
    d.brush(kWhite);
    d.pen(kInk, 1.0);
    d.rect(8, 16, 16, 10);
    d.pen({160, 160, 170}, 1.0);
    d.line({10, 19.5}, {22, 19.5});
    d.line({10, 22.5}, {22, 22.5});
    return d.shapes;
}

std::vector<Shape> drawRead() {
    Drawing d;
    d.chip(5, 6, 12, 20);
    d.arrow({19, 16}, {29, 16}, {30, 140, 60});
    return d.shapes;
}

std::vector<Shape> drawWrite() {
    Drawing d;
    d.chip(15, 6, 12, 20);
    d.arrow({2, 16}, {11, 16}, {200, 90, 20});
    return d.shapes;
}

std::vector<Shape> drawReset() {
    Drawing d;
    d.chip(10, 10, 12, 16);
    constexpr Rgb kRed{200, 40, 40};
    d.pen(kRed, 2.4, true);
    d.noBrush();
    d.arc(4, 2, 24, 24, 30 * 16, 300 * 16);
    // Head at the arc's start, pointing along its turn.
    const double a = 30.0 * std::numbers::pi / 180.0;
    const GridPoint tip{16 + 12 * std::cos(a), 14 - 12 * std::sin(a)};
    d.noPen();
    d.brush(kRed);
    d.polygon({tip + GridPoint{-5.5, -1.5}, tip + GridPoint{1.5, -5.5}, tip + GridPoint{1.5, 2.5}});
    return d.shapes;
}

std::vector<Shape> drawExit() {
    Drawing d;
    d.pen(kInk, 1.2);
    d.brush({150, 100, 60});
    d.rect(5, 3, 15, 26);
    d.brush({110, 70, 40});
    d.polygon({{5, 3}, {14, 6}, {14, 31}, {5, 29}});
    d.brush({240, 200, 80});
    d.noPen();
    d.ellipse({12, 17}, 1.3, 1.3);
    d.arrow({17, 16}, {29, 16}, {200, 40, 40});
    return d.shapes;
}

// The About box: a point-of-sale keyboard with a card in its reader slot.
std::vector<Shape> drawKeyboard() {
    Drawing d;
    d.pen(kInk, 0.8);
    d.brush({215, 218, 224});
    d.roundedRect(1, 12, 30, 17, 2);
    d.brush({90, 94, 106});
    d.rect(2.5, 13.2, 27, 2.2);  // the reader's slot
    d.brush(kWhite);
    d.pen(kInk, 0.5);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 7; ++col) {
            d.rect(3 + col * 3.8, 17 + row * 3.7, 3, 2.8);
        }
    }
    // The card, half through the slot, its stripe on the near side.
    d.pen({20, 70, 140}, 0.8);
    d.brush({70, 140, 220});
    d.roundedRect(9, 2, 16, 12.5, 1.2);
    d.noPen();
    d.brush({25, 25, 30});
    d.rect(9, 11.2, 16, 2.2);
    d.brush({240, 200, 70});
    d.rect(11, 4.5, 3.5, 3);
    return d.shapes;
}

}  // namespace

const std::vector<Shape>& pictureShapes(Picture picture) {
    static const std::vector<Shape> kPictures[] = {
        drawOpen(), drawSave(), drawRead(), drawWrite(), drawReset(), drawExit(), drawKeyboard()};
    return kPictures[static_cast<int>(picture)];
}

}  // namespace tavrin::ui
