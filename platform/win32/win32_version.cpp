#include "platform/win32/win32_version.h"

#include "platform/win32/windows_api.h"

namespace tavrin::platform::win32 {

static_assert(sizeof(OSVERSIONINFOA) == kVersionRecordSize);

std::optional<OsVersionInfo> Win32Version::GetVersionEx() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = kVersionRecordSize;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    if (!ok) {
        return std::nullopt;
    }
    return OsVersionInfo{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
}

}  // namespace tavrin::platform::win32
