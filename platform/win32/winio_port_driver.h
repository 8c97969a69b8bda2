#pragma once
// The WinIo port-I/O library, loaded at run time. Only the copy in the
// program folder is ever loaded, by its full path: the program runs with
// administrator rights, and a library of that name planted anywhere on the
// system's search path must not get them.

#include <cstdint>
#include <string>

#include "platform/port_driver.h"

namespace tavrin::platform::win32 {

inline constexpr const char* kWinIoLibrary = "winio3.dll";

class WinIoPortDriver : public PortDriver {
public:
    // programFolder must be an absolute path; the library is looked for
    // there and nowhere else.
    explicit WinIoPortDriver(std::string programFolder);
    ~WinIoPortDriver() override;
    WinIoPortDriver(const WinIoPortDriver&) = delete;
    WinIoPortDriver& operator=(const WinIoPortDriver&) = delete;

    // Loads the library on first use (and again after a failed load, so a
    // repaired copy is picked up). A missing library or entry point is a
    // failed open.
    bool InitializeWinIo() override;
    void ShutdownWinIo() override;
    void operationEnded() override {}  // the port stays the program's
    bool keyboardCutOff() const override { return false; }  // Windows' driver keeps typing
    // False, value 0, while the driver is not open.
    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) override;
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) override;

    bool opened() const { return opened_; }
    bool libraryLoaded() const { return module_ != nullptr; }
    const std::string& libraryPath() const { return libraryPath_; }

private:
    bool load();
    void unload();

    using InitializeFn = bool(__stdcall*)();
    using ShutdownFn = void(__stdcall*)();
    using GetPortValFn = bool(__stdcall*)(std::uint16_t, std::uint32_t*, std::uint8_t);
    using SetPortValFn = bool(__stdcall*)(std::uint16_t, std::uint32_t, std::uint8_t);

    std::string libraryPath_;  // empty when the folder is not absolute
    void* module_ = nullptr;
    InitializeFn initialize_ = nullptr;
    ShutdownFn shutdown_ = nullptr;
    GetPortValFn getPortVal_ = nullptr;
    SetPortValFn setPortVal_ = nullptr;
    bool opened_ = false;
};

// True for "C:\..." and "\\server\share\...".
bool isAbsoluteWindowsPath(const std::string& path);

}  // namespace tavrin::platform::win32
