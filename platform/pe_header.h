#pragma once
// The machine a Windows library was built for, from its PE header: a
// 64-bit program cannot load a 32-bit winio3.dll, nor the other way round,
// and the system only says that the load failed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::platform {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
// The PE header normally follows the MS-DOS stub within the first few
// hundred bytes; a header further out is not looked for.
inline constexpr std::size_t kPeHeadBytes = 4096;

enum class PeStatus {
    Ok,         // machine is valid
    Truncated,  // an MS-DOS header, but the bytes end before the machine field
    NotPe,      // no "MZ" or no "PE\0\0" where the header says
};

// IMAGE_DIRECTORY_ENTRY_SECURITY: where an Authenticode signature sits.
inline constexpr std::uint32_t kSecurityDirectory = 4;

struct PeHeader {
    PeStatus status = PeStatus::NotPe;
    std::uint16_t machine = 0;
    // The optional header was within the bytes read, and its security
    // directory has a size: the file carries a signature (whose chain
    // this does not check).
    bool optionalHeaderRead = false;
    bool hasSignature = false;
};

// Reads the first bytes of a file (at most kPeHeadBytes are needed).
PeHeader readPeHeader(const std::vector<std::uint8_t>& head);

// The machine this program was compiled for; 0 on other processors.
constexpr std::uint16_t buildMachine() {
#if defined(__x86_64__) || defined(_M_X64)
    return kMachineAmd64;
#elif defined(__i386__) || defined(_M_IX86)
    return kMachineI386;
#else
    return 0;
#endif
}

// "32-bit (i386)", "64-bit (x86-64)" or "machine 0x01C4".
std::string machineName(std::uint16_t machine);

}  // namespace tavrin::platform
