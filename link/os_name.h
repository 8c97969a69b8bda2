#pragma once
// The system family decides how the keyboard's typed dump arrives.

#include <cstdint>
#include <string>

#include "platform/version_query.h"

namespace tavrin::link {

inline constexpr const char* kWindows98Family = "Windows 98";

void GetOsName(platform::VersionQuery& query, std::int16_t& major, std::int16_t& minor,
               std::string& name);

}  // namespace tavrin::link
