#pragma once
// A 512-byte Windows image header for the driver and library checks: "MZ",
// "PE" at 0x80 with the machine, and, when signed is given, the optional
// header with a security directory (present when signed).

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/pe_header.h"

namespace tavrin::test {

inline std::vector<std::uint8_t> peBytes(std::uint16_t machine,
                                         std::optional<bool> signedImage = std::nullopt) {
    std::vector<std::uint8_t> b(0x200, 0);
    b[0] = 'M';
    b[1] = 'Z';
    b[0x3C] = 0x80;
    b[0x80] = 'P';
    b[0x81] = 'E';
    b[0x84] = static_cast<std::uint8_t>(machine);
    b[0x85] = static_cast<std::uint8_t>(machine >> 8);
    if (signedImage) {
        const bool pe32 = machine == platform::kMachineI386;
        const std::size_t optional = 0x80 + 24;
        const std::size_t fixed = optional + (pe32 ? 96 : 112);
        b[optional] = 0x0B;
        b[optional + 1] = pe32 ? 0x01 : 0x02;
        b[fixed - 4] = 16;
        b[fixed + 8 * platform::kSecurityDirectory + 5] = *signedImage ? 0x10 : 0;
    }
    return b;
}

}  // namespace tavrin::test
