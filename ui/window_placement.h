#pragma once
// Where a window opens on its screen: in the middle of the area left free
// by panels and task bars. A fixed-size window that does not fit there
// opens at the area's top-left corner instead, so its title bar and menu
// bar stay within reach; the part that does not fit hangs off the right or
// the bottom edge.

namespace tavrin::ui {

// In one unit for both: device-independent pixels (Qt) or pixels (Win32).
struct ScreenArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct WindowPosition {
    int left = 0;  // of the frame, title bar included
    int top = 0;
    bool operator==(const WindowPosition&) const = default;
};

// width and height are the window's outer size, frame and menu included.
WindowPosition placeWindow(const ScreenArea& available, int width, int height);

}  // namespace tavrin::ui
