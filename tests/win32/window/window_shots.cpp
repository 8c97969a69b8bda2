// Pictures of the real tavrin.exe for the documentation: starts it on the
// simulated keyboard, brings up each page and dialog and copies it from the
// screen into a BMP file. tools/windows-screenshots.sh runs it under Wine.
//
//   tavrin_window_shots.exe TAVRIN_EXE OUT_FOLDER

#include <cstdio>
#include <string>

#include "scantext/scan_text.h"
#include "tavrin_version.h"
#include "window_driver.h"
#include "winui/control_ids.h"

namespace {

using namespace tavrin::test::window;
namespace ids = tavrin::winui::ids;

constexpr DWORD kWait = 30000;

class Shots {
public:
    Shots(Program& program, std::string out) : program_(program), out_(std::move(out)) {}

    HWND wait(const std::string& className, const std::string& title, DWORD ms = kWait) {
        HWND w = waitWindow(program_.id(), className, title, ms);
        if (w == nullptr) {
            std::fprintf(stderr, "no %s \"%s\"\n", className.c_str(), title.c_str());
            ++failures_;
        }
        return w;
    }

    // Lets the window paint, then copies it.
    void take(HWND w, const char* name) {
        if (w == nullptr) {
            return;
        }
        SetForegroundWindow(w);
        Sleep(400);
        const std::string path = out_ + "\\" + name + ".bmp";
        if (captureWindow(w, path)) {
            std::printf("%s\n", name);
        } else {
            std::fprintf(stderr, "cannot capture %s\n", name);
            ++failures_;
        }
    }

    void close(HWND dialog, int button) {
        if (dialog != nullptr) {
            answer(dialog, button);
            waitUntil([&] { return openDialogs(program_.id()).empty(); }, kWait);
        }
    }

    int failures() const { return failures_; }

private:
    Program& program_;
    std::string out_;
    int failures_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tavrin_window_shots TAVRIN_EXE OUT_FOLDER\n");
        return 2;
    }
    const std::string exe = argv[1];
    const std::string out = argv[2];
    const std::string image = out + "\\simulated-keyboard.bin";
    DeleteFileA(image.c_str());
    Program program;
    std::string error;
    if (!program.start(exe, "--simulate --sim-image \"" + image + "\"", out, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Shots shots(program, out);
    HWND main = shots.wait(ids::kMainClass, "Tavrin Version " TAVRIN_VERSION);
    if (main == nullptr) {
        return 1;
    }
    // The start-up read ends with the values shown and no dialog open.
    waitUntil(
        [&] {
            HWND list = control(main, ids::kLstItem + 31);
            return list != nullptr && !shownText(list).empty() && openDialogs(program.id()).empty();
        },
        kWait);

    // SSTab2's pages: "MSR /1" at start, Ctrl+Tab to the next one.
    HWND tab = control(main, ids::kSSTab2);
    const char* pages[] = {"frmMsr_msr_1", "frmMsr_msr_2", "frmMsr_msr_basic"};
    for (const char* page : pages) {
        shots.take(main, page);
        SetForegroundWindow(main);
        if (tab != nullptr) {
            SetFocus(tab);
        }
        pressKey(VK_TAB, {VK_CONTROL});
        Sleep(300);
    }

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(ids::kMenuFirst + 6, 0), 0);
    HWND about = shots.wait(ids::kDialogClass, "About MSR");
    shots.take(about, "frmAbout");
    shots.close(about, IDOK);

    HWND mode = control(main, ids::kCombo5);
    for (bool scan : {false, true}) {
        chooseComboEntry(mode, scan ? 1 : 0);
        click(control(main, ids::kCmdItem + 67));
        HWND form = shots.wait(ids::kDialogClass,
                               std::string(tavrin::scantext::prePostTexts(scan).caption));
        shots.take(form, scan ? "frmPrePost_scan_codes" : "frmPrePost_characters");
        shots.close(form, IDCANCEL);
    }
    chooseComboEntry(mode, 0);

    click(control(main, ids::kCmdItem + 31));
    HWND input = shots.wait(ids::kDialogClass, "Input");
    shots.take(input, "InputBox_number");
    if (input != nullptr) {
        setText(control(input, ids::kAnswer), "123");
        answer(input, IDOK);
        HWND error = shots.wait("#32770", "Error");
        shots.take(error, "MsgBox_number_error");
        shots.close(error, IDOK);
    }

    // The write: frmWaiting with its progress, then the message box.
    click(control(main, ids::kCommand1 + 3));
    HWND waiting = shots.wait(ids::kDialogClass, "Waiting");
    if (waiting != nullptr) {
        Sleep(1500);
        shots.take(waiting, "frmWaiting");
    }
    HWND done = shots.wait("#32770", "Message", 120000);
    shots.take(done, "MsgBox_write_successful");
    shots.close(done, IDOK);

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(ids::kMenuFirst + 2, 0), 0);
    if (!program.waitExit(10000)) {
        std::fprintf(stderr, "tavrin.exe did not end\n");
        return 1;
    }
    return shots.failures() == 0 ? 0 : 1;
}
