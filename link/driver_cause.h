#pragma once
// Why InitializeWinIo failed, as far as the machine tells: the files, the
// rights, the driver's and the kernel's architecture, the driver's
// signature against Secure Boot and the code-integrity options.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_security.h"

namespace tavrin::link {

inline constexpr const char* kSecureBootKey =
    "SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State";
inline constexpr const char* kSecureBootValue = "UEFISecureBootEnabled";

struct DriverFacts {
    bool filesPresent = true;  // winio3.dll and winio3.sys, or the shipped copies start-up makes
    bool administrator = true;
    std::uint16_t driverMachine = 0;   // winio3.sys's PE header; 0 when unknown
    std::optional<bool> driverSigned;  // a security directory at all; nullopt when unknown
    std::uint16_t systemMachine = 0;   // the kernel's; 0 when unknown
    std::optional<bool> secureBoot;
    std::optional<std::uint32_t> codeIntegrity;  // kCodeIntegrity* bits
};

// One sentence: the likeliest reason the driver does not load, and what
// the operator can do about it.
std::string driverLoadCause(const DriverFacts& facts);

// Secure Boot's state as the firmware reported it at boot; nullopt on a
// machine without the value (older firmware, not a UEFI boot).
std::optional<bool> secureBootEnabled(platform::Registry& registry);

// What the program folder, the kernel and the registry tell; the facts of
// a missing seam stay unknown.
DriverFacts gatherDriverFacts(platform::FileSystem& files, platform::SystemSecurity* security,
                              platform::Registry* registry, bool administrator);

}  // namespace tavrin::link
