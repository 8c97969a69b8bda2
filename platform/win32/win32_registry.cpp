#include "platform/win32/win32_registry.h"

#include "platform/win32/windows_api.h"

namespace tavrin::platform::win32 {

namespace {

std::optional<std::string> readTextValue(HKEY rootKey, const std::string& keyName,
                                         const std::string& valueName, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, keyName.c_str(), 0, kRegistryAccess | view, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char buffer[kRegistryValueBuffer];
    DWORD size = kRegistryValueBuffer;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ || size > kRegistryValueBuffer) {
        return std::nullopt;
    }
    std::string text(buffer, size);
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::optional<std::uint32_t> readDwordValue(HKEY rootKey, const std::string& keyName,
                                            const std::string& valueName, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey, keyName.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) {
        return std::nullopt;
    }
    return value;
}

HKEY rootKeyOf(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
    }
    return HKEY_LOCAL_MACHINE;
}

}  // namespace

unsigned long otherRegistryView() {
    return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

std::optional<std::string> Win32Registry::GetKeyValue(RegistryRoot root, const std::string& keyName,
                                                      const std::string& valueName) {
    HKEY rootKey = HKEY_LOCAL_MACHINE;
    switch (root) {
        case RegistryRoot::LocalMachine:
            rootKey = HKEY_LOCAL_MACHINE;
            break;
    }
    if (auto text = readTextValue(rootKey, keyName, valueName, 0)) {
        return text;
    }
    // 32-bit and 64-bit programs see separate copies of most of the
    // machine's software keys; a value the installer left in the other copy
    // is still the machine's.
    return readTextValue(rootKey, keyName, valueName, otherRegistryView());
}

std::optional<std::uint32_t> Win32Registry::GetDwordValue(RegistryRoot root,
                                                          const std::string& keyName,
                                                          const std::string& valueName) {
    const HKEY rootKey = rootKeyOf(root);
    if (auto value = readDwordValue(rootKey, keyName, valueName, 0)) {
        return value;
    }
    return readDwordValue(rootKey, keyName, valueName, otherRegistryView());
}

bool Win32Launcher::startProgram(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // The command line names the program in quotes; the application name
    // fixes which file runs, so a path with spaces starts nothing else.
    std::string commandLine = "\"" + path + "\"";
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    // Hand the new program the right to take the foreground.
    AllowSetForegroundWindow(process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace tavrin::platform::win32
