#include "link/doctor.h"

#include <cstdio>

#include "link/command_channel.h"
#include "link/driver_cause.h"
#include "link/driver_deployment.h"
#include "link/os_name.h"

namespace tavrin::link {

namespace {

std::string buildName(std::uint16_t machine) {
    switch (machine) {
        case platform::kMachineI386:
            return "the 32-bit build (the -win32 archive)";
        case platform::kMachineAmd64:
            return "the 64-bit build (the -win64 archive)";
        default:
            return "";
    }
}

std::string hexByte(std::uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

// The program loads winio3.dll only, and that library brings winio3.sys;
// the other rows serve the older driver.
bool usedByThisProgram(const DriverFileRow& row) {
    return row.target.find("winio3") != std::string_view::npos;
}

bool isLibrary(const DriverFileRow& row) {
    return row.target.ends_with(".dll");
}

platform::PeHeader readHeader(platform::FileSystem& files, const std::string& path) {
    if (auto head = files.readFileHead(path, platform::kPeHeadBytes)) {
        return platform::readPeHeader(*head);
    }
    return {};
}

// A library that start-up is still to copy: one of the other architecture
// would be copied all the same, and then refused by the system's loader.
void noteSourceMachine(DoctorSeams& s, const DriverFileRow& row, const std::string& sourcePath,
                       DoctorCheck& check) {
    const platform::PeHeader header = readHeader(s.files, sourcePath);
    if (header.status != platform::PeStatus::Ok || header.machine == s.buildMachine) {
        return;
    }
    const std::string source(row.source.substr(1));
    const std::string machine = "a " + platform::machineName(header.machine) + " library";
    if (usedByThisProgram(row)) {
        check.passed = false;
        check.detail = "missing; start-up would copy it from " + source + ", " + machine +
                       " that this " + platform::machineName(s.buildMachine) + " build cannot load";
    } else {
        check.detail += ", " + machine + " (not used: the program loads winio3.dll)";
    }
}

// Neither this program's library nor its driver, nor the shipped copies
// start-up makes them from: one cause, told once.
bool noDriverFiles(DoctorSeams& s, const std::string& program) {
    for (const DriverFileRow& row : kDriverFiles) {
        if (usedByThisProgram(row) && !program.empty() &&
            (s.files.fileExists(s.files.joinPath(program, std::string(row.target))) ||
             s.files.fileExists(s.files.joinPath(program, std::string(row.source))))) {
            return false;
        }
    }
    return true;
}

// False when no driver file is there at all, which the one line says.
bool checkDriverFiles(DoctorSeams& s, std::vector<DoctorCheck>& out) {
    const std::string program = s.files.programFolder();
    const std::string system = GetSystemDir(s.files);
    if (noDriverFiles(s, program)) {
        out.push_back({"driver files", false,
                       "winio3.dll and winio3.sys are not in the program folder: put both files "
                       "of this build's architecture beside the program"});
        return false;
    }
    for (const DriverFileRow& row : kDriverFiles) {
        const bool inProgram = row.folder == DeployFolder::Program;
        const std::string& folder = inProgram ? program : system;
        const std::string source(row.source.substr(1));
        const std::string target = folder.empty()
                                       ? std::string(row.target.substr(1))
                                       : s.files.joinPath(folder, std::string(row.target));
        DoctorCheck check;
        check.name = "driver file " + target;
        const std::string where = inProgram ? "no program folder" : "no system directory";
        if (!folder.empty() && s.files.fileExists(target)) {
            check.passed = true;
            check.detail = "present";
        } else if (const std::string sourcePath =
                       s.files.joinPath(program, std::string(row.source));
                   s.files.fileExists(sourcePath)) {
            check.passed = !folder.empty();
            check.detail = folder.empty() ? where + " to copy " + source + " to"
                                          : "missing; start-up copies it from " + source;
            if (!folder.empty() && isLibrary(row)) {
                noteSourceMachine(s, row, sourcePath, check);
            }
        } else if (!usedByThisProgram(row)) {
            check.passed = true;
            check.detail =
                "missing, and " + source + " too (not used: the program loads winio3.dll)";
        } else {
            check.detail =
                folder.empty() ? where : "missing, and " + source + " is not in the program folder";
        }
        out.push_back(check);
    }
    return true;
}

std::uint16_t systemMachine(DoctorSeams& s) {
    return s.security ? s.security->nativeMachine() : 0;
}

DoctorCheck checkLibrary(DoctorSeams& s) {
    DoctorCheck check{"winio3.dll", false, ""};
    const PortLibrary library = inspectPortLibrary(s.files);
    if (!library.present) {
        check.detail = "not in the program folder";
    } else if (library.header.status != platform::PeStatus::Ok) {
        check.detail = library.path + " is not a Windows library";
    } else if (std::string advice = foreignLibraryAdvice(library, s.buildMachine,
                                                             systemMachine(s));
               !advice.empty()) {
        check.detail = advice;
    } else {
        check.passed = true;
        check.detail = platform::machineName(library.header.machine) + " library, as this build";
        if (library.shippedSource) {
            check.detail = "missing; start-up copies it from winiodll3, a " + check.detail;
        }
    }
    return check;
}

DoctorCheck checkSystem(DoctorSeams& s) {
    std::int16_t major = 0;
    std::int16_t minor = 0;
    std::string name;
    GetOsName(s.version, major, minor, name);
    DoctorCheck check{"system", !name.empty(), ""};
    if (name.empty()) {
        check.detail = "the version query failed; a read refuses to start";
    } else {
        const bool windows98 = name == kWindows98Family;
        check.detail = name + " " + std::to_string(major) + "." + std::to_string(minor) +
                       ": the keyboard's dump arrives as " + (windows98 ? "258" : "290") +
                       " keystrokes";
    }
    return check;
}

std::string failureCause(DoctorSeams& s) {
    if (s.simulated) {
        return "the simulated keyboard's driver is set to fail";
    }
    return driverLoadCause(gatherDriverFacts(s.files, s.security, s.registry, s.administrator));
}

}  // namespace

PortLibrary inspectPortLibrary(platform::FileSystem& files) {
    PortLibrary library;
    const std::string folder = files.programFolder();
    if (folder.empty()) {
        return library;
    }
    library.path = files.joinPath(folder, "\\winio3.dll");
    library.present = files.fileExists(library.path);
    if (!library.present) {
        const std::string source = files.joinPath(folder, "\\winiodll3");
        if (files.fileExists(source)) {
            library.path = source;
            library.present = true;
            library.shippedSource = true;
        }
    }
    if (library.present) {
        library.header = readHeader(files, library.path);
    }
    return library;
}

std::string foreignLibraryAdvice(const PortLibrary& library, std::uint16_t buildMachine,
                                 std::uint16_t systemMachine) {
    if (!library.present || library.header.status != platform::PeStatus::Ok ||
        library.header.machine == buildMachine) {
        return "";
    }
    std::string text =
        library.path + (library.shippedSource ? " (start-up copies it to winio3.dll)" : "") +
        " is a " + platform::machineName(library.header.machine) + " library; this is the " +
        platform::machineName(buildMachine) + " build, which cannot load it: ";
    if (library.header.machine == platform::kMachineI386 && systemMachine != 0 &&
        systemMachine != platform::kMachineI386) {
        // The 32-bit build would load it, and then its 32-bit driver would not load.
        return text + "put the 64-bit build's winio3.dll and winio3.sys here (this 64-bit Windows "
                      "loads no 32-bit driver)";
    }
    const std::string other = buildName(library.header.machine);
    return text + (other.empty() ? "no build of this program can" : "use " + other);
}

std::vector<DoctorCheck> runDoctorChecks(DoctorSeams& s) {
    std::vector<DoctorCheck> out;
    const std::string program = s.files.programFolder();
    out.push_back({"program folder", !program.empty(), program.empty() ? "unknown" : program});
    bool filesThere = true;
    if (!s.simulated) {
        filesThere = checkDriverFiles(s, out);
        if (filesThere) {
            out.push_back(checkLibrary(s));
        }
    }

    const bool open = s.ports.InitializeWinIo();
    const std::string driver = s.simulated ? "simulated port driver" : "InitializeWinIo";
    out.push_back({driver, open,
                   open                ? "the port driver is open"
                   : !filesThere       ? "failed: no driver files (above)"
                                       : "failed: " + failureCause(s)});
    if (!s.simulated) {
        out.push_back({"administrator rights", s.administrator,
                       s.administrator ? "yes" : "no: start the program as administrator"});
        out.push_back(checkSystem(s));
    }

    std::uint32_t status = 0;
    const bool readable = open && s.ports.GetPortVal(kStatusPort, status, 1);
    out.push_back({s.simulated ? "simulated status port 0x64" : "status port 0x64", readable,
                   readable ? "reads " + hexByte(status)
                            : std::string(open ? "the read failed"
                                               : "not readable: the driver is not open")});

    platform::KeyboardHookApi& hooks = s.hooks;
    const platform::HookHandle hook =
        hooks.SetWindowsHookEx([&hooks](int code, std::uintptr_t wParam, std::intptr_t lParam) {
            return hooks.CallNextHookEx(0, code, wParam, lParam);
        });
    if (hook != 0) {
        hooks.UnhookWindowsHookEx(hook);
    }
    out.push_back({s.simulated ? "simulated keyboard hook" : "keyboard hook", hook != 0,
                   hook != 0 ? "installed and removed" : "could not be installed"});

    if (open) {
        s.ports.ShutdownWinIo();
    }
    return out;
}

}  // namespace tavrin::link
