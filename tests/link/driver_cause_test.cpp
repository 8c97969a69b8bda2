// Why the port driver does not load: every cause the machine's facts can
// point at, and the facts as the program folder, the kernel and the
// registry give them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "link/doctor.h"
#include "link/driver_cause.h"
#include "platform/std_file_system.h"
#include "support/fakes.h"
#include "support/pe_bytes.h"
#include "support/temp_dir.h"

namespace tavrin::link {
namespace {

using platform::kCodeIntegrityEnabled;
using platform::kCodeIntegrityHvci;
using platform::kCodeIntegrityTestSign;
using platform::kMachineAmd64;
using platform::kMachineI386;
using ::testing::HasSubstr;

constexpr std::uint16_t A64 = kMachineAmd64, I386 = kMachineI386;
// Code integrity on, with test signing (the self-signed driver loads) or not.
constexpr std::uint32_t kTest = kCodeIntegrityEnabled | kCodeIntegrityTestSign;
constexpr std::uint32_t kOn = kCodeIntegrityEnabled;

DriverFacts facts(bool files, bool administrator, std::uint16_t driver,
                  std::optional<bool> isSigned, std::uint16_t system,
                  std::optional<bool> secureBoot, std::optional<std::uint32_t> codeIntegrity) {
    return {files, administrator, driver, isSigned, system, secureBoot, codeIntegrity};
}

// Each row a machine: files present, administrator, the driver's machine,
// signed, the system's machine, Secure Boot, code integrity. "all fine" is
// 64-bit Windows, Secure Boot off, test signing on and the self-signed
// 64-bit driver: it loads.
TEST(DriverCause, OneCausePerCombination) {
    struct Case {
        const char* what;
        DriverFacts facts;
        const char* cause;  // a part of the sentence
        const char* advice;
    } cases[] = {
        {"files missing", facts(false, true, A64, true, A64, false, kTest), "is missing",
         "beside the program"},
        {"files missing comes first", facts(false, false, A64, true, A64, false, kTest),
         "is missing", "beside the program"},
        {"not elevated", facts(true, false, A64, true, A64, false, kTest),
         "without administrator rights", "'Run as administrator'"},
        {"32-bit driver on 64-bit Windows", facts(true, true, I386, true, A64, false, kTest),
         "32-bit driver and this Windows is 64-bit", "use a 32-bit Windows"},
        {"32-bit driver on 64-bit Windows, Secure Boot on too",
         facts(true, true, I386, true, A64, true, kTest),
         "32-bit driver and this Windows is 64-bit", "use a 32-bit Windows"},
        {"64-bit driver on 32-bit Windows", facts(true, true, A64, true, I386, false, kTest),
         "64-bit driver and this Windows is 32-bit", "the 32-bit build"},
        {"self-signed with Secure Boot on", facts(true, true, A64, true, A64, true, kTest),
         "self-signed (Windows trusts no such signature) and Secure Boot is on",
         "turn Secure Boot off"},
        {"unsigned with Secure Boot on", facts(true, true, A64, false, A64, true, kTest),
         "carries no signature, which 64-bit Windows refuses even with test signing on",
         "Tavrin Live"},
        {"unsigned, Secure Boot off", facts(true, true, A64, false, A64, false, kTest),
         "carries no signature, which 64-bit Windows refuses", "use a signed 64-bit driver"},
        {"test signing off", facts(true, true, A64, true, A64, false, kOn), "test signing is off",
         "'bcdedit /set testsigning on'"},
        {"memory integrity on",
         facts(true, true, A64, true, A64, false, kTest | kCodeIntegrityHvci),
         "memory integrity (HVCI) is on", "Core isolation"},
        {"all fine", facts(true, true, A64, true, A64, false, kTest), "no cause found",
         "no other program"},
        {"enforcement off: test signing not needed", facts(true, true, A64, true, A64, false, 0),
         "no cause found", "no other program"},
        {"a 32-bit Windows loads the 32-bit driver",
         facts(true, true, I386, false, I386, true, kTest), "no cause found", "no other program"},
        {"nothing known about the system", facts(true, true, A64, true, 0, {}, {}),
         "no cause found", "no other program"},
    };
    for (const Case& c : cases) {
        const std::string cause = driverLoadCause(c.facts);
        EXPECT_THAT(cause, HasSubstr(c.cause)) << c.what;
        EXPECT_THAT(cause, HasSubstr(c.advice)) << c.what;
        EXPECT_EQ(cause.find('\n'), std::string::npos) << c.what;
    }
}

// winio3.sys with a machine and, when signed, a security directory.
std::vector<std::uint8_t> driver(std::uint16_t machine, bool isSigned) {
    return test::peBytes(machine, isSigned);
}

struct FactsRig {
    test::TempDir program;
    platform::StdFileSystem files{program.path().string(), ""};
    test::FakeSystemSecurity security;
    test::FakeRegistry registry;

