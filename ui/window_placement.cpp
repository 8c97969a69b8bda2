#include "ui/window_placement.h"

namespace tavrin::ui {

WindowPosition placeWindow(const ScreenArea& available, int width, int height) {
    if (width > available.width || height > available.height) {
        return {available.left, available.top};
    }
    return {available.left + (available.width - width) / 2,
            available.top + (available.height - height) / 2};
}

}  // namespace tavrin::ui
