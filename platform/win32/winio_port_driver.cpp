#include "platform/win32/winio_port_driver.h"

#include "platform/win32/windows_api.h"

#include <cctype>

namespace tavrin::platform::win32 {

bool isAbsoluteWindowsPath(const std::string& path) {
    auto sep = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        sep(path[2])) {
        return true;
    }
    return path.size() >= 3 && sep(path[0]) && sep(path[1]) && !sep(path[2]);
}

WinIoPortDriver::WinIoPortDriver(std::string programFolder) {
    while (!programFolder.empty() &&
           (programFolder.back() == '\\' || programFolder.back() == '/')) {
        programFolder.pop_back();
    }
    if (isAbsoluteWindowsPath(programFolder + "\\")) {
        libraryPath_ = programFolder + "\\" + kWinIoLibrary;
    }
}

WinIoPortDriver::~WinIoPortDriver() {
    ShutdownWinIo();
    unload();
}

bool WinIoPortDriver::load() {
    if (module_ != nullptr) {
        return true;
    }
    if (libraryPath_.empty()) {
        return false;
    }
    // A damaged file must fail the load quietly, without a system dialog.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    // Full path: no search. Altered search path: the library's own imports
    // are resolved from its folder first, not from the current directory.
    HMODULE module = LoadLibraryExA(libraryPath_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetThreadErrorMode(oldMode, nullptr);
    if (module == nullptr) {
        return false;
    }
    auto entry = [module](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(module, name));
    };
    auto initialize = entry("InitializeWinIo");
    auto shutdown = entry("ShutdownWinIo");
    auto getPortVal = entry("GetPortVal");
    auto setPortVal = entry("SetPortVal");
    if (!initialize || !shutdown || !getPortVal || !setPortVal) {
        FreeLibrary(module);
        return false;
    }
    module_ = module;
    initialize_ = reinterpret_cast<InitializeFn>(initialize);
    shutdown_ = reinterpret_cast<ShutdownFn>(shutdown);
    getPortVal_ = reinterpret_cast<GetPortValFn>(getPortVal);
    setPortVal_ = reinterpret_cast<SetPortValFn>(setPortVal);
    return true;
}

void WinIoPortDriver::unload() {
    if (module_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(module_));
    }
    module_ = nullptr;
    initialize_ = nullptr;
    shutdown_ = nullptr;
    getPortVal_ = nullptr;
    setPortVal_ = nullptr;
}

bool WinIoPortDriver::InitializeWinIo() {
    if (opened_) {
        return true;
    }
    if (!load()) {
        return false;
    }
    opened_ = initialize_();
    return opened_;
}

void WinIoPortDriver::ShutdownWinIo() {
    if (opened_ && shutdown_ != nullptr) {
        shutdown_();
    }
    opened_ = false;
}

bool WinIoPortDriver::GetPortVal(std::uint16_t port, std::uint32_t& value, int size) {
    value = 0;
    if (!opened_ || (size != 1 && size != 2 && size != 4)) {
        return false;
    }
    DWORD read = 0;
    bool ok =
        getPortVal_(port, reinterpret_cast<std::uint32_t*>(&read), static_cast<std::uint8_t>(size));
    value = ok ? static_cast<std::uint32_t>(read) : 0;
    return ok;
}

bool WinIoPortDriver::SetPortVal(std::uint16_t port, std::uint32_t value, int size) {
    if (!opened_ || (size != 1 && size != 2 && size != 4)) {
        return false;
    }
    return setPortVal_(port, value, static_cast<std::uint8_t>(size));
}

}  // namespace tavrin::platform::win32
