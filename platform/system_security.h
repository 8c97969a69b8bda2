#pragma once
// What decides whether Windows loads a kernel driver besides the driver
// itself: the kernel's own machine (a 32-bit driver never loads into a
// 64-bit kernel) and the code-integrity options (signature enforcement,
// test signing, memory integrity).

#include <cstdint>
#include <optional>

namespace tavrin::platform {

// CODEINTEGRITY_OPTION_* bits of SystemCodeIntegrityInformation.
inline constexpr std::uint32_t kCodeIntegrityEnabled = 0x01;
inline constexpr std::uint32_t kCodeIntegrityTestSign = 0x02;
inline constexpr std::uint32_t kCodeIntegrityHvci = 0x400;

class SystemSecurity {
public:
    virtual ~SystemSecurity() = default;
    // The kernel's machine (kMachineI386, kMachineAmd64, ...), also for a
    // 32-bit program under WOW64; 0 when the system will not tell.
    virtual std::uint16_t nativeMachine() = 0;
    // The code-integrity option bits; nullopt when the system will not tell.
    virtual std::optional<std::uint32_t> codeIntegrityOptions() = 0;
};

}  // namespace tavrin::platform
