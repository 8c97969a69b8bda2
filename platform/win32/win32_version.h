#pragma once
// GetVersionExA with the 148-byte version record.

#include "platform/version_query.h"

namespace tavrin::platform::win32 {

inline constexpr unsigned kVersionRecordSize = 148;  // OSVERSIONINFOA

class Win32Version : public VersionQuery {
public:
    std::optional<OsVersionInfo> GetVersionEx() override;
};

}  // namespace tavrin::platform::win32
