#pragma once
// What a port driver does with the controller's status and interrupt-mask
// ports, whatever stands behind it.

#include <gtest/gtest.h>

#include "link/command_channel.h"
#include "platform/port_driver.h"

namespace tavrin::test {

// The status port reads 0 (nothing to read, room to write); the mask reads
// back as written.
inline void expectStatusEmptyAndMaskKept(platform::PortDriver& port, std::uint32_t mask) {
    std::uint32_t value = 0xFFFFFFFF;
    EXPECT_TRUE(port.GetPortVal(link::kStatusPort, value, 1));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(port.SetPortVal(link::kInterruptMaskPort, mask, 1));
    EXPECT_TRUE(port.GetPortVal(link::kInterruptMaskPort, value, 1));
    EXPECT_EQ(value, mask);
}

}  // namespace tavrin::test
