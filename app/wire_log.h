#pragma once
// One line per byte written to the keyboard controller's data port:
// "<ms> <HH>", milliseconds since the program began talking to the device.

#include <cstdint>

#include "app/log_file.h"

namespace tavrin::app {

class WireLog : public LogFile {
public:
    void record(std::int64_t milliseconds, std::uint8_t byte);
};

}  // namespace tavrin::app
