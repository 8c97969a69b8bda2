// The system family from the version query: every row of the name table,
// the caller's text on a platform the table does not know, and a failed
// query.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "link/os_name.h"
#include "support/fakes.h"

namespace tavrin::link {
namespace {

struct OsCase {
    std::optional<platform::OsVersionInfo> info;  // nullopt: the query fails
    const char* expectedName;
    const char* callersText = "";
};

void PrintTo(const OsCase& c, std::ostream* os) {
    if (!c.info) {
        *os << "failed query";
        return;
    }
    *os << "platform " << c.info->platformId << " " << c.info->majorVersion << "."
        << c.info->minorVersion << ", caller's text \"" << c.callersText << "\"";
}

class OsNameTable : public testing::TestWithParam<OsCase> {};

TEST_P(OsNameTable, NameAndVersionFromTheQuery) {
    const OsCase& c = GetParam();
    test::FakeVersion version;
    version.info = c.info;
    std::int16_t major = -1;
    std::int16_t minor = -1;
    std::string name = c.callersText;

    GetOsName(version, major, minor, name);
    EXPECT_EQ(name, c.expectedName);
    // A failed query gives version 0.0.
    const auto v = c.info.value_or(platform::OsVersionInfo{});
    EXPECT_EQ(major, static_cast<std::int16_t>(v.majorVersion));
    EXPECT_EQ(minor, static_cast<std::int16_t>(v.minorVersion));
    // Only the 9x family selects the Windows 98 layout.
    EXPECT_EQ(name == kWindows98Family, c.info && c.info->platformId == 1);
}

using V = platform::OsVersionInfo;

INSTANTIATE_TEST_SUITE_P(Windows9xFamily, OsNameTable,
                         testing::Values(OsCase{V{1, 4, 0}, "Windows 98"},     // 95
                                         OsCase{V{1, 4, 10}, "Windows 98"},    // 98
                                         OsCase{V{1, 4, 90}, "Windows 98"}));  // ME

INSTANTIATE_TEST_SUITE_P(
    NtFamily, OsNameTable,
    testing::Values(OsCase{V{2, 3, 51}, "Windows NT"}, OsCase{V{2, 4, 0}, "Windows NT"},
                    OsCase{V{2, 4, 10}, "Windows NT"}, OsCase{V{2, 5, 0}, "Windows NT"},
                    OsCase{V{2, 5, 1}, "Windows NT"}, OsCase{V{2, 6, 1}, "Windows NT"},
                    OsCase{V{2, 10, 0}, "Windows NT"}));

INSTANTIATE_TEST_SUITE_P(Win32s, OsNameTable,
                         testing::Values(OsCase{V{0, 3, 10}, "Windows 3.10"},
                                         OsCase{V{0, 3, 1}, "Windows 3.1"},
                                         OsCase{V{0, 3, 0}, "Windows 3.0"},
                                         OsCase{V{0, 4, 10}, "Windows 4.10"},
                                         OsCase{V{0, 12, 105}, "Windows 12.105"}));

// An unknown platform keeps the caller's text (the only real caller passes
// the empty one); a known one replaces it; a failed query empties it.
INSTANTIATE_TEST_SUITE_P(CallersText, OsNameTable,
                         testing::Values(OsCase{V{3, 6, 2}, "caller's text", "caller's text"},
                                         OsCase{V{3, 4, 10}, ""}, OsCase{V{7, 1, 0}, ""},
                                         OsCase{V{2, 5, 1}, "Windows NT", "Windows 98"},
                                         OsCase{std::nullopt, "", "Windows NT"}));

}  // namespace
}  // namespace tavrin::link
