#pragma once
// Drives a running tavrin.exe from outside, as an operator would: finds its
// windows and controls, reads them, presses buttons, chooses combo entries,
// answers its dialogs. Every wait has a deadline, and every message that
// reads a control is sent with a time-out, so a busy or stuck window fails a
// test instead of hanging it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace tavrin::test::window {

// How long a test waits for the window to react.
inline constexpr DWORD kReact = 15000;

// A child process started with CreateProcess; ended on destruction if it is
// still running.
class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts exe with the arguments in folder (its working folder); the
    // process inherits this one's environment.
    bool start(const std::string& exe, const std::string& arguments, const std::string& folder,
               std::string& error);
    DWORD id() const { return info_.dwProcessId; }
    bool running() const;
    // The exit code once the process has ended within ms, else nothing.
    std::optional<DWORD> waitExit(DWORD ms) const;
    // The last resort: kills the process and waits for it.
    void terminate();

private:
    PROCESS_INFORMATION info_{};
};

// A top-level window of the program as seen from outside.
struct Window {
    HWND hwnd = nullptr;
    std::string className;
    std::string title;
};

std::string classOf(HWND hwnd);
// WM_GETTEXT, sent with a time-out.
std::string textOf(HWND hwnd);
// The visible top-level windows of process pid (tooltips and the like
// included), in z-order.
std::vector<Window> topWindows(DWORD pid);
// The first visible top-level window of pid with that class and, unless
// title is empty, that title, waited for up to ms.
HWND waitWindow(DWORD pid, const std::string& className, const std::string& title, DWORD ms);
// The program's dialogs and message boxes open now ("#32770" and the
// program's own dialog class).
std::vector<Window> openDialogs(DWORD pid);

// The descendant of top with control id, or nullptr.
HWND control(HWND top, int id);
// Every descendant of top by control id (the first of each id), found in
// one walk: a window of hundreds of controls is costly to search for each.
std::map<int, HWND> controlsById(HWND top);

// A list box's entries, a combo box's entries and its selected entry's text
// (its window text when no entry is selected).
std::vector<std::string> listEntries(HWND list);
std::vector<std::string> comboEntries(HWND combo);
int comboSelection(HWND combo);
std::string comboText(HWND combo);
// What the window shows for a control: a list box's first entry, a combo
// box's selected entry, anything else's window text.
std::string shownText(HWND hwnd);

// Chooses combo entry index as a click on it does: CB_SETCURSEL, then the
// CBN_SELCHANGE notification sent to the combo's parent.
bool chooseComboEntry(HWND combo, int index);
// A posted BM_CLICK: the handler may open a modal dialog.
bool click(HWND button);
// A real left click at the centre of the window on the screen (SendInput).
bool mouseClick(HWND hwnd);
bool setText(HWND hwnd, const std::string& text);
// A key pressed and released with the modifiers held (SendInput).
void pressKey(WORD vk, std::initializer_list<WORD> modifiers = {});
// The control that holds the keyboard focus in top's thread, or nullptr.
HWND focusOf(HWND top);

// A dialog's message: the texts of its static controls that hold text,
// joined by newlines (a message box has one).
std::string dialogMessage(HWND dialog);
// Presses the dialog's button with that id (IDOK, IDYES, ...).
bool answer(HWND dialog, int buttonId);

// Polls until done() holds or ms pass; true when it held.
template <typename Done>
bool waitUntil(Done done, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount() - start >= ms) {
            return false;
        }
        Sleep(20);
    }
}

// Fills a file dialog's name field with path and presses its OK button.
bool chooseFile(HWND fileDialog, const std::string& path);
// Copies the window's place on the screen into a 24-bit BMP file.
bool captureWindow(HWND hwnd, const std::string& bmpPath);

}  // namespace tavrin::test::window
