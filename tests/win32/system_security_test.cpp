// The kernel's machine, its code-integrity options, Secure Boot's state
// and number values in the registry, against Wine's own answers: what
// Wine says is not fixed, so only that each query answers plausibly.

#include <gtest/gtest.h>

#include "link/driver_cause.h"
#include "platform/pe_header.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system_security.h"
#include "win32_test_support.h"

namespace tavrin::test::win32 {
namespace {

using platform::RegistryRoot;
using platform::win32::Win32Registry;
using platform::win32::Win32SystemSecurity;

TEST(Win32SystemSecurity, TheKernelIsAtLeastAsWideAsThisProgram) {
    Win32SystemSecurity security;
    const std::uint16_t machine = security.nativeMachine();
    // A 64-bit program runs on a 64-bit kernel only; a 32-bit one on either.
    if (platform::buildMachine() == platform::kMachineAmd64) {
        EXPECT_EQ(machine, platform::kMachineAmd64);
    } else {
        EXPECT_TRUE(machine == platform::kMachineI386 || machine == platform::kMachineAmd64 ||
                    machine == 0xAA64)
            << std::hex << machine;
    }
}

TEST(Win32SystemSecurity, CodeIntegrityOptionsHoldOnlyKnownBits) {
    Win32SystemSecurity security;
    const auto options = security.codeIntegrityOptions();
    if (options) {
        // Defined option bits reach 0x8000 at most; anything above is no answer.
        EXPECT_EQ(*options & 0xFFFF0000u, 0u) << std::hex << *options;
    }
    // Asked twice, the system answers the same.
    EXPECT_EQ(security.codeIntegrityOptions(), options);
}

constexpr const char* kTestKey = "SOFTWARE\\Tavrin Win32 Dword Test";

TEST(Win32RegistryNumbers, DwordValuesAndSecureBootsState) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    const char text[] = "1";
    const unsigned char word[2] = {1, 0};
    RegSetValueExA(key, "ON", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegSetValueExA(key, "TEXT", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegSetValueExA(key, "SHORT", 0, REG_BINARY, word, sizeof word);
    Win32Registry registry;
    EXPECT_EQ(registry.GetDwordValue(RegistryRoot::LocalMachine, kTestKey, "ON"),
              std::optional<std::uint32_t>(1));
    EXPECT_FALSE(registry.GetDwordValue(RegistryRoot::LocalMachine, kTestKey, "TEXT"));
    EXPECT_FALSE(registry.GetDwordValue(RegistryRoot::LocalMachine, kTestKey, "SHORT"));
    EXPECT_FALSE(registry.GetDwordValue(RegistryRoot::LocalMachine, kTestKey, "NONE"));
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);

    // Wine boots no firmware: the value is missing, or a plain 0 or 1.
    const auto raw = registry.GetDwordValue(RegistryRoot::LocalMachine, link::kSecureBootKey,
                                            link::kSecureBootValue);
    EXPECT_TRUE(!raw || *raw <= 1u);
    EXPECT_EQ(link::secureBootEnabled(registry).has_value(), raw.has_value());
}

}  // namespace
}  // namespace tavrin::test::win32
