#pragma once
// One test case against a fresh tavrin.exe: a program folder as shipped in
// a scratch folder (the driver's source files, the test double of
// winio3.dll as "winiodll3"), the double's EEPROM, wire log and closing
// note, the process, and at the end a check that no dialog was left open.
//
// Inputs come from the environment (tools/ci-windows.sh sets them, as
// Windows paths):
//   TAVRIN_WINDOW_EXE           the tavrin.exe under test
//   TAVRIN_WINDOW_EEPROM        the settings file the double's EEPROM holds
//   TAVRIN_WINDOW_LISTING       `tavrin-cli show` of that file, native build
//   TAVRIN_WINDOW_SAMPLE        a settings file to open and write
//   TAVRIN_WINDOW_SAMPLE_BYTES  the bytes the native tool sends writing it
//   TAVRIN_FOREIGN_WINIO        the other architecture's double

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32_test_support.h"
#include "window_driver.h"

namespace tavrin::test::window {

using win32::environment;

// `tavrin-cli show` lines: item number to shown value.
std::map<int, std::string> parseListing(const std::string& text);
// The double's wire log: one byte a line ("E7", "E7 unmasked").
std::vector<std::string> wireLines(const std::string& path);

class WindowCase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Prepares the folder and starts the program; library is the port
    // library put in under libraryName (the double of this architecture as
    // "winiodll3", which start-up deploys as winio3.dll, by default).
    // Fails the test when the program does not start.
    void launch(const std::string& arguments = "", const std::string& library = "",
                const std::string& libraryName = "winiodll3");
    // The main window, waited for.
    HWND mainWindow();
    // A visible top-level window of the program, waited for until ms pass
    // or the program ends.
    HWND waitFor(const std::string& className, const std::string& title, DWORD ms);
    // " (the program ended with exit N)" once it has, else "".
    std::string exitNote();
    // Waits until the start-up read has shown the keyboard's values: the
    // items of the listing show its values and no dialog is open.
    bool waitForStartupRead();
    // Item n's control: its value combo box if it has one, else its list
    // (Combo5 for the scan-code mode, 79).
    HWND itemValue(int n);
    // What item n shows, escaped as the listing prints it.
    std::string shownValue(int n);
    // Every item whose shown value differs from the listing's, one a line
    // (listsOnly: the items shown by a list box).
    std::string mismatches(bool listsOnly = false);
    HWND item(int base, int n) { return mainControl(base + n); }
    // A control of the main window by id.
    HWND mainControl(int id);
    HWND command(int k);  // Command1..Command6

    // Waits for a dialog with that class and title and checks its
    // message; returns it (nullptr and a failure when it does not come).
    HWND expectDialog(const std::string& className, const std::string& title, DWORD ms = kReact);
    HWND expectMessage(const std::string& title, const std::string& message, DWORD ms = kReact);
    // Waits until no dialog is open.
    bool waitNoDialog(DWORD ms = kReact);
    // Answers the input box or frmPrePost with text and OK.
    void answerTextDialog(HWND dialog, const std::string& text);
    // Drives the real Open / Save dialogs (Command1 / Command2).
    void openFile(const std::string& path) { chooseFile(1, "Open", path); }
    void saveFile(const std::string& path) { chooseFile(2, "Save", path); }

    std::vector<std::string> wire() const { return wireLines(wireLog_); }
    std::string folderFile(const std::string& name) const { return folder_->file(name); }
    const std::map<int, std::string>& listing() const { return listing_; }
    Program& program() { return program_; }
    const std::string& closedNote() const { return closedNote_; }

private:
    void chooseFile(int commandNumber, const char* dialogName, const std::string& path);
    std::unique_ptr<win32::TempDir> folder_;
    std::vector<std::unique_ptr<win32::ScopedEnv>> env_;
    std::string wireLog_;
    std::string closedNote_;
    std::map<int, std::string> listing_;
    Program program_;
    HWND main_ = nullptr;
    std::map<int, HWND> controls_;
    DWORD started_ = 0;
};

}  // namespace tavrin::test::window
