#pragma once
// The window's pictures without a toolkit: each a list of shapes on a
// 32 x 32 grid, drawn in order and scaled to whatever size a front end
// shows them at, so every front end and the package's icon files show the
// same drawings.

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/form_layout.h"

namespace tavrin::ui {

inline constexpr double kPictureGrid = 32.0;

struct Rgb {
    std::uint8_t r, g, b;
};

struct GridPoint {
    double x, y;
};

struct Stroke {
    Rgb color;
    double width;
    bool round = false;  // round caps and joins; else square caps, bevel joins
};

enum class ShapeKind {
    Line,         // points[0] to points[1]
    Rect,         // left top, width height
    RoundedRect,  // left top, width height; radius
    Ellipse,      // centre, x and y radius
    Polygon,      // the corners, filled odd-even
    Arc,          // the ellipse's left top, width height; angles in 1/16 degree
};

struct Shape {
    ShapeKind kind;
    std::optional<Stroke> pen;  // none: no outline
    std::optional<Rgb> fill;    // none: not filled
    std::vector<GridPoint> points;
    double radius = 0;
    int startAngle = 0, spanAngle = 0;
};

const std::vector<Shape>& pictureShapes(Picture picture);

}  // namespace tavrin::ui
