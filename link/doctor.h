#pragma once
// What an operator checks when a read reports "Read setting from EEPROM
// error! Please check MSR device.": the program folder, the driver files,
// the port library and its architecture, the driver, administrator rights,
// the system family, the keyboard controller and the keyboard hook.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/keyboard_hook.h"
#include "platform/pe_header.h"
#include "platform/port_driver.h"
#include "platform/registry.h"
#include "platform/system_security.h"
#include "platform/version_query.h"

namespace tavrin::link {

// The winio3.dll in the program folder, as its PE header describes it;
// before the first start has copied it there, the shipped winiodll3 that
// start-up copies (the library the program will load).
struct PortLibrary {
    std::string path;
    bool present = false;
    bool shippedSource = false;  // path is winiodll3, not yet copied to winio3.dll
    platform::PeHeader header;
};

PortLibrary inspectPortLibrary(platform::FileSystem& files);

// Empty when the library may load into a program built for buildMachine;
// otherwise why it cannot and which build to use instead. A 64-bit
// systemMachine (0: unknown) takes no 32-bit build's driver, so that build
// is not offered.
std::string foreignLibraryAdvice(const PortLibrary& library, std::uint16_t buildMachine,
                                 std::uint16_t systemMachine = 0);

struct DoctorCheck {
    std::string name;
    bool passed = false;
    std::string detail;
};

struct DoctorSeams {
    platform::FileSystem& files;
    platform::PortDriver& ports;
    platform::VersionQuery& version;
    platform::KeyboardHookApi& hooks;
    bool administrator = false;
    std::uint16_t buildMachine = platform::buildMachine();
    // The simulated keyboard: its image, its port and its hook; no driver
    // files, library, rights or system to check.
    bool simulated = false;
    // Where the cause of a driver that does not load is looked for; a
    // missing one leaves its facts unknown.
    platform::SystemSecurity* security = nullptr;
    platform::Registry* registry = nullptr;
};

// Runs every check in order. Opens the port driver (and shuts it again)
// but copies or changes no file.
std::vector<DoctorCheck> runDoctorChecks(DoctorSeams& seams);

}  // namespace tavrin::link
