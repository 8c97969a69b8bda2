#include "platform/pe_header.h"

#include <cstdio>

namespace tavrin::platform {

namespace {

constexpr std::size_t kNewHeaderOffset = 0x3C;  // e_lfanew in the MS-DOS header
constexpr std::size_t kFileHeaderBytes = 20;    // after "PE\0\0"
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;

std::uint32_t little(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    }
    return v;
}

// The optional header's data directories follow its fixed part: 96 bytes
// in a PE32 file, 112 in a PE32+ one, whose last field counts them; each
// entry is an address and a size.
void readSecurityDirectory(const std::vector<std::uint8_t>& b, std::size_t pe, PeHeader& header) {
    const std::uint64_t optional = std::uint64_t{pe} + 4 + kFileHeaderBytes;
    if (optional + 2 > b.size()) {
        return;
    }
    const auto magic = little(b, static_cast<std::size_t>(optional), 2);
    if (magic != kPe32 && magic != kPe32Plus) {
        return;
    }
    const std::uint64_t fixed = optional + (magic == kPe32 ? 96 : 112);
    if (fixed > b.size()) {
        return;
    }
    const auto directories = little(b, static_cast<std::size_t>(fixed - 4), 4);
    const std::uint64_t entry = fixed + 8 * std::uint64_t{kSecurityDirectory};
    if (directories > kSecurityDirectory) {
        if (entry + 8 > b.size()) {
            return;
        }
        header.hasSignature = little(b, static_cast<std::size_t>(entry + 4), 4) != 0;
    }
    header.optionalHeaderRead = true;
}

}  // namespace

PeHeader readPeHeader(const std::vector<std::uint8_t>& head) {
    PeHeader header;
    if (head.size() < 2 || head[0] != 'M' || head[1] != 'Z') {
        return header;
    }
    if (head.size() < kNewHeaderOffset + 4) {
        header.status = PeStatus::Truncated;
        return header;
    }
    // 64-bit arithmetic: an offset near 4 GiB must not wrap past the check.
    const std::uint64_t pe = little(head, kNewHeaderOffset, 4);
    if (pe + 6 > head.size()) {
        header.status = pe + 6 > kPeHeadBytes ? PeStatus::NotPe : PeStatus::Truncated;
        return header;
    }
    const auto at = static_cast<std::size_t>(pe);
    if (head[at] != 'P' || head[at + 1] != 'E' || head[at + 2] != 0 || head[at + 3] != 0) {
        return header;
    }
    header.status = PeStatus::Ok;
    header.machine = static_cast<std::uint16_t>(little(head, at + 4, 2));
    readSecurityDirectory(head, at, header);
    return header;
}

std::string machineName(std::uint16_t machine) {
    switch (machine) {
        case kMachineI386:
            return "32-bit (i386)";
        case kMachineAmd64:
            return "64-bit (x86-64)";
        default: {
            char text[24];
            std::snprintf(text, sizeof text, "machine 0x%04X", machine);
            return text;
        }
    }
}

}  // namespace tavrin::platform
