#pragma once
// The window was drawn in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
// Qt lays out in device-independent pixels and scales those by the
// screen's device pixel ratio, so a twip is always 1/15 of a layout pixel.

#include <QRect>

#include "ui/form_layout.h"

namespace tavrin::gui {

constexpr int kTwipsPerPixel = 15;

constexpr int tw(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect twRect(int left, int top, int width, int height) {
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

inline QRect twRect(const ui::TwipsRect& r) {
    return twRect(r.left, r.top, r.width, r.height);
}

}  // namespace tavrin::gui
