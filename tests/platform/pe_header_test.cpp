// The PE header reader on crafted bytes: the machine of a library decides
// which build of the program can load it.

#include <gtest/gtest.h>

#include "platform/pe_header.h"

namespace tavrin::platform {
namespace {

// An MS-DOS header whose e_lfanew points at offset, and "PE\0\0" plus the
// machine there.
std::vector<std::uint8_t> image(std::uint32_t offset, std::uint16_t machine, std::size_t size = 0) {
    // 64-bit sums: the offsets near 4 GiB must not wrap in a 32-bit build.
    const std::uint64_t end = std::uint64_t{offset} + 24;
    std::vector<std::uint8_t> b(size != 0 ? size : static_cast<std::size_t>(end), 0);
    b[0] = 'M';
    b[1] = 'Z';
    for (int i = 0; i < 4; ++i) {
        b[0x3C + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    }
    if (std::uint64_t{offset} + 6 <= b.size()) {
        b[offset] = 'P';
        b[offset + 1] = 'E';
        b[offset + 4] = static_cast<std::uint8_t>(machine);
        b[offset + 5] = static_cast<std::uint8_t>(machine >> 8);
    }
    return b;
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> b, std::size_t size) {
    b.resize(size);
    return b;
}

TEST(PeHeader, MachinesOfWellFormedHeaders) {
    struct Case {
        std::uint32_t offset;
        std::uint16_t machine;
    } cases[] = {{0x80, kMachineI386},
                 {0x80, kMachineAmd64},
                 {0xF8, 0x01C4},
                 {0x40, kMachineAmd64},
                 {kPeHeadBytes - 6, kMachineI386}};
    for (const Case& c : cases) {
        PeHeader h = readPeHeader(image(c.offset, c.machine));
        EXPECT_EQ(h.status, PeStatus::Ok) << c.offset;
        EXPECT_EQ(h.machine, c.machine) << c.offset;
    }
}

TEST(PeHeader, TruncatedAndForeignBytes) {
    const auto good = image(0x80, kMachineI386);
    auto notPe = good;
    notPe[0x81] = 'X';
    auto noMz = good;
    noMz[0] = 'Z';
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        PeStatus status;
    } cases[] = {
        {"empty", {}, PeStatus::NotPe},
        {"one byte", {'M'}, PeStatus::NotPe},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, PeStatus::NotPe},
        {"no MZ", noMz, PeStatus::NotPe},
        {"no PE signature", notPe, PeStatus::NotPe},
        {"MZ only", cut(good, 2), PeStatus::Truncated},
        {"ends inside e_lfanew", cut(good, 0x3E), PeStatus::Truncated},
        {"ends before the header", cut(good, 0x60), PeStatus::Truncated},
        {"ends inside the machine", cut(good, 0x85), PeStatus::Truncated},
        {"header beyond what is read", image(kPeHeadBytes, kMachineI386, 0x40), PeStatus::NotPe},
        {"offset near 4 GiB", image(0xFFFFFFFE, 0, 0x40), PeStatus::NotPe},
    };
    for (const Case& c : cases) {
        PeHeader h = readPeHeader(c.bytes);
        EXPECT_EQ(h.status, c.status) << c.what;
        EXPECT_EQ(h.machine, 0) << c.what;
    }
    EXPECT_EQ(readPeHeader(cut(good, 0x86)).status, PeStatus::Ok) << "exactly to the machine";
}

// A header with an optional header of the given magic (0x10B PE32, 0x20B
// PE32+), `directories` data directories and a security directory of
// `securitySize` bytes.
std::vector<std::uint8_t> withDirectories(std::uint16_t magic, std::uint32_t directories,
                                          std::uint32_t securitySize) {
    auto b = image(0x80, magic == 0x10B ? kMachineI386 : kMachineAmd64, 0x200);
    const std::size_t optional = 0x80 + 24;
    const std::size_t fixed = optional + (magic == 0x10B ? 96 : 112);
    b[optional] = static_cast<std::uint8_t>(magic);
    b[optional + 1] = static_cast<std::uint8_t>(magic >> 8);
    b[fixed - 4] = static_cast<std::uint8_t>(directories);
    for (int i = 0; i < 4; ++i) {
        b[fixed + 8 * kSecurityDirectory + 4 + i] =
            static_cast<std::uint8_t>(securitySize >> (8 * i));
    }
    return b;
}

TEST(PeHeader, TheSecurityDirectoryTellsWhetherAFileIsSigned) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool read;
        bool hasSignature;
    } cases[] = {
        {"PE32, signed", withDirectories(0x10B, 16, 0x1A28), true, true},
        {"PE32+, signed", withDirectories(0x20B, 16, 0x2000), true, true},
        {"PE32, unsigned", withDirectories(0x10B, 16, 0), true, false},
        {"PE32+, unsigned", withDirectories(0x20B, 16, 0), true, false},
        {"PE32+, size only in the top byte", withDirectories(0x20B, 16, 0x01000000), true, true},
        {"four directories: no security entry", withDirectories(0x20B, 4, 0x100), true, false},
        {"unknown magic", withDirectories(0x107, 16, 0x100), false, false},
        {"ends inside the PE32+ fixed part",
         cut(withDirectories(0x20B, 16, 0x100), 0x80 + 24 + 100), false, false},
        {"ends inside the security entry",
         cut(withDirectories(0x20B, 16, 0x100), 0x80 + 24 + 112 + 36), false, false},
        {"no optional header at all", image(0x80, kMachineAmd64), false, false},
    };
    for (const Case& c : cases) {
        const PeHeader h = readPeHeader(c.bytes);
        EXPECT_EQ(h.status, PeStatus::Ok) << c.what;
        EXPECT_EQ(h.optionalHeaderRead, c.read) << c.what;
        EXPECT_EQ(h.hasSignature, c.hasSignature) << c.what;
    }
}

TEST(PeHeader, MachineNames) {
    EXPECT_EQ(machineName(kMachineI386), "32-bit (i386)");
    EXPECT_EQ(machineName(kMachineAmd64), "64-bit (x86-64)");
    EXPECT_EQ(machineName(0xAA64), "machine 0xAA64");
#if defined(__x86_64__)
    EXPECT_EQ(buildMachine(), kMachineAmd64);
#elif defined(__i386__)
    EXPECT_EQ(buildMachine(), kMachineI386);
#endif
}

}  // namespace
}  // namespace tavrin::platform
