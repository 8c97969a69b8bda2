// The test double of the WinIo port-I/O library, "winio3.dll", for tests
// under Wine only; it is never shipped. Behind the four entry points sit an
// i8042 keyboard controller (status port 0x64, data port 0x60), the master
// interrupt controller's mask register (0x21) and the keyboard's firmware as
// far as the program relies on it: framed commands in, the EEPROM answer
// typed back as real keystrokes.
//
// Set through the environment of the process that loads it:
//   TAVRIN_WINIO_LOG        file to which every data-port byte is appended,
//                           one per line in hex ("E7"); a byte written while
//                           IRQ1 was unmasked is marked " unmasked", one
//                           written while the controller was busy " overrun"
//   TAVRIN_WINIO_EEPROM     512-byte settings file holding the EEPROM
//   TAVRIN_WINIO_VERSION    firmware version "major.minor" (default 1.7)
//   TAVRIN_WINIO_INIT       "fail": InitializeWinIo returns false
//   TAVRIN_WINIO_STATUS     "stuck": the controller never takes a byte
//   TAVRIN_WINIO_BUSY_READS status reads the controller stays busy after a
//                           byte (default 2)
//   TAVRIN_WINIO_KEYPAD     "navigation": keypad nibbles typed with Num
//                           Lock off (VK_HOME, VK_UP, ...)
//   TAVRIN_WINIO_TYPE_DELAY_MS  pause before the answer (default 400)
//   TAVRIN_WINIO_CLOSED     file that ShutdownWinIo writes ("closed"), so a
//                           test sees that the program closed the driver

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef WINIO_DOUBLE_EXPORT
#define WINIO_DOUBLE_EXPORT extern "C" __declspec(dllexport)
#endif

namespace {

constexpr std::uint16_t kDataPort = 0x60;
constexpr std::uint16_t kStatusPort = 0x64;
constexpr std::uint16_t kMaskPort = 0x21;
constexpr std::uint32_t kInputBufferFull = 0x02;
constexpr std::uint32_t kIrq1 = 0x02;
constexpr int kAnswerKeys = 290;  // the answer as the NT family receives it

struct NibbleKey {
    WORD vk;
    WORD navigationVk;  // the keypad key with Num Lock off; 0 if none
};
// Nibble n is the key whose set-1 make code is 0x40 + n.
constexpr NibbleKey kNibbleKeys[16] = {
    {VK_F6, 0},
    {VK_F7, 0},
    {VK_F8, 0},
    {VK_F9, 0},
    {VK_F10, 0},
    {VK_NUMLOCK, 0},
    {VK_SCROLL, 0},
    {VK_NUMPAD7, VK_HOME},
    {VK_NUMPAD8, VK_UP},
    {VK_NUMPAD9, VK_PRIOR},
    {VK_SUBTRACT, 0},
    {VK_NUMPAD4, VK_LEFT},
    {VK_NUMPAD5, VK_CLEAR},
    {VK_NUMPAD6, VK_RIGHT},
    {VK_ADD, 0},
    {VK_NUMPAD1, VK_END},
};

struct Key {
    WORD vk;
    WORD scan;
};

enum class FrameState { Idle, Start1, Start2, InFrame, DataNext };

struct Device {
    bool open = false;
    // i8042
    bool stuck = false;
    int busyReads = 2;
    int busyLeft = 0;
    std::uint32_t mask = 0xB8;
    // keyboard
    FrameState state = FrameState::Idle;
    std::vector<std::uint8_t> data;
    std::uint8_t eeprom[128] = {};
    int versionMajor = 1;
    int versionMinor = 7;
    bool navigationKeypad = false;
    DWORD typeDelayMs = 400;
    // answer
    HANDLE typist = nullptr;
    std::atomic<bool> stopTyping{false};
    std::vector<Key> answer;
    std::FILE* log = nullptr;
};

Device g_device;

std::string env(const char* name) {
    char buffer[1024];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return (n == 0 || n >= sizeof buffer) ? std::string{} : std::string(buffer, n);
}

void defaultEeprom() {
    g_device.eeprom[0] = 0x55;
    g_device.eeprom[1] = 0xAA;
    for (int a = 2; a < 128; ++a) {
        g_device.eeprom[a] = static_cast<std::uint8_t>(a * 37 + 11);
    }
}

void loadEeprom(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return;
    }
    unsigned char bytes[512] = {};
    std::size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    // Little-endian 32-bit values; the EEPROM keeps the low byte of each.
    for (std::size_t a = 0; a < 128 && 4 * a < n; ++a) {
        g_device.eeprom[a] = bytes[4 * a];
    }
}

