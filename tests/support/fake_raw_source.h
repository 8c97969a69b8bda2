#pragma once
// The raw port's source over a fake serio bus: open binds serio_raw and
// hands out a descriptor the test's device stands in for; release binds
// atkbd, as the helper does. Lent passes the double's device to a backend
// that wants to own one.

#include <string>

#include "platform/linux/raw_port_source.h"
#include "platform/raw_device.h"

namespace tavrin::test {

class FakeSource : public platform::RawPortSource {
public:
    explicit FakeSource(platform::SerioBus& bus) : bus_(bus) {}
    platform::OpenedRawPort open(const platform::KeyboardPort& port, std::string& reason) override {
        ++opens;
        if (refuse) {
            reason = "refused";
            return {};
        }
        platform::bindRawDriver(bus_, port, reason);
        port_ = port;
        return {100, port.translation};
    }
    void release() override {
        ++releases;
        std::string ignored;
        platform::bindKeyboardDriver(bus_, port_, ignored);
    }
    int opens = 0;
    int releases = 0;
    bool refuse = false;

private:
    platform::SerioBus& bus_;
    platform::KeyboardPort port_;
};

class Lent : public platform::RawDevice {
public:
    explicit Lent(platform::RawDevice& d) : d_(d) {}
    Io writeByte(std::uint8_t b) override { return d_.writeByte(b); }
    Io readAvailable(std::vector<std::uint8_t>& b) override { return d_.readAvailable(b); }
    void waitReadable(std::uint32_t ms) override { d_.waitReadable(ms); }
    std::string lastError() const override { return d_.lastError(); }

private:
    platform::RawDevice& d_;
};

}  // namespace tavrin::test
