#include "cli/linux_doctor.h"

#include "cli/cli_app.h"

#ifdef __linux__

#include <filesystem>

#include <sys/utsname.h>
#include <unistd.h>

#include "platform/linux/serio_bus.h"

namespace tavrin::cli {

namespace {

namespace fs = std::filesystem;

bool isRoot(const LinuxSystem& system) {
    return system.root.value_or(::geteuid() == 0);
}

std::string kernelRelease(const LinuxSystem& system) {
    if (!system.release.empty()) {
        return system.release;
    }
    struct utsname name {};
    return ::uname(&name) == 0 ? name.release : "";
}

// serio_raw loaded (its driver on the bus), or its module on disk.
std::string rawDriverFound(const LinuxSystem& system) {
    std::error_code ec;
    const fs::path loaded = fs::path(system.serioBus) / "drivers" / "serio_raw";
    if (fs::is_directory(loaded, ec)) {
        return "loaded";
    }
    const std::string release = kernelRelease(system);
    const fs::path folder =
        fs::path(system.modules) / release / "kernel" / "drivers" / "input" / "serio";
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!release.empty() && entry.path().filename().string().rfind("serio_raw.ko", 0) == 0) {
            return "module " + entry.path().string();
        }
    }
    return "";
}

}  // namespace

std::vector<link::DoctorCheck> runLinuxChecks(const LinuxSystem& system) {
    std::vector<link::DoctorCheck> out;
    platform::SysfsSerioBus bus(fs::path(system.serioBus) / "devices");
    std::string reason;
    const auto port = platform::findKeyboardPort(bus, reason, system.serioPort);
    if (!port) {
        const std::string none = "the kernel has no i8042 keyboard port here";
        out.push_back({"keyboard port", false, reason == none ? none : none + "; " + reason});
        return out;
    }
    out.push_back({"serio bus", true, system.serioBus});
    out.push_back({"keyboard port", true,
                   port->name + " (i8042 KBD port), driver " +
                       (port->driver.empty() ? std::string("none") : port->driver)});
    switch (port->translation) {
        case platform::ScanCodeTranslation::Set1:
            out.push_back({"translation", true, "on (id/type 06): scan-code set 1"});
            break;
        case platform::ScanCodeTranslation::Set2:
            out.push_back({"translation", true, "off (id/type 01, i8042.direct): scan-code set 2"});
            break;
        case platform::ScanCodeTranslation::Unknown:
            out.push_back({"translation", false, "id/type is neither 06 nor 01"});
            break;
    }
    const std::string raw = rawDriverFound(system);
    out.push_back({"serio_raw", !raw.empty(),
                   raw.empty()         ? "neither loaded nor among the kernel's modules"
                   : raw == "loaded" ? raw
                                     : "not loaded; its " + raw + " is loaded when the port is taken"});
    std::error_code ec;
    // Each of the three a user's program needs, named when it is missing.
    std::string missing;
    const auto need = [&](const std::string& path, const std::string& why) {
        if (!fs::exists(path, ec)) {
            missing += (missing.empty() ? "" : "; ") + path + why;
        }
    };
    need(system.pkexec, " is missing");
    need(system.helper, " (the keyboard port helper) is not installed");
    need(system.policy, " (its polkit action) is not installed");
    if (isRoot(system)) {
        out.push_back({"rights", true, "root"});
    } else if (missing.empty()) {
        out.push_back({"rights", true, "pkexec and " + system.policy + " for " + system.helper});
    } else {
        out.push_back({"rights", false, "not root, and " + missing});
    }
    const bool left = port->driver == platform::kRawDriver;
    out.push_back({"port left bound", !left,
                   left ? port->name + " is bound to serio_raw, so the keyboard does not type: run "
                                       "'tavrin-cli restore-keyboard'"
                        : "no"});
    return out;
}

int restoreKeyboard(const LinuxSystem& system, std::ostream& out, std::ostream& err) {
    platform::SysfsSerioBus bus(fs::path(system.serioBus) / "devices");
    std::string reason;
    const auto port = platform::findKeyboardPort(bus, reason, system.serioPort);
    if (!port) {
        err << "tavrin-cli: " << reason << '\n';
        return kExitFailed;
    }
    if (port->driver != platform::kRawDriver) {
        out << port->name << " is not bound to serio_raw (driver "
            << (port->driver.empty() ? std::string("none") : port->driver)
            << "); nothing to restore\n";
        return kExitOk;
    }
    if (!isRoot(system)) {
        if (!system.giveBackThroughHelper) {
            err << "tavrin-cli: giving " << port->name
                << " back to atkbd needs root: run 'sudo tavrin-cli restore-keyboard'\n";
            return kExitFailed;
        }
        if (!system.giveBackThroughHelper(reason)) {
            err << "tavrin-cli: cannot give " << port->name << " back to atkbd: " << reason
                << '\n';
            return kExitFailed;
        }
    } else if (!platform::bindKeyboardDriver(bus, *port, reason)) {
        err << "tavrin-cli: cannot give " << port->name << " back to atkbd: " << reason << '\n';
        return kExitFailed;
    }
    out << port->name << " is given back to atkbd; the keyboard types again\n";
    return kExitOk;
}

}  // namespace tavrin::cli

#else

namespace tavrin::cli {

std::vector<link::DoctorCheck> runLinuxChecks(const LinuxSystem&) {
    return {{"keyboard port", false, "the raw keyboard port is Linux's"}};
}

int restoreKeyboard(const LinuxSystem&, std::ostream&, std::ostream& err) {
    err << "tavrin-cli: restore-keyboard is for Linux\n";
    return kExitFailed;
}

}  // namespace tavrin::cli

#endif