    void secureBoot(std::uint32_t value) {
        registry.numbers[std::string(kSecureBootKey) + "\\" + kSecureBootValue] = value;
    }
};

TEST(DriverCause, FactsFromTheProgramFolderTheKernelAndTheRegistry) {
    FactsRig rig;
    rig.program.write("winio3.dll", {1});
    rig.program.write("winio3.sys", driver(kMachineI386, false));
    rig.security.machine = kMachineAmd64;
    rig.security.codeIntegrity = kCodeIntegrityEnabled | kCodeIntegrityHvci;
    rig.secureBoot(1);
    DriverFacts f = gatherDriverFacts(rig.files, &rig.security, &rig.registry, false);
    EXPECT_TRUE(f.filesPresent);
    EXPECT_FALSE(f.administrator);
    EXPECT_EQ(f.driverMachine, kMachineI386);
    EXPECT_EQ(f.driverSigned, false);
    EXPECT_EQ(f.systemMachine, kMachineAmd64);
    EXPECT_EQ(f.secureBoot, true);
    EXPECT_EQ(f.codeIntegrity, kCodeIntegrityEnabled | kCodeIntegrityHvci);

    // The shipped copies count before start-up has copied them.
    FactsRig shipped;
    shipped.program.write("winiodll3", {1});
    shipped.program.write("winiosys3", driver(kMachineAmd64, true));
    shipped.secureBoot(0);
    f = gatherDriverFacts(shipped.files, &shipped.security, &shipped.registry, true);
    EXPECT_TRUE(f.filesPresent);
    EXPECT_EQ(f.driverMachine, kMachineAmd64);
    EXPECT_EQ(f.driverSigned, true);
    EXPECT_EQ(f.secureBoot, false);

    // No driver, and no seams: nothing known beyond the missing file.
    FactsRig bare;
    bare.program.write("winio3.dll", {1});
    f = gatherDriverFacts(bare.files, nullptr, nullptr, true);
    EXPECT_FALSE(f.filesPresent);
    EXPECT_EQ(f.driverMachine, 0);
    EXPECT_FALSE(f.driverSigned.has_value());
    EXPECT_EQ(f.systemMachine, 0);
    EXPECT_FALSE(f.secureBoot.has_value());
    EXPECT_FALSE(f.codeIntegrity.has_value());
}

TEST(DriverCause, DoctorNamesTheCauseOnTheDriverLine) {
    FactsRig rig;
    rig.program.write("winio3.dll", {1});
    rig.program.write("winio3.sys", driver(kMachineAmd64, true));
    rig.security.machine = kMachineAmd64;
    rig.security.codeIntegrity = kCodeIntegrityEnabled;
    rig.secureBoot(1);
    test::FakePorts ports;
    ports.initializeResults = {false, false};
    test::FakeVersion version;
    test::FakeHooks hooks;
    DoctorSeams seams{rig.files, ports, version, hooks};
    seams.administrator = true;
    seams.security = &rig.security;
    seams.registry = &rig.registry;
    const auto driverLine = [&seams] {
        const auto checks = runDoctorChecks(seams);
        const auto it = std::ranges::find(checks, "InitializeWinIo", &DoctorCheck::name);
        return it != checks.end() ? *it : DoctorCheck{"(missing)", true, ""};
    };
    const DoctorCheck line = driverLine();
    EXPECT_FALSE(line.passed);
    EXPECT_THAT(line.detail, HasSubstr("failed: winio3.sys is self-signed"));
    EXPECT_THAT(line.detail, HasSubstr("Secure Boot is on"));

    rig.secureBoot(0);
    EXPECT_THAT(driverLine().detail, HasSubstr("failed: test signing is off"));
}

}  // namespace
}  // namespace tavrin::link
