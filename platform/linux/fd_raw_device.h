#pragma once
// The raw keyboard port over an open file descriptor: /dev/serio_rawN on the
// machine, one end of a socket pair in tests. The descriptor is owned and
// switched to non-blocking.

#include "platform/raw_device.h"

namespace tavrin::platform {

class FdRawDevice : public RawDevice {
public:
    explicit FdRawDevice(int fd);
    ~FdRawDevice() override;
    FdRawDevice(const FdRawDevice&) = delete;
    FdRawDevice& operator=(const FdRawDevice&) = delete;

    Io writeByte(std::uint8_t byte) override;
    Io readAvailable(std::vector<std::uint8_t>& bytes) override;
    void waitReadable(std::uint32_t ms) override;
    std::string lastError() const override { return lastError_; }

private:
    Io fail(Io io, int error);

    int fd_;
    bool gone_ = false;
    std::string lastError_;
};

}  // namespace tavrin::platform
