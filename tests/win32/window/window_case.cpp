#include "window_case.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "items/catalogue.h"
#include "tavrin_version.h"
#include "ui/display_text.h"
#include "winui/control_ids.h"

namespace tavrin::test::window {

namespace ids = winui::ids;

namespace {

constexpr const char* kDriverSources[] = {"winiodll", "winiosys", "winiosys3", "winio.vxd"};
// The start-up read: the double's answer comes after 400 ms and takes a
// few hundred keystrokes through the hook.
constexpr DWORD kStartup = 30000;
// How long the end of a case watches for a dialog still on its way.
constexpr DWORD kSettle = 500;

std::string describe(const std::vector<Window>& dialogs) {
    std::string out;
    for (const Window& w : dialogs) {
        out += "\n  " + w.className + " \"" + w.title + "\": " + dialogMessage(w.hwnd);
    }
    return out;
}

}  // namespace

namespace {

// The lines of a text, without the carriage returns of a Windows file.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        out.push_back(line);
    }
    return out;
}

}  // namespace

std::map<int, std::string> parseListing(const std::string& text) {
    std::map<int, std::string> out;
    for (const std::string& line : linesOf(text)) {
        const auto first = line.find('\t');
        const auto last = line.rfind('\t');
        if (first != std::string::npos && last != first) {
            out[std::atoi(line.substr(0, first).c_str())] = line.substr(last + 1);
        }
    }
    return out;
}

std::vector<std::string> wireLines(const std::string& path) {
    std::vector<std::string> out;
    for (const std::string& line : linesOf(win32::readText(path))) {
        if (!line.empty()) {
            out.push_back(line);
        }
    }
    return out;
}

void WindowCase::SetUp() {
    folder_ = std::make_unique<win32::TempDir>();
    wireLog_ = folder_->file("wire.log");
    closedNote_ = folder_->file("closed.txt");
    const std::string eeprom = environment("TAVRIN_WINDOW_EEPROM");
    listing_ = parseListing(win32::readText(environment("TAVRIN_WINDOW_LISTING")));
    ASSERT_FALSE(environment("TAVRIN_WINDOW_EXE").empty()) << "TAVRIN_WINDOW_EXE is not set";
    ASSERT_TRUE(win32::isFile(eeprom)) << "TAVRIN_WINDOW_EEPROM: no file \"" << eeprom << "\"";
    ASSERT_GE(listing_.size(), 78u) << "TAVRIN_WINDOW_LISTING: no listing of the EEPROM file";
    env_.push_back(std::make_unique<win32::ScopedEnv>("TAVRIN_WINIO_EEPROM", eeprom));
    env_.push_back(std::make_unique<win32::ScopedEnv>("TAVRIN_WINIO_LOG", wireLog_));
    env_.push_back(std::make_unique<win32::ScopedEnv>("TAVRIN_WINIO_CLOSED", closedNote_));
}

void WindowCase::TearDown() {
    if (program_.running()) {
        // A dialog still open means a test missed what the window asked; one
        // a last click is about to open counts too.
        std::vector<Window> left;
        waitUntil(
            [&] {
                left = openDialogs(program_.id());
                return !left.empty();
            },
            kSettle);
        EXPECT_TRUE(left.empty()) << "dialogs left open:" << describe(left);
        if (left.empty() && main_ != nullptr) {
            PostMessageA(main_, WM_COMMAND, MAKEWPARAM(ids::kMenuFirst + 2, 0), 0);
            if (program_.waitExit(5000)) {
                return;
            }
            ADD_FAILURE() << "Exit did not end the program; dialogs open:"
                          << describe(openDialogs(program_.id()));
        }
        program_.terminate();
    }
}

void WindowCase::launch(const std::string& arguments, const std::string& library,
                        const std::string& libraryName) {
    const std::string exe = environment("TAVRIN_WINDOW_EXE");
    const std::string target = folder_->file("tavrin.exe");
    ASSERT_TRUE(CopyFileA(exe.c_str(), target.c_str(), FALSE)) << "cannot copy " << exe;
    const std::string winio = library.empty() ? win32::doubleLibrary() : library;
    ASSERT_TRUE(CopyFileA(winio.c_str(), folder_->file(libraryName).c_str(), FALSE))
        << "cannot copy " << winio;
    for (const char* source : kDriverSources) {
        ASSERT_TRUE(win32::writeText(folder_->file(source), std::string("shipped ") + source));
    }
    std::string error;
    started_ = GetTickCount();
    ASSERT_TRUE(program_.start(target, arguments, folder_->path(), error)) << error;
}

HWND WindowCase::waitFor(const std::string& className, const std::string& title, DWORD ms) {
    HWND found = nullptr;
    // A program that has ended shows nothing more: no need to wait it out.
    waitUntil(
        [&] {
            found = waitWindow(program_.id(), className, title, 0);
            return found != nullptr || !program_.running();
        },
        ms);
    return found;
}

