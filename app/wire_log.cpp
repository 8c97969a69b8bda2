#include "app/wire_log.h"

#include "ui/profile_diff.h"

namespace tavrin::app {

void WireLog::record(std::int64_t milliseconds, std::uint8_t byte) {
    if (!isOpen()) {
        return;
    }
    line(std::to_string(milliseconds) + ' ' + ui::hexValue(byte));
}

}  // namespace tavrin::app
