#pragma once
// The window's pictures, drawn with QPainter at whatever size and pixel
// ratio they are shown: the six command buttons and the About box's
// artwork. No image files to ship or to scale.

#include <QIcon>

namespace tavrin::gui {

enum class Picture { Open, Save, ReadEeprom, WriteEeprom, ResetEeprom, Exit, Keyboard };

QIcon paintedIcon(Picture picture);

}  // namespace tavrin::gui
