#pragma once
// The registry values that locate the system information viewer, and
// starting a program by its path.

#include "platform/registry.h"

namespace tavrin::platform::win32 {

inline constexpr unsigned long kRegistryAccess = 0x2003F;
inline constexpr unsigned long kRegistryValueBuffer = 1024;

class Win32Registry : public Registry {
public:
    // RegOpenKeyExA, RegQueryValueExA into 1024 bytes, RegCloseKey. Values
    // of another type than text are not taken. The program's own registry
    // view first; when the key or value is not there, the other view (the
    // 64-bit one for a 32-bit program, and the other way round).
    std::optional<std::string> GetKeyValue(RegistryRoot root, const std::string& keyName,
                                           const std::string& valueName) override;
    // The same lookup for a REG_DWORD value.
    std::optional<std::uint32_t> GetDwordValue(RegistryRoot root, const std::string& keyName,
                                               const std::string& valueName) override;
};

// KEY_WOW64_32KEY in a 64-bit program, KEY_WOW64_64KEY in a 32-bit one.
unsigned long otherRegistryView();

class Win32Launcher : public ProgramLauncher {
public:
    // CreateProcessA of exactly that file (no search), normal focused window.
    bool startProgram(const std::string& path) override;
};

}  // namespace tavrin::platform::win32
