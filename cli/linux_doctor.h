#pragma once
// tavrin-cli doctor and restore-keyboard on Linux: the kernel's serio bus,
// the keyboard port and its driver, translation, serio_raw, the rights to
// bind it, and a port left bound to serio_raw.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "link/doctor.h"
#include "platform/linux/port_protocol.h"

namespace tavrin::cli {

// Where the checks look; the defaults are the machine's.
struct LinuxSystem {
    std::string serioBus = "/sys/bus/serio";
    std::string serioPort;  // tests: a port other than the i8042 keyboard port
    std::string modules = "/lib/modules";
    std::string release;       // empty: the running kernel's (uname)
    std::optional<bool> root;  // empty: the effective user is root
    std::string pkexec = "/usr/bin/pkexec";
    std::string helper = platform::kPortHelperPath;
    std::string policy = platform::kPortPolicyPath;
    // Not root: the port is given back through the privileged helper (it
    // binds, then gives back as its lease ends); empty: no helper to ask.
    std::function<bool(std::string& reason)> giveBackThroughHelper;
};

// Every check in order; stops after the first when there is no keyboard port.
std::vector<link::DoctorCheck> runLinuxChecks(const LinuxSystem& system);

// Gives a port left bound to serio_raw back to atkbd; the exit status.
int restoreKeyboard(const LinuxSystem& system, std::ostream& out, std::ostream& err);

}  // namespace tavrin::cli
