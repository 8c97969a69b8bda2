#pragma once
// The window's pictures (ui::pictureShapes) drawn with GDI.

#include "ui/form_layout.h"
#include "winui/win_api.h"

namespace tavrin::winui {

// Draws picture into box, smoothed; a disabled one greyed as the system
// greys a disabled button's picture.
void paintPicture(HDC dc, const RECT& box, ui::Picture picture, bool enabled = true);

}  // namespace tavrin::winui
