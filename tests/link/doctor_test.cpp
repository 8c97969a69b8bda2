// The doctor's checks over real files in a temporary folder and fake
// backends: which line passes, which fails, and what each says.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/doctor.h"
#include "platform/std_file_system.h"
#include "support/fakes.h"
#include "support/pe_bytes.h"
#include "support/temp_dir.h"

namespace tavrin::link {
namespace {

using platform::kMachineAmd64;
using platform::kMachineI386;
using ::testing::HasSubstr;

std::vector<std::uint8_t> library(std::uint16_t machine) {
    return test::peBytes(machine);
}

const std::vector<std::uint8_t> kNone, kText{'n', 'o', 'p', 'e'};

class FailingHooks : public test::FakeHooks {
public:
    platform::HookHandle SetWindowsHookEx(platform::HookProc) override { return 0; }
};

struct DoctorRig {
    test::TempDir program;
    test::TempDir system;
    platform::StdFileSystem files{program.path().string(), system.path().string()};
    test::FakePorts ports;
    test::FakeVersion version;
    test::FakeHooks hooks;

    // A machine where the keyboard can be reached.
    void install(std::uint16_t machine = platform::buildMachine()) {
        program.write("winio3.dll", library(machine));
        for (const char* name : {"winio.dll", "winio.sys", "winio3.sys"}) {
            program.write(name, {1});
        }
        for (const char* name :
             {"winio.dll", "winio.sys", "winio3.dll", "winio3.sys", "winio.vxd"}) {
            system.write(name, {1});
        }
    }
    std::vector<DoctorCheck> run(bool administrator = true, bool simulated = false,
                                 platform::KeyboardHookApi* hookApi = nullptr) {
        DoctorSeams seams{files, ports, version, hookApi ? *hookApi : hooks};
        seams.administrator = administrator;
        seams.simulated = simulated;
        return runDoctorChecks(seams);
    }
};

// The check of that name, else the first whose name begins with it.
const DoctorCheck& find(const std::vector<DoctorCheck>& checks, const std::string& name) {
    for (const bool exact : {true, false}) {
        for (const auto& c : checks) {
            if (exact ? c.name == name : c.name.starts_with(name)) {
                return c;
            }
        }
    }
    static DoctorCheck none{"(missing)", false, ""};
    ADD_FAILURE() << "no check named " << name;
    return none;
}

TEST(Doctor, AReadyMachinePassesEveryCheckAndClosesTheDriver) {
    DoctorRig rig;
    rig.install();
    rig.version.info = platform::OsVersionInfo{2, 10, 0};
    const auto checks = rig.run();
    ASSERT_EQ(checks.size(), 16u) << "folder, 9 driver files, library, driver, rights, system, "
                                     "port, hook";
    for (const auto& c : checks) {
        EXPECT_TRUE(c.passed) << c.name << ": " << c.detail;
    }
    EXPECT_EQ(checks[0].detail, rig.program.path().string());
    EXPECT_EQ(find(checks, "system").detail,
              "Windows NT 10.0: the keyboard's dump arrives as 290 keystrokes");
    EXPECT_EQ(find(checks, "status port").detail, "reads 0x00");
    EXPECT_THAT(find(checks, "winio3.dll").detail, HasSubstr("library, as this build"));
    EXPECT_EQ(rig.ports.initializeCalls, 1);
    EXPECT_EQ(rig.ports.shutdownCalls, 1);
    EXPECT_EQ(rig.hooks.installs, 1);
    EXPECT_EQ(rig.hooks.removals, 1);
    EXPECT_FALSE(rig.hooks.installed());
}

TEST(Doctor, DriverFilesPresentDeployableOrMissing) {
    DoctorRig rig;
    rig.program.write("winio3.dll", library(platform::buildMachine()));
    rig.program.write("winiosys3", {1});  // the source of both winio3.sys rows
    const auto checks = rig.run();
    struct Row {
        std::string name;
        bool passed;
        std::string detail;
    } rows[] = {
        {(rig.program.path() / "winio3.dll").string(), true, "present"},
        {(rig.program.path() / "winio3.sys").string(), true,
         "missing; start-up copies it from winiosys3"},
        {(rig.system.path() / "winio3.sys").string(), true,
         "missing; start-up copies it from winiosys3"},
        {(rig.system.path() / "winio3.dll").string(), false,
         "missing, and winiodll3 is not in the program folder"},
        {(rig.system.path() / "winio.vxd").string(), true,
         "missing, and winio.vxd too (not used: the program loads winio3.dll)"},
    };
    for (const Row& row : rows) {
        const DoctorCheck& c = find(checks, "driver file " + row.name);
        EXPECT_EQ(c.passed, row.passed) << row.name;
        EXPECT_EQ(c.detail, row.detail) << row.name;
    }

    // No system directory: its rows fail unless the program does not use them.
    platform::StdFileSystem noSystem(rig.program.path().string(), "");
    DoctorSeams seams{noSystem, rig.ports, rig.version, rig.hooks};
    const auto without = runDoctorChecks(seams);
    EXPECT_EQ(find(without, "driver file winio3.sys").detail,
              "no system directory to copy winiosys3 to");
    EXPECT_FALSE(find(without, "driver file winio3.sys").passed);
    EXPECT_EQ(find(without, "driver file winio3.dll").detail, "no system directory");
    EXPECT_FALSE(find(without, "driver file winio3.dll").passed);
    EXPECT_TRUE(find(without, "driver file winio.vxd").passed);
}

TEST(Doctor, ThePortLibraryAndItsArchitecture) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;  // empty: no file
        std::uint16_t build;
        bool passed;
        std::string detail;
        std::uint16_t system = 0;  // the kernel's machine; 0: unknown
    } cases[] = {
        {"absent: one line for the missing files", kNone, kMachineI386, false,
         "winio3.dll and winio3.sys are not in the program folder"},
        {"text", kText, kMachineI386, false, "is not a Windows library"},
        {"32-bit in 32-bit", library(kMachineI386), kMachineI386, true,
         "32-bit (i386) library, as this build"},
        {"64-bit in 64-bit", library(kMachineAmd64), kMachineAmd64, true,
         "64-bit (x86-64) library, as this build"},
        {"32-bit in 64-bit", library(kMachineI386), kMachineAmd64, false,
         "is a 32-bit (i386) library; this is the 64-bit (x86-64) build, which cannot load it: "
         "use the 32-bit build (the -win32 archive)"},
        {"64-bit in 32-bit", library(kMachineAmd64), kMachineI386, false,
         "is a 64-bit (x86-64) library; this is the 32-bit (i386) build, which cannot load it: "
         "use the 64-bit build (the -win64 archive)"},
        {"32-bit in 64-bit on 64-bit Windows: not the 32-bit build, whose driver cannot load",
         library(kMachineI386), kMachineAmd64, false,
         "which cannot load it: put the 64-bit build's winio3.dll and winio3.sys here",
         kMachineAmd64},
        {"ARM64", library(0xAA64), kMachineI386, false,
         "is a machine 0xAA64 library; this is the 32-bit (i386) build, which cannot load it: "
         "no build of this program can"},
    };
    for (const Case& c : cases) {
        DoctorRig rig;
        if (!c.bytes.empty()) {
            rig.program.write("winio3.dll", c.bytes);
        }
        test::FakeSystemSecurity security;
        security.machine = c.system;
        DoctorSeams seams{rig.files, rig.ports, rig.version, rig.hooks};
        seams.buildMachine = c.build;
        seams.security = &security;
        const auto checks = runDoctorChecks(seams);
        const DoctorCheck& check = find(checks, c.bytes.empty() ? "driver files" : "winio3.dll");
        EXPECT_EQ(check.passed, c.passed) << c.what;
        EXPECT_THAT(check.detail, HasSubstr(c.detail)) << c.what;
        const std::string advice =
            foreignLibraryAdvice(inspectPortLibrary(rig.files), c.build, c.system);
        EXPECT_EQ(advice.empty(), c.passed || c.bytes.size() < 0x80) << c.what;
    }
}

