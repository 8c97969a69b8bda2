#pragma once
// Pictures of the window for the documentation: the three visible tabs and
// every dialog, drawn off screen into PNG files.

#include <QString>

namespace tavrin::gui {

class GuiSession;

// Starts the session (its start-up read included), draws every form into
// dir and unloads the window. Returns the program's exit code.
int takeScreenshots(GuiSession& session, const QString& dir);

}  // namespace tavrin::gui
