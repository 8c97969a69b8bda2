#pragma once
// The keyboard port's raw byte stream (the kernel's serio_raw device): bytes
// written one at a time go to the keyboard, and whatever the keyboard sends
// (replies and scan codes) is read back.

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::platform {

class RawDevice {
public:
    enum class Io {
        Ok,
        Failed,  // the kernel refused this transfer (EIO); the device is still there
        Gone,    // the device has gone away; nothing passes any more
    };

    virtual ~RawDevice() = default;
    virtual Io writeByte(std::uint8_t byte) = 0;
    // Appends what has arrived, without waiting; Gone once the device has
    // hung up (after the bytes that came before).
    virtual Io readAvailable(std::vector<std::uint8_t>& bytes) = 0;
    // Returns when bytes may have arrived, or the device went, or after ms.
    virtual void waitReadable(std::uint32_t ms) = 0;
    // The system's words for the last Failed or Gone.
    virtual std::string lastError() const = 0;
};

}  // namespace tavrin::platform
