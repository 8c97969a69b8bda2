#include "app/wire_log.h"

#include <cstdio>

namespace tavrin::app {

void WireLog::record(std::int64_t milliseconds, std::uint8_t byte) {
    if (!isOpen()) {
        return;
    }
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", byte);
    line(std::to_string(milliseconds) + hex);
}

}  // namespace tavrin::app
