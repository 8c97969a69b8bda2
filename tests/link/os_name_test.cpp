// The system family from the version query: every row of the name table.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "link/os_name.h"
#include "support/fakes.h"

namespace tavrin::link {
namespace {

struct OsCase {
    std::uint32_t platformId;
    std::uint32_t major;
    std::uint32_t minor;
    const char* expectedName;
};

void PrintTo(const OsCase& c, std::ostream* os) {
    *os << "platform " << c.platformId << " " << c.major << "." << c.minor;
}

class OsNameTable : public testing::TestWithParam<OsCase> {};

TEST_P(OsNameTable, NameAndVersionFromTheQuery) {
    const OsCase& c = GetParam();
    test::FakeVersion version;
    version.info = platform::OsVersionInfo{c.platformId, c.major, c.minor};
    std::int16_t major = -1;
    std::int16_t minor = -1;
    std::string name;

    GetOsName(version, major, minor, name);
    EXPECT_EQ(name, c.expectedName);
    EXPECT_EQ(major, static_cast<std::int16_t>(c.major));
    EXPECT_EQ(minor, static_cast<std::int16_t>(c.minor));
}

INSTANTIATE_TEST_SUITE_P(
    Windows9xFamily, OsNameTable,
    testing::Values(OsCase{1, 4, 0, "Windows 98"},    // 95
                    OsCase{1, 4, 10, "Windows 98"},   // 98
                    OsCase{1, 4, 90, "Windows 98"}));  // ME

INSTANTIATE_TEST_SUITE_P(
    NtFamily, OsNameTable,
    testing::Values(OsCase{2, 3, 51, "Windows NT"}, OsCase{2, 4, 0, "Windows NT"},
                    OsCase{2, 5, 0, "Windows NT"}, OsCase{2, 5, 1, "Windows NT"},
                    OsCase{2, 6, 1, "Windows NT"}, OsCase{2, 10, 0, "Windows NT"}));

INSTANTIATE_TEST_SUITE_P(
    Win32s, OsNameTable,
    testing::Values(OsCase{0, 3, 10, "Windows 3.10"}, OsCase{0, 3, 1, "Windows 3.1"},
                    OsCase{0, 3, 0, "Windows 3.0"}, OsCase{0, 12, 105, "Windows 12.105"}));

TEST(OsName, OnlyThe9xFamilySelectsTheWindows98Layout) {
    test::FakeVersion version;
    std::int16_t major = 0;
    std::int16_t minor = 0;
    for (std::uint32_t id : {0u, 2u, 3u}) {
        version.info = platform::OsVersionInfo{id, 4, 10};
        std::string name;
        GetOsName(version, major, minor, name);
        EXPECT_NE(name, kWindows98Family) << "platform " << id;
    }
}

TEST(OsName, UnknownPlatformKeepsTheCallersText) {
    test::FakeVersion version;
    version.info = platform::OsVersionInfo{3, 6, 2};
    std::int16_t major = 0;
    std::int16_t minor = 0;

    std::string name = "caller's text";
    GetOsName(version, major, minor, name);
    EXPECT_EQ(name, "caller's text");
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 2);

    // The only real caller passes the empty text.
    std::string empty;
    version.info = platform::OsVersionInfo{7, 1, 0};
    GetOsName(version, major, minor, empty);
    EXPECT_TRUE(empty.empty());
}

TEST(OsName, KnownPlatformReplacesTheCallersText) {
    test::FakeVersion version;
    version.info = platform::OsVersionInfo{2, 5, 1};
    std::int16_t major = 0;
    std::int16_t minor = 0;
    std::string name = "Windows 98";
    GetOsName(version, major, minor, name);
    EXPECT_EQ(name, "Windows NT");
}

TEST(OsName, FailedQueryGivesEmptyNameAndZeroVersion) {
    test::FakeVersion version;
    version.info = std::nullopt;
    std::int16_t major = 5;
    std::int16_t minor = 1;
    std::string name = "Windows NT";

    GetOsName(version, major, minor, name);
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(major, 0);
    EXPECT_EQ(minor, 0);
}

}  // namespace
}  // namespace tavrin::link
