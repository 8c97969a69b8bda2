#include "ui/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavrin::ui {
namespace {

// Every shape of every picture is well formed and inside the grid, so no
// front end's rendering cuts a picture off.
TEST(Pictures, ShapesAreWellFormedAndInsideTheGrid) {
    for (int p = 0; p <= static_cast<int>(Picture::Keyboard); ++p) {
        SCOPED_TRACE(p);
        const auto& shapes = pictureShapes(static_cast<Picture>(p));
        ASSERT_FALSE(shapes.empty());
        for (const Shape& s : shapes) {
            ASSERT_EQ(s.points.size() >= 3, s.kind == ShapeKind::Polygon);
            EXPECT_TRUE(s.pen || s.fill) << "an invisible shape";
            double left = s.points[0].x, top = s.points[0].y, right = left, bottom = top;
            if (s.kind == ShapeKind::Line || s.kind == ShapeKind::Polygon) {
                for (const GridPoint& q : s.points) {
                    left = std::min(left, q.x), right = std::max(right, q.x);
                    top = std::min(top, q.y), bottom = std::max(bottom, q.y);
                }
            } else if (s.kind == ShapeKind::Ellipse) {
                left -= s.points[1].x, right += s.points[1].x;
                top -= s.points[1].y, bottom += s.points[1].y;
            } else {
                EXPECT_GT(s.points[1].x, 0);
                EXPECT_GT(s.points[1].y, 0);
                right += s.points[1].x, bottom += s.points[1].y;
            }
            EXPECT_GE(left, 0);
            EXPECT_GE(top, 0);
            EXPECT_LE(right, kPictureGrid);
            EXPECT_LE(bottom, kPictureGrid);
        }
    }
}

}  // namespace
}  // namespace tavrin::ui
