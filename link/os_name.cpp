#include "link/os_name.h"

namespace tavrin::link {

void GetOsName(platform::VersionQuery& query, std::int16_t& major, std::int16_t& minor,
               std::string& name) {
    auto info = query.GetVersionEx();
    if (!info) {
        major = 0;
        minor = 0;
        name.clear();
        return;
    }
    major = static_cast<std::int16_t>(info->majorVersion);
    minor = static_cast<std::int16_t>(info->minorVersion);
    switch (info->platformId) {
        case 0:  // Win32s
            name = "Windows " + std::to_string(major) + "." + std::to_string(minor);
            break;
        case 1:
            name = kWindows98Family;
            break;
        case 2:
            name = "Windows NT";
            break;
        default:
            break;  // the caller's text stays
    }
}

}  // namespace tavrin::link