std::string WindowCase::exitNote() {
    const auto code = program_.waitExit(0);
    return code ? " (the program ended with exit " + std::to_string(*code) + ")" : std::string{};
}

HWND WindowCase::mainWindow() {
    if (main_ == nullptr || !IsWindow(main_)) {
        main_ = waitFor(ids::kMainClass, "Tavrin Version " TAVRIN_VERSION, kStartup);
        controls_ = main_ != nullptr ? controlsById(main_) : std::map<int, HWND>{};
    }
    return main_;
}

HWND WindowCase::mainControl(int id) {
    mainWindow();
    const auto it = controls_.find(id);
    return it != controls_.end() && IsWindow(it->second) ? it->second : nullptr;
}

bool WindowCase::waitForStartupRead() {
    HWND main = mainWindow();
    if (main == nullptr) {
        ADD_FAILURE() << "no main window \"Tavrin Version " TAVRIN_VERSION "\"" << exitNote();
        return false;
    }
    // The read fills every list at once, when the whole answer is in. (How
    // each item shows, combo boxes included, is the start-up test's part.)
    const bool shown = waitUntil(
        [&] { return mismatches(true).empty() && openDialogs(program_.id()).empty(); }, kStartup);
    EXPECT_TRUE(shown) << "the start-up read did not show the keyboard's values:"
                       << mismatches(true) << "\ndialogs:" << describe(openDialogs(program_.id()));
    if (shown) {
        std::printf("    start-up read shown %lu ms after the start\n",
                    static_cast<unsigned long>(GetTickCount() - started_));
    }
    return shown;
}

std::string WindowCase::shownValue(int n) {
    return ui::escapedUtf8(shownText(itemValue(n)));
}

std::string WindowCase::mismatches(bool listsOnly) {
    std::string out;
    for (const auto& [n, value] : listing_) {
        if (listsOnly && classOf(itemValue(n)) != "ListBox") {
            continue;
        }
        const std::string shown = shownValue(n);
        if (shown != value) {
            out += "\n  item " + std::to_string(n) + ": \"" + shown + "\", the keyboard holds \"" +
                   value + "\"";
        }
    }
    return out;
}

HWND WindowCase::itemValue(int n) {
    if (n == ui::kScanCodeModeItem) {
        return mainControl(ids::kCombo5);
    }
    if (HWND combo = mainControl(ids::kValueCombo + n)) {
        return combo;
    }
    return mainControl(ids::kLstItem + n);
}

HWND WindowCase::command(int k) {
    return mainControl(ids::kCommand1 + k - 1);
}

HWND WindowCase::expectDialog(const std::string& className, const std::string& title, DWORD ms) {
    HWND dialog = waitFor(className, title, ms);
    EXPECT_NE(dialog, nullptr) << "no " << className << " \"" << title << "\"" << exitNote()
                               << "; open:" << describe(openDialogs(program_.id()));
    return dialog;
}

HWND WindowCase::expectMessage(const std::string& title, const std::string& message, DWORD ms) {
    HWND box = expectDialog("#32770", title, ms);
    if (box != nullptr) {
        EXPECT_EQ(dialogMessage(box), message);
    }
    return box;
}

bool WindowCase::waitNoDialog(DWORD ms) {
    const bool none = waitUntil([&] { return openDialogs(program_.id()).empty(); }, ms);
    EXPECT_TRUE(none) << "dialogs still open:" << describe(openDialogs(program_.id()));
    return none;
}

void WindowCase::answerTextDialog(HWND dialog, const std::string& text) {
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setText(control(dialog, ids::kAnswer), text)) << "no text field in the dialog";
    ASSERT_TRUE(answer(dialog, IDOK));
}

namespace {

// The common file dialog of this process with a file name field.
HWND waitFileDialog(DWORD pid) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (const Window& w : openDialogs(pid)) {
                if (w.className == "#32770" &&
                    (control(w.hwnd, 0x480) != nullptr || control(w.hwnd, 0x47c) != nullptr)) {
                    found = w.hwnd;
                    return true;
                }
            }
            return false;
        },
        kReact);
    return found;
}

}  // namespace

void WindowCase::chooseFile(int commandNumber, const char* dialogName, const std::string& path) {
    ASSERT_TRUE(click(command(commandNumber)));
    HWND dialog = waitFileDialog(program_.id());
    ASSERT_NE(dialog, nullptr) << "no " << dialogName
                               << " dialog; open:" << describe(openDialogs(program_.id()));
    ASSERT_TRUE(window::chooseFile(dialog, path));
}

}  // namespace tavrin::test::window
