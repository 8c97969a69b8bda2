#pragma once
// The form was designed in twips, 1440 to the inch; on the screen a twip is
// dpi / 1440 pixels (15 twips to a pixel at 96 dpi).

#include "ui/form_layout.h"
#include "winui/win_api.h"

namespace tavrin::winui {

class Scale {
public:
    explicit Scale(int dpi = 96) : dpi_(dpi > 0 ? dpi : 96) {}
    // The primary screen's, for a window not yet shown.
    static Scale ofScreen();

    int dpi() const { return dpi_; }
    int px(int twips) const { return MulDiv(twips, dpi_, 1440); }
    RECT rect(const ui::TwipsRect& r) const { return rect(r, 0, 0); }
    // r moved by a frame's origin, in twips.
    RECT rect(const ui::TwipsRect& r, int dx, int dy) const {
        const int left = px(r.left + dx);
        const int top = px(r.top + dy);
        return RECT{left, top, left + px(r.width), top + px(r.height)};
    }

private:
    int dpi_;
};

}  // namespace tavrin::winui
