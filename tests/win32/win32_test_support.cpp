#include "win32_test_support.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/win32/win32_file_system.h"

namespace tavrin::test::win32 {

namespace {

void removeTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = dir + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%stavrin-w32-%lu-%u", base, GetCurrentProcessId(),
                      ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            break;
        }
    }
}

TempDir::~TempDir() {
    removeTree(path_);
}

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writeText(const std::string& path, const std::string& text) {
    return writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string readText(const std::string& path) {
    auto bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool isFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string programDir() {
    return platform::win32::executableFolder();
}
std::string doubleLibrary() {
    return programDir() + "\\double\\winio3.dll";
}
std::string partialDoubleLibrary() {
    return programDir() + "\\partial\\winio3.dll";
}
std::string msinfoStandIn() {
    return programDir() + "\\msinfo_stand_in.exe";
}

std::string environment(const char* name) {
    char buffer[32768];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return (n == 0 || n >= sizeof buffer) ? std::string{} : std::string(buffer, n);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value)
    : name_(name), old_(environment(name)), had_(!old_.empty()) {
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr);
}

FocusWindow::FocusWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &FocusWindow::proc;
    wc.hInstance = instance;
    wc.lpszClassName = "TavrinTestFocus";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, "TavrinTestFocus", "Tavrin test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            10, 10, 300, 200, nullptr, nullptr, instance, this);
    if (hwnd_ == nullptr) {
        return;
    }
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    reset();
}

FocusWindow& FocusWindow::shared() {
    // One for the whole run: creating and destroying top-level windows
    // costs seconds under Wine without a window manager.
    static FocusWindow* window = new FocusWindow;
    window->reset();
    return *window;
}

void FocusWindow::reset() {
    if (hwnd_ == nullptr) {
        return;
    }
    for (int i = 0; i < 50 && !hasFocus(); ++i) {
        SetForegroundWindow(hwnd_);
        SetActiveWindow(hwnd_);
        SetFocus(hwnd_);
        pumpFor(20);
    }
    pumpFor(30);
    keyMessages_ = 0;
    appMessages_ = 0;
}

FocusWindow::~FocusWindow() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool FocusWindow::hasFocus() const {
    return hwnd_ != nullptr && GetForegroundWindow() == hwnd_ && GetFocus() == hwnd_;
}

LRESULT CALLBACK FocusWindow::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FocusWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr) {
        if (message >= WM_KEYFIRST && message <= WM_KEYLAST && message != WM_CHAR &&
            message != WM_SYSCHAR && message != WM_DEADCHAR && message != WM_SYSDEADCHAR) {
            ++self->keyMessages_;
        }
        if (message == WM_APP + 1) {
            ++self->appMessages_;
            return 0;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void sendKey(WORD vk, WORD scan, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = scan;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void pumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } while (GetTickCount() - start < ms);
}

std::vector<std::uint8_t> settingsFileBytes(const std::vector<std::uint8_t>& eeprom) {
    std::vector<std::uint8_t> bytes(512, 0);
    for (std::size_t a = 0; a < 128 && a < eeprom.size(); ++a) {
        bytes[4 * a] = eeprom[a];
    }
    return bytes;
}

std::vector<std::uint8_t> signedEeprom(std::uint8_t (*byteAt)(int address)) {
    std::vector<std::uint8_t> eeprom(128);
    eeprom[0] = 0x55;
    eeprom[1] = 0xAA;
    for (int a = 2; a < 128; ++a) {
        eeprom[a] = byteAt(a);
    }
    return eeprom;
}

std::vector<std::uint8_t> sampleEeprom() {
    // 01 23 45 67 89 AB CD EF at addresses 2..9: every nibble value.
    return signedEeprom([](int a) {
        return static_cast<std::uint8_t>(a < 10 ? 0x01 + 0x22 * (a - 2) : (a * 29 + 0x3C) & 0xFF);
    });
}

}  // namespace tavrin::test::win32
