#pragma once
// The system's version query (GetVersionEx): platform id and version numbers.

#include <cstdint>
#include <optional>

namespace tavrin::platform {

struct OsVersionInfo {
    std::uint32_t platformId = 0;  // 0 Win32s, 1 Windows 95/98/ME, 2 NT family
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
};

class VersionQuery {
public:
    virtual ~VersionQuery() = default;
    // nullopt when the query fails.
    virtual std::optional<OsVersionInfo> GetVersionEx() = 0;
};

}  // namespace tavrin::platform