Key keyForNibble(int n) {
    const NibbleKey& k = kNibbleKeys[n & 0x0F];
    WORD vk = (g_device.navigationKeypad && k.navigationVk != 0) ? k.navigationVk : k.vk;
    return {vk, static_cast<WORD>(0x40 + (n & 0x0F))};
}

// Positions 30, 31: the version; 33..288: the EEPROM, high nibble first;
// the rest are letters the program must skip without looking at them.
void buildAnswer() {
    g_device.answer.clear();
    for (int k = 0; k < kAnswerKeys; ++k) {
        if (k == 30) {
            g_device.answer.push_back(keyForNibble(g_device.versionMajor));
        } else if (k == 31) {
            g_device.answer.push_back(keyForNibble(g_device.versionMinor));
        } else if (k >= 33 && k <= 288) {
            int nibble = k - 33;
            std::uint8_t byte = g_device.eeprom[nibble / 2];
            g_device.answer.push_back(keyForNibble(nibble % 2 == 0 ? byte >> 4 : byte & 0x0F));
        } else {
            WORD letter = static_cast<WORD>('A' + k % 26);
            g_device.answer.push_back({letter, static_cast<WORD>(MapVirtualKeyA(letter, 0))});
        }
    }
}

// The keyboard sends each nibble as the key's break code, so each arrives
// as one key-up.
DWORD WINAPI typeAnswer(void*) {
    Sleep(g_device.typeDelayMs);
    for (const Key& key : g_device.answer) {
        if (g_device.stopTyping) {
            break;
        }
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key.vk;
        input.ki.wScan = key.scan;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
        Sleep(1);
    }
    return 0;
}

void waitForTypist() {
    if (g_device.typist != nullptr) {
        g_device.stopTyping = true;
        WaitForSingleObject(g_device.typist, 10000);
        CloseHandle(g_device.typist);
        g_device.typist = nullptr;
    }
}

void runCommand() {
    const auto& d = g_device.data;
    if (d.size() == 2 && d[0] == 0x63 && d[1] == 0x52) {
        waitForTypist();
        buildAnswer();
        g_device.stopTyping = false;
        g_device.typist = CreateThread(nullptr, 0, typeAnswer, nullptr, 0, nullptr);
    }
}

[[maybe_unused]] void keyboardReceives(std::uint8_t b) {
    switch (g_device.state) {
        case FrameState::Idle:
            if (b == 0xE7) {
                g_device.state = FrameState::Start1;
            }
            break;
        case FrameState::Start1:
            g_device.state = b == 0x55   ? FrameState::Start2
                             : b == 0xE7 ? FrameState::Start1
                                         : FrameState::Idle;
            break;
        case FrameState::Start2:
            g_device.state = b == 0xAA ? FrameState::InFrame : FrameState::Idle;
            g_device.data.clear();
            break;
        case FrameState::InFrame:
            if (b == 0xE3) {
                g_device.state = FrameState::DataNext;
            } else if (b == 0xE6) {
                runCommand();
                g_device.state = FrameState::Idle;
            } else {
                g_device.state = b == 0xE7 ? FrameState::Start1 : FrameState::Idle;
            }
            break;
        case FrameState::DataNext:
            g_device.data.push_back(b);
            g_device.state = FrameState::InFrame;
            break;
    }
}

