#include "window_driver.h"

#include <algorithm>
#include <cstdio>

namespace tavrin::test::window {

namespace {

// A control message answered within this, or the window counts as stuck.
constexpr UINT kSendTimeout = 3000;

// Sent as an ANSI message, or as a UTF-16 one where wide is set.
bool sendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                     bool wide = false) {
    DWORD_PTR out = 0;
    const auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
    if (send(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeout, &out) ==
        0) {
        return false;
    }
    result = static_cast<LRESULT>(out);
    return true;
}

LRESULT sendOr(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT fallback) {
    LRESULT result = 0;
    return sendWithTimeout(hwnd, message, wParam, lParam, result) ? result : fallback;
}

// The program's texts are Windows-1252; a control answers a message sent
// from another process in UTF-16 whichever way it was asked, so they are
// asked for in UTF-16 and converted here.
std::string narrow(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring widen(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int n =
        MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// A text fetched with a length message and a text message.
std::string wideText(HWND hwnd, UINT lengthMessage, UINT textMessage, WPARAM index,
                     bool lengthInWParam) {
    LRESULT length = 0;
    if (!sendWithTimeout(hwnd, lengthMessage, index, 0, length, true) || length < 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT got = 0;
    const WPARAM w = lengthInWParam ? text.size() : index;
    if (!sendWithTimeout(hwnd, textMessage, w, reinterpret_cast<LPARAM>(text.data()), got, true) ||
        got < 0) {
        return {};
    }
    text.resize(std::min(static_cast<std::size_t>(got), text.size()));
    return narrow(text);
}

// Entries read with a count message and a length and text message pair.
std::vector<std::string> entries(HWND hwnd, UINT countMessage, UINT lengthMessage,
                                 UINT textMessage) {
    std::vector<std::string> out;
    const LRESULT count = sendOr(hwnd, countMessage, 0, 0, -1);
    for (LRESULT i = 0; i < count; ++i) {
        out.push_back(wideText(hwnd, lengthMessage, textMessage, static_cast<WPARAM>(i), false));
    }
    return out;
}

// The windows EnumWindows or EnumChildWindows lists, each given to visit
// until it returns false.
template <typename Visit>
BOOL CALLBACK visitOne(HWND hwnd, LPARAM visit) {
    return (*reinterpret_cast<Visit*>(visit))(hwnd) ? TRUE : FALSE;
}
template <typename Visit>
void eachTop(Visit visit) {
    EnumWindows(visitOne<Visit>, reinterpret_cast<LPARAM>(&visit));
}
template <typename Visit>
void eachChild(HWND top, Visit visit) {
    EnumChildWindows(top, visitOne<Visit>, reinterpret_cast<LPARAM>(&visit));
}

bool sameClass(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

}  // namespace

Program::~Program() {
    terminate();
}

bool Program::start(const std::string& exe, const std::string& arguments, const std::string& folder,
                    std::string& error) {
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info_)) {
        error = "CreateProcess " + exe + " failed: error " + std::to_string(GetLastError());
        info_ = {};
        return false;
    }
    return true;
}

bool Program::running() const {
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::waitExit(DWORD ms) const {
    if (info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Program::terminate() {
    if (info_.hProcess == nullptr) {
        return;
    }
    if (running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 10000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    info_ = {};
}

std::string classOf(HWND hwnd) {
    char name[256] = {};
    int n = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string textOf(HWND hwnd) {
    return wideText(hwnd, WM_GETTEXTLENGTH, WM_GETTEXT, 0, true);
}

std::vector<Window> topWindows(DWORD pid) {
    std::vector<Window> found;
    eachTop([&](HWND hwnd) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == pid && IsWindowVisible(hwnd)) {
            found.push_back({hwnd, classOf(hwnd), textOf(hwnd)});
        }
        return true;
    });
    return found;
}

HWND waitWindow(DWORD pid, const std::string& className, const std::string& title, DWORD ms) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (const Window& w : topWindows(pid)) {
                if (sameClass(w.className, className) && (title.empty() || w.title == title)) {
                    found = w.hwnd;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

std::vector<Window> openDialogs(DWORD pid) {
    std::vector<Window> out;
    for (const Window& w : topWindows(pid)) {
        if (w.className == "#32770" || w.className == "TavrinDialog") {
            out.push_back(w);
        }
    }
    return out;
}

HWND control(HWND top, int id) {
    HWND found = nullptr;
    eachChild(top, [&](HWND hwnd) {
        found = GetDlgCtrlID(hwnd) == id ? hwnd : nullptr;
        return found == nullptr;
    });
    return found;
}

std::map<int, HWND> controlsById(HWND top) {
    std::map<int, HWND> ids;
    eachChild(top, [&](HWND hwnd) {
        ids.emplace(GetDlgCtrlID(hwnd), hwnd);
        return true;
    });
    return ids;
}

std::vector<std::string> listEntries(HWND list) {
    return entries(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::string> comboEntries(HWND combo) {
    return entries(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int comboSelection(HWND combo) {
    return static_cast<int>(sendOr(combo, CB_GETCURSEL, 0, 0, CB_ERR));
}

std::string comboText(HWND combo) {
    const int index = comboSelection(combo);
    // With no entry selected, a text the box shows all the same is its
    // window text, where screen readers look for it.
    return index < 0
               ? textOf(combo)
               : wideText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(index), false);
}

std::string shownText(HWND hwnd) {
    const std::string cls = classOf(hwnd);
    if (sameClass(cls, "ListBox")) {
        const auto all = listEntries(hwnd);
        return all.empty() ? std::string{} : all.front();
    }
    if (sameClass(cls, "ComboBox")) {
        return comboText(hwnd);
    }
    return textOf(hwnd);
}

bool chooseComboEntry(HWND combo, int index) {
    LRESULT result = 0;
    if (!sendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, result) ||
        result != index) {
        return false;
    }
    // Sent, as the combo box sends it when the operator picks an entry: the
    // choice is handled before the next one is set. Posted, a choice set
    // while an earlier one was still queued was undone by that one's refresh.
    const int id = GetDlgCtrlID(combo);
    return sendWithTimeout(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(combo), result);
}

bool click(HWND button) {
    return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool mouseClick(HWND hwnd) {
    RECT r{};
    if (hwnd == nullptr || !GetWindowRect(hwnd, &r)) {
        return false;
    }
    const int x = (r.left + r.right) / 2;
    const int y = (r.top + r.bottom) / 2;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3]{};
    for (INPUT& in : input) {
        in.type = INPUT_MOUSE;
        in.mi.dx = static_cast<LONG>((x * 65535LL) / (width - 1));
        in.mi.dy = static_cast<LONG>((y * 65535LL) / (height - 1));
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    return SendInput(3, input, sizeof(INPUT)) == 3;
}

bool setText(HWND hwnd, const std::string& text) {
    const std::wstring wide = widen(text);
    LRESULT result = 0;
    return hwnd != nullptr &&
           sendWithTimeout(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), result,
                           true) &&
           result != 0;
}

void pressKey(WORD vk, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    auto key = [&](WORD code, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = code;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(code, 0));
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    };
    for (WORD m : modifiers) {
        key(m, false);
    }
    key(vk, false);
    key(vk, true);
    for (auto m = modifiers.end(); m != modifiers.begin();) {
        key(*--m, true);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND focusOf(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(top, nullptr);
    return thread != 0 && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

std::string dialogMessage(HWND dialog) {
    std::string texts;
    eachChild(dialog, [&](HWND hwnd) {
        const std::string text =
            classOf(hwnd) == "Static" && IsWindowVisible(hwnd) ? textOf(hwnd) : "";
        if (!text.empty()) {
            texts += (texts.empty() ? "" : "\n") + text;
        }
        return true;
    });
    return texts;
}

bool answer(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (button == nullptr) {
        button = control(dialog, buttonId);
    }
    if (button != nullptr) {
        return click(button);
    }
    // A message box with one button may have it under another id.
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0) != 0;
}

bool chooseFile(HWND fileDialog, const std::string& path) {
    // edt1, or the edit inside cmb13, whichever this dialog has.
    HWND name = control(fileDialog, 0x480);
    if (name == nullptr || !sameClass(classOf(name), "Edit")) {
        HWND combo = control(fileDialog, 0x47c);
        name = combo != nullptr ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
        if (name == nullptr) {
            name = combo;
        }
    }
    if (name == nullptr || !setText(name, path)) {
        return false;
    }
    return answer(fileDialog, IDOK);
}

bool captureWindow(HWND hwnd, const std::string& bmpPath) {
    RECT r{};
    if (!GetWindowRect(hwnd, &r)) {
        return false;
    }
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // What the screen shows there: another process's window cannot draw
    // into this one's device context.
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up rows, as BMP files keep them
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * height);
    const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height) {
        return false;
    }

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::FILE* f = std::fopen(bmpPath.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 &&
              std::fwrite(&header, sizeof header, 1, f) == 1 &&
              std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace tavrin::test::window
