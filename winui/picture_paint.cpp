#include "winui/picture_paint.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "ui/pictures.h"

namespace tavrin::winui {

namespace {

// GDI draws without smoothing: the picture is drawn this many times larger
// and shrunk with halftoning.
constexpr int kOversample = 4;

COLORREF colour(ui::Rgb c) {
    return RGB(c.r, c.g, c.b);
}

class ShapePainter {
public:
    ShapePainter(HDC dc, double unit) : dc_(dc), unit_(unit) {}

    void paint(const ui::Shape& s) {
        HPEN pen = makePen(s);
        HBRUSH brush = s.fill ? CreateSolidBrush(colour(*s.fill))
                              : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc_, pen);
        HGDIOBJ oldBrush = SelectObject(dc_, brush);
        const auto& p = s.points;
        switch (s.kind) {
            case ui::ShapeKind::Line:
                MoveToEx(dc_, x(p[0].x), x(p[0].y), nullptr);
                LineTo(dc_, x(p[1].x), x(p[1].y));
                break;
            case ui::ShapeKind::Rect:
                Rectangle(dc_, x(p[0].x), x(p[0].y), x(p[0].x + p[1].x), x(p[0].y + p[1].y));
                break;
            case ui::ShapeKind::RoundedRect:
                RoundRect(dc_, x(p[0].x), x(p[0].y), x(p[0].x + p[1].x), x(p[0].y + p[1].y),
                          x(2 * s.radius), x(2 * s.radius));
                break;
            case ui::ShapeKind::Ellipse:
                Ellipse(dc_, x(p[0].x - p[1].x), x(p[0].y - p[1].y), x(p[0].x + p[1].x),
                        x(p[0].y + p[1].y));
                break;
            case ui::ShapeKind::Polygon: {
                std::vector<POINT> corners;
                for (const ui::GridPoint& c : p) {
                    corners.push_back({x(c.x), x(c.y)});
                }
                SetPolyFillMode(dc_, ALTERNATE);
                Polygon(dc_, corners.data(), static_cast<int>(corners.size()));
                break;
            }
            case ui::ShapeKind::Arc:
                arc(s);
                break;
        }
        SelectObject(dc_, oldBrush);
        SelectObject(dc_, oldPen);
        if (s.fill) {
            DeleteObject(brush);
        }
        DeleteObject(pen);
    }

private:
    int x(double grid) const { return static_cast<int>(std::lround(grid * unit_)); }

    HPEN makePen(const ui::Shape& s) const {
        if (!s.pen) {
            return CreatePen(PS_NULL, 0, 0);
        }
        LOGBRUSH brush{BS_SOLID, colour(s.pen->color), 0};
        const DWORD ends =
            s.pen->round ? PS_ENDCAP_ROUND | PS_JOIN_ROUND : PS_ENDCAP_SQUARE | PS_JOIN_BEVEL;
        const auto width = static_cast<DWORD>(std::max(1L, std::lround(s.pen->width * unit_)));
        return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | ends, width, &brush, 0, nullptr);
    }

    // Angles in 1/16 degree from three o'clock, counter-clockwise.
    void arc(const ui::Shape& s) {
        const auto& p = s.points;
        const double cx = p[0].x + p[1].x / 2;
        const double cy = p[0].y + p[1].y / 2;
        auto at = [&](int sixteenths) {
            const double a = sixteenths / 16.0 * std::numbers::pi / 180.0;
            return POINT{x(cx + p[1].x * std::cos(a)), x(cy - p[1].y * std::sin(a))};
        };
        int from = s.startAngle;
        int to = s.startAngle + s.spanAngle;
        if (s.spanAngle < 0) {
            std::swap(from, to);
        }
        const POINT a = at(from);
        const POINT b = at(to);
        SetArcDirection(dc_, AD_COUNTERCLOCKWISE);
        Arc(dc_, x(p[0].x), x(p[0].y), x(p[0].x + p[1].x), x(p[0].y + p[1].y), a.x, a.y, b.x, b.y);
    }

    HDC dc_;
    double unit_;
};

struct Dib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    std::uint32_t* bits = nullptr;

    Dib(HDC like, int w, int h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        dc = CreateCompatibleDC(like);
        bitmap = CreateDIBSection(like, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<std::uint32_t*>(pixels);
        old = SelectObject(dc, bitmap);
    }
    ~Dib() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
};

}  // namespace

void paintPicture(HDC dc, const RECT& box, ui::Picture picture, bool enabled) {
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    const int side = std::min(w, h);
    if (side <= 0) {
        return;
    }
    const int big = side * kOversample;
    Dib large(dc, big, big);
    Dib small(dc, side, side);
    if (large.bits == nullptr || small.bits == nullptr) {
        return;
    }
    // The background under the picture, so that halftoning blends into it.
    BitBlt(small.dc, 0, 0, side, side, dc, box.left + (w - side) / 2, box.top + (h - side) / 2,
           SRCCOPY);
    SetStretchBltMode(large.dc, COLORONCOLOR);
    StretchBlt(large.dc, 0, 0, big, big, small.dc, 0, 0, side, side, SRCCOPY);
    ShapePainter painter(large.dc, big / ui::kPictureGrid);
    for (const ui::Shape& shape : ui::pictureShapes(picture)) {
        painter.paint(shape);
    }
    SetStretchBltMode(small.dc, HALFTONE);
    SetBrushOrgEx(small.dc, 0, 0, nullptr);
    StretchBlt(small.dc, 0, 0, side, side, large.dc, 0, 0, big, big, SRCCOPY);
    GdiFlush();
    if (!enabled) {
        for (int k = 0; k < side * side; ++k) {
            const std::uint32_t p = small.bits[k];
            const unsigned grey =
                (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
            const unsigned light = 128 + grey / 2;
            small.bits[k] = (light << 16) | (light << 8) | light;
        }
    }
    BitBlt(dc, box.left + (w - side) / 2, box.top + (h - side) / 2, side, side, small.dc, 0, 0,
           SRCCOPY);
}

}  // namespace tavrin::winui