[[maybe_unused]] void record(std::uint8_t b, const char* note) {
    if (g_device.log != nullptr) {
        std::fprintf(g_device.log, "%02X%s\n", b, note);
        std::fflush(g_device.log);
    }
}

}  // namespace

WINIO_DOUBLE_EXPORT bool __stdcall InitializeWinIo() {
    if (env("TAVRIN_WINIO_INIT") == "fail") {
        return false;
    }
    if (g_device.open) {
        return true;
    }
    defaultEeprom();
    if (auto path = env("TAVRIN_WINIO_EEPROM"); !path.empty()) {
        loadEeprom(path);
    }
    if (auto v = env("TAVRIN_WINIO_VERSION"); !v.empty()) {
        std::sscanf(v.c_str(), "%d.%d", &g_device.versionMajor, &g_device.versionMinor);
    }
    if (auto n = env("TAVRIN_WINIO_BUSY_READS"); !n.empty()) {
        g_device.busyReads = std::atoi(n.c_str());
    }
    if (auto ms = env("TAVRIN_WINIO_TYPE_DELAY_MS"); !ms.empty()) {
        g_device.typeDelayMs = static_cast<DWORD>(std::atoi(ms.c_str()));
    }
    g_device.stuck = env("TAVRIN_WINIO_STATUS") == "stuck";
    g_device.navigationKeypad = env("TAVRIN_WINIO_KEYPAD") == "navigation";
    if (auto path = env("TAVRIN_WINIO_LOG"); !path.empty()) {
        g_device.log = std::fopen(path.c_str(), "ab");
    }
    g_device.state = FrameState::Idle;
    g_device.busyLeft = 0;
    g_device.open = true;
    return true;
}

WINIO_DOUBLE_EXPORT void __stdcall ShutdownWinIo() {
    waitForTypist();
    if (g_device.log != nullptr) {
        std::fclose(g_device.log);
        g_device.log = nullptr;
    }
    if (auto path = env("TAVRIN_WINIO_CLOSED"); !path.empty()) {
        if (std::FILE* note = std::fopen(path.c_str(), "wb")) {
            std::fputs(g_device.open ? "closed\n" : "closed, never opened\n", note);
            std::fclose(note);
        }
    }
    g_device.open = false;
}

WINIO_DOUBLE_EXPORT bool __stdcall GetPortVal(std::uint16_t port, std::uint32_t* value,
                                              std::uint8_t size) {
    if (!g_device.open || value == nullptr || size != 1) {
        return false;
    }
    switch (port) {
        case kStatusPort:
            if (g_device.stuck) {
                *value = kInputBufferFull;
            } else if (g_device.busyLeft > 0) {
                --g_device.busyLeft;
                *value = kInputBufferFull;
            } else {
                *value = 0;
            }
            return true;
        case kMaskPort:
            *value = g_device.mask;
            return true;
        case kDataPort:
            *value = 0;
            return true;
        default:
            return false;
    }
}

#ifndef WINIO_DOUBLE_WITHOUT_SETPORTVAL
WINIO_DOUBLE_EXPORT bool __stdcall SetPortVal(std::uint16_t port, std::uint32_t value,
                                              std::uint8_t size) {
    if (!g_device.open || size != 1) {
        return false;
    }
    auto b = static_cast<std::uint8_t>(value & 0xFF);
    switch (port) {
        case kDataPort:
            if (g_device.stuck || g_device.busyLeft > 0) {
                record(b, " overrun");  // written without waiting for the controller
                return true;
            }
            record(b, (g_device.mask & kIrq1) ? "" : " unmasked");
            g_device.busyLeft = g_device.busyReads;
            keyboardReceives(b);
            return true;
        case kMaskPort:
            g_device.mask = b;
            return true;
        default:
            return false;
    }
}
#endif
