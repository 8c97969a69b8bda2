#pragma once
// Helpers for the tests of the Windows backends under Wine: scratch
// folders, files, a focused window that receives the keyboard, and
// keystrokes injected with SendInput.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace tavrin::test::win32 {

// A fresh folder under the temporary directory, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);
std::vector<std::uint8_t> readBytes(const std::string& path);
bool isFile(const std::string& path);

// The folder of this test program.
std::string programDir();
// The test doubles of the port library built beside the tests.
std::string doubleLibrary();         // all four entry points
std::string partialDoubleLibrary();  // SetPortVal missing
std::string msinfoStandIn();         // stand-in for the system information viewer

// A variable of this process's environment; "" when it is not set.
std::string environment(const char* name);

// Sets or clears a variable for the rest of the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

private:
    std::string name_;
    std::string old_;
    bool had_;
};

// A visible top-level window of the calling thread that holds the keyboard
// focus, so that keystrokes are queued to this thread. It counts the key
// messages that reach it (those that no hook swallowed).
class FocusWindow {
public:
    FocusWindow();
    ~FocusWindow();
    // The window of the run, focused again and its counts cleared.
    static FocusWindow& shared();
    void reset();
    FocusWindow(const FocusWindow&) = delete;
    FocusWindow& operator=(const FocusWindow&) = delete;
    HWND hwnd() const { return hwnd_; }
    bool hasFocus() const;
    int keyMessages() const { return keyMessages_; }
    int appMessages() const { return appMessages_; }

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
    int keyMessages_ = 0;
    int appMessages_ = 0;
};

// One key event, key-up unless down is set; the scan code goes into bits
// 16..23 of the hook's lParam.
void sendKey(WORD vk, WORD scan, bool down = false);
// Pumps the calling thread's messages for about ms milliseconds.
void pumpFor(DWORD ms);
// The milliseconds that run() takes, by the system's tick counter.
template <class Run>
DWORD msTaken(Run&& run) {
    const DWORD start = GetTickCount();
    run();
    return GetTickCount() - start;
}

// A 512-byte settings file image: 128 little-endian 32-bit values.
std::vector<std::uint8_t> settingsFileBytes(const std::vector<std::uint8_t>& eeprom);
// A test EEPROM: the 0x55 0xAA signature, then byteAt(a) at address a.
std::vector<std::uint8_t> signedEeprom(std::uint8_t (*byteAt)(int address));
// The 0x55 0xAA signature and every nibble value used.
std::vector<std::uint8_t> sampleEeprom();

}  // namespace tavrin::test::win32
