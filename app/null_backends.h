#pragma once
// Stand-ins for what a machine without the PC's hardware lacks.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/port_driver.h"
#include "platform/registry.h"
#include "platform/system_security.h"

namespace tavrin::app {

// A port driver that never opens: reads give 0, writes go nowhere.
class AbsentPortDriver : public platform::PortDriver {
public:
    bool InitializeWinIo() override { return false; }
    void ShutdownWinIo() override {}
    void operationEnded() override {}
    bool keyboardCutOff() const override { return false; }
    bool GetPortVal(std::uint16_t, std::uint32_t& value, int) override {
        value = 0;
        return false;
    }
    bool SetPortVal(std::uint16_t, std::uint32_t, int) override { return false; }
};

class AbsentRegistry : public platform::Registry {
public:
    std::optional<std::string> GetKeyValue(platform::RegistryRoot, const std::string&,
                                           const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::uint32_t> GetDwordValue(platform::RegistryRoot, const std::string&,
                                               const std::string&) override {
        return std::nullopt;
    }
};

// No Windows kernel: nothing to tell about its machine or driver signing.
class AbsentSystemSecurity : public platform::SystemSecurity {
public:
    std::uint16_t nativeMachine() override { return 0; }
    std::optional<std::uint32_t> codeIntegrityOptions() override { return std::nullopt; }
};

class AbsentLauncher : public platform::ProgramLauncher {
public:
    bool startProgram(const std::string&) override { return false; }
};

}  // namespace tavrin::app
