#pragma once
// Small helpers over the standard controls: making them from the form's
// tables, and changing a text, a state or a list only where it differs, so
// that a redraw from the model does not flicker or move the operator's
// place.

#include <string>
#include <vector>

#include "winui/win_api.h"

namespace tavrin::winui {

// The fonts of the forms: the system's message font at the screen's dpi,
// a bold one for the column headers, a large bold one for titles, and a
// smaller one for the picture buttons' captions.
struct Fonts {
    HFONT normal = nullptr;
    HFONT bold = nullptr;
    HFONT title = nullptr;
    HFONT small = nullptr;
};
const Fonts& fonts(int dpi);

HWND makeControl(HWND parent, const char* windowClass, const std::string& text, DWORD style,
                 const RECT& r, int id, HFONT font, DWORD exStyle = 0);

std::string windowText(HWND control);
// True when the text changed.
bool setText(HWND control, const std::string& text);
void setEnabled(HWND control, bool enabled);
void setVisible(HWND control, bool visible);

// A list box's or a combo box's entries, replaced only when they differ.
std::vector<std::string> listEntries(HWND list);
void setListEntries(HWND list, const std::vector<std::string>& entries);
std::vector<std::string> comboEntries(HWND combo);
void setComboEntries(HWND combo, const std::vector<std::string>& entries);

// What text takes on one line in the control's own font: its width, and
// the font's whole height, descenders included.
SIZE textExtent(HWND control, const std::string& text);
// Grows a caption to hold its text on one line, measured in its font; the
// form's size stays where the text fits, its place never moves.
void fitToText(HWND caption);

// Centres a top-level window on the owner; without one, places it on the
// work area as ui::placeWindow says.
void centreOn(HWND window, HWND owner);

// The page and dialog windows' class: a plain container that hands its
// controls' notifications (commands, owner drawing, tooltips) to the
// window given at creation as lpParam.
HWND makeContainer(HWND parent, const RECT& r, HWND forwardTo);

}  // namespace tavrin::winui
