#pragma once
// The kernel's machine and its code-integrity options, as Windows reports
// them to a program of either bitness.

#include "platform/system_security.h"

namespace tavrin::platform::win32 {

// SystemCodeIntegrityInformation of NtQuerySystemInformation.
inline constexpr unsigned long kSystemCodeIntegrityInformation = 103;

class Win32SystemSecurity : public SystemSecurity {
public:
    // IsWow64Process2 where the system has it (Windows 10 1709 and later),
    // else GetNativeSystemInfo, which a 32-bit program under WOW64 also
    // answers with the kernel's processor.
    std::uint16_t nativeMachine() override;
    // NtQuerySystemInformation from ntdll, looked up at run time: it is no
    // part of the documented import libraries.
    std::optional<std::uint32_t> codeIntegrityOptions() override;
};

}  // namespace tavrin::platform::win32
