#pragma once
// The controls the window draws itself: the one-line value fields (lists
// and combo boxes, a value shown whole or cut with an ellipsis) and the
// picture buttons of the command column.

#include <string>

#include "items/window_model.h"
#include "ui/form_layout.h"
#include "winui/win_api.h"

namespace tavrin::winui {

// A value list's or combo box's row; noEntryText is what a combo box shows
// with no entry selected.
void drawValueLine(const DRAWITEMSTRUCT& item, const std::string& noEntryText);

void drawPictureButton(const DRAWITEMSTRUCT& item, const ui::ButtonLayout& button, HFONT font);

// A drop-down list keeps no text of its own: with no entry selected, combo
// answers for its text with the model's, the text it draws, so that screen
// readers (and anything else that asks) read the value.
void answerWithShownText(HWND combo, const ui::ComboBox& model);

}  // namespace tavrin::winui
