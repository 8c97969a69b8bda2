#pragma once
// The window's pictures, drawn with QPainter at whatever size and pixel
// ratio they are shown: the six command buttons and the About box's
// artwork. No image files to ship or to scale.

#include <QIcon>

#include "ui/form_layout.h"

namespace tavrin::gui {

using Picture = ui::Picture;

QIcon paintedIcon(Picture picture);

}  // namespace tavrin::gui