// Before the first start only the shipped sources lie in the program folder:
// the library the program will load is winiodll3, and its architecture is
// told before start-up copies it.
TEST(Doctor, TheShippedLibraryBeforeTheFirstStart) {
    const std::string unusedWinio =
        "missing, and winiodll too (not used: the program loads winio3.dll)";
    struct Case {
        const char* what;
        const char* file;  // put in the program folder
        std::vector<std::uint8_t> bytes;
        std::uint16_t build;
        bool libraryPassed;
        std::string library;  // what the "winio3.dll" check says (a part of it)
        bool rowsPassed;      // the two winio3.dll driver file rows
        std::string rows;
        std::string winioRows;         // the two winio.dll rows
        const char* second = nullptr;  // another file, a 32-bit (i386) library
    } cases[] = {
        {"32-bit winiodll3 beside the 64-bit build", "winiodll3", library(kMachineI386),
         kMachineAmd64, false,
         "winiodll3 (start-up copies it to winio3.dll) is a 32-bit (i386) library; this is the "
         "64-bit (x86-64) build, which cannot load it: use the 32-bit build (the -win32 archive)",
         false,
         "missing; start-up would copy it from winiodll3, a 32-bit (i386) library that this "
         "64-bit (x86-64) build cannot load",
         unusedWinio},
        {"64-bit winiodll3 beside the 32-bit build", "winiodll3", library(kMachineAmd64),
         kMachineI386, false,
         "winiodll3 (start-up copies it to winio3.dll) is a 64-bit (x86-64) library", false,
         "missing; start-up would copy it from winiodll3, a 64-bit (x86-64) library that this "
         "32-bit (i386) build cannot load",
         unusedWinio},
        {"winiodll3 of this build", "winiodll3", library(kMachineAmd64), kMachineAmd64, true,
         "missing; start-up copies it from winiodll3, a 64-bit (x86-64) library, as this build",
         true, "missing; start-up copies it from winiodll3", unusedWinio},
        {"winiodll3 that is no library", "winiodll3", kText, kMachineAmd64, false,
         "winiodll3 is not a Windows library", true, "missing; start-up copies it from winiodll3",
         unusedWinio},
        {"winio3.dll in place: the library is that one", "winio3.dll", library(kMachineAmd64),
         kMachineAmd64, true, "64-bit (x86-64) library, as this build", false,
         "missing; start-up would copy it from winiodll3, a 32-bit (i386) library", unusedWinio,
         "winiodll3"},
        {"a foreign winiodll is noted, not failed", "winiodll3", library(kMachineAmd64),
         kMachineAmd64, true, "as this build", true, "missing; start-up copies it from winiodll3",
         "missing; start-up copies it from winiodll, a 32-bit (i386) library (not used: the "
         "program loads winio3.dll)",
         "winiodll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DoctorRig rig;
        rig.program.write(c.file, c.bytes);
        if (c.second) {
            rig.program.write(c.second, library(kMachineI386));
        }
        DoctorSeams seams{rig.files, rig.ports, rig.version, rig.hooks};
        seams.buildMachine = c.build;
        const auto checks = runDoctorChecks(seams);
        const DoctorCheck& library = find(checks, "winio3.dll");
        EXPECT_EQ(library.passed, c.libraryPassed) << library.detail;
        EXPECT_THAT(library.detail, HasSubstr(c.library));
        const std::string system = "driver file " + (rig.system.path() / "winio3.dll").string();
        const bool inPlace = c.file == std::string("winio3.dll");
        std::vector<std::string> rows{system};
        if (!inPlace) {
            rows.push_back("driver file " + (rig.program.path() / "winio3.dll").string());
        }
        for (const std::string& row : rows) {
            const DoctorCheck& check = find(checks, row);
            EXPECT_EQ(check.passed, c.rowsPassed) << row << ": " << check.detail;
            EXPECT_THAT(check.detail, HasSubstr(c.rows)) << row;
        }
        for (const auto& folder : {rig.program.path(), rig.system.path()}) {
            const DoctorCheck& check =
                find(checks, "driver file " + (folder / "winio.dll").string());
            EXPECT_TRUE(check.passed) << check.detail;
            EXPECT_EQ(check.detail, c.winioRows);
        }
        // The same advice before every command of the headless tool.
        const std::string advice = foreignLibraryAdvice(inspectPortLibrary(rig.files), c.build);
        const bool foreign = !c.libraryPassed && !library.detail.ends_with("a Windows library");
        EXPECT_EQ(advice, foreign ? library.detail : "");
    }
}

TEST(Doctor, DriverRightsSystemPortAndHookFailures) {
    DoctorRig rig;
    rig.install();
    rig.ports.initializeResults = {false};
    rig.version.info = std::nullopt;
    FailingHooks noHook;
    const auto checks = rig.run(false, false, &noHook);
    for (const char* name : {"InitializeWinIo", "administrator rights", "system",
                             "status port 0x64", "keyboard hook"}) {
        EXPECT_FALSE(find(checks, name).passed) << name;
    }
    EXPECT_THAT(find(checks, "status port").detail, HasSubstr("the driver is not open"));
    EXPECT_THAT(find(checks, "administrator").detail, HasSubstr("as administrator"));
    EXPECT_THAT(find(checks, "system").detail, HasSubstr("a read refuses"));
    EXPECT_EQ(rig.ports.statusReads, 0) << "no port access without the driver";
    EXPECT_EQ(rig.ports.shutdownCalls, 0) << "nothing to close";
    EXPECT_TRUE(find(checks, "winio3.dll").passed);
}

TEST(Doctor, WindowsNinetyEightAndTheSimulatedKeyboard) {
    DoctorRig rig;
    rig.version.info = platform::OsVersionInfo{1, 4, 10};
    const auto checks = rig.run(false, true);
    std::vector<std::string> names;
    for (const auto& c : checks) {
        names.push_back(c.name);
        EXPECT_TRUE(c.passed) << c.name << ": " << c.detail;
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"program folder", "simulated port driver",
                                        "simulated status port 0x64", "simulated keyboard hook"}))
        << "no driver files, library, rights or system for the simulated keyboard";

    const auto real = rig.run(true, false);
    EXPECT_EQ(find(real, "system").detail,
              "Windows 98 4.10: the keyboard's dump arrives as 258 keystrokes");
}

// No driver file at all is one cause: one line with the advice, and the
// lines that follow from it say so without repeating it.
TEST(Doctor, NoDriverFilesIsOneCause) {
    DoctorRig rig;
    rig.ports.initializeResults = {false};
    std::vector<std::string> failed;
    for (const DoctorCheck& c : rig.run()) {
        if (!c.passed) {
            failed.push_back(c.name + ": " + c.detail);
        }
    }
    EXPECT_EQ(failed, (std::vector<std::string>{
                          "driver files: winio3.dll and winio3.sys are not in the program "
                          "folder: put both files of this build's architecture beside the program",
                          "InitializeWinIo: failed: no driver files (above)",
                          "status port 0x64: not readable: the driver is not open"}));
}

}  // namespace
}  // namespace tavrin::link
