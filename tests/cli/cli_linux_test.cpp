// tavrin-cli doctor and restore-keyboard on Linux, over a fake sysfs: every
// check with its verdict, and the port given back to atkbd only by root.

#ifdef __linux__

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "cli_schema_text.h"

#include "platform/linux/serio_bus.h"
#include "support/cli_run.h"
#include "support/fake_sysfs.h"
#include "support/json_schema.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

using ::testing::HasSubstr;

struct Machine {
    const char* name;
    std::string driver;  // of serio0, "i8042 KBD port"
    std::string type;
    bool rawLoaded;  // serio_raw's driver folder on the bus
    bool rawModule;  // serio_raw.ko.xz among the kernel's modules
    bool root;
    std::string installed;  // which of pkexec, helper and policy are there
    int status;
    const char* report;  // a part of each of its lines, verdict included, split by |
};

class CliLinux : public ::testing::TestWithParam<Machine> {
protected:
    cli::CliOptions options() {
        cli::CliOptions o;
        o.linuxSystem.serioBus = sysfs.root().string();
        o.linuxSystem.modules = (other.path() / "modules").string();
        o.linuxSystem.release = "6.1.0-test";
        o.linuxSystem.pkexec = (other.path() / "pkexec").string();
        o.linuxSystem.helper = (other.path() / "helper").string();
        o.linuxSystem.policy = (other.path() / "policy").string();
        return o;
    }
    void touch(const std::filesystem::path& p) {
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }

    FakeSysfs sysfs;
    TempDir other;
};

TEST_P(CliLinux, DoctorWalksEveryCheck) {
    const Machine& m = GetParam();
    sysfs.addPort({"serio0", "i8042 KBD port", m.type, m.driver});
    sysfs.addPort({"serio1", "i8042 AUX port", "01", "psmouse"});
    if (m.rawLoaded) {
        std::filesystem::create_directories(sysfs.root() / "drivers" / "serio_raw");
    }
    if (m.rawModule) {
        touch(other.path() / "modules/6.1.0-test/kernel/drivers/input/serio/serio_raw.ko.xz");
    }
    std::istringstream installed(m.installed);
    for (std::string file; installed >> file;) {
        touch(other.path() / file);
    }
    cli::CliOptions o = options();
    o.linuxSystem.root = m.root;
    const CliRun run = runCliVirtual({"doctor"}, o);
    const std::vector<std::string> lines = linesOf(run.out);
    std::string report = m.report;
    std::replace(report.begin(), report.end(), '|', '\n');
    const std::vector<std::string> expected = linesOf(report);
    EXPECT_EQ(run.status, m.status) << run.out;
    ASSERT_EQ(lines.size(), expected.size()) << run.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_THAT(lines[i], HasSubstr(expected[i])) << i;
    }
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Windows")));
}

INSTANTIATE_TEST_SUITE_P(
    Machines, CliLinux,
    ::testing::Values(
        Machine{"ready_as_root", "atkbd", "06", true, false, true, "", 0,
                "ok    serio bus: |ok    keyboard port: serio0 (i8042 KBD port), driver atkbd|"
                "ok    translation: on (id/type 06)|ok    serio_raw: loaded|ok    rights: root|"
                "ok    port left bound: no|verdict: all 6 checks pass"},
        Machine{"untranslated_module_pkexec", "atkbd", "01", false, true, false,
                "pkexec helper policy", 0,
                "ok    serio bus|ok    keyboard port|ok    translation: off (id/type 01|"
                "ok    serio_raw: not loaded; its module /|ok    rights: pkexec and |"
                "ok    port left bound|verdict: all 6"},
        Machine{"left_bound_no_rights", "serio_raw", "06", false, false, false, "", 1,
                "ok    serio bus|driver serio_raw|ok    translation|ok    serio_raw: loaded|"
                "FAIL  rights: not root, and |"
                "FAIL  port left bound: serio0 is bound to serio_raw, so the keyboard does not "
                "type: run 'tavrin-cli restore-keyboard'|verdict: 2 of 6 checks fail"},
        Machine{"unknown_type_no_serio_raw", "", "ab", false, false, true, "", 1,
                "ok    serio bus|driver none|FAIL  translation: id/type is neither|"
                "FAIL  serio_raw: neither loaded nor among the kernel's modules|ok    rights|"
                "ok    port left bound|verdict: 2 of 6 checks fail"},
        Machine{"helper_missing", "atkbd", "06", true, false, false, "pkexec policy", 1,
                "ok    serio bus|ok    keyboard port|ok    translation|ok    serio_raw|"
                "/helper (the keyboard port helper) is not installed|ok    port left bound|"
                "verdict: 1 of 6 checks fail"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliLinuxNoPort, DoctorSaysItInOneLine) {
    TempDir empty;  // no serio bus at all, as on a virtual machine
    FakeSysfs mouseOnly;
    mouseOnly.addPort({"serio1", "i8042 AUX port", "01", "psmouse"});
    for (const std::string& bus : {(empty.path() / "none").string(), mouseOnly.root().string()}) {
        cli::CliOptions o;
        o.linuxSystem.serioBus = bus;
        const CliRun run = runCliVirtual({"doctor"}, o);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
        EXPECT_THAT(run.out,
                    ::testing::StartsWith(
                        "FAIL  keyboard port: the kernel has no i8042 keyboard port here"));
        EXPECT_THAT(run.out, ::testing::EndsWith("\nverdict: 1 of 1 checks fail\n"));
        // A read fails at once with the reason.
        const CliRun read = runCliVirtual({"read"}, o);
        EXPECT_EQ(read.status, 1);
        EXPECT_THAT(read.err, HasSubstr("tavrin-cli: no i8042 keyboard port on this machine, so "
                                        "the keyboard cannot be reached"));
        EXPECT_THAT(read.err, ::testing::Not(HasSubstr("doctor")));
    }
}

// The trace is private and refused where it cannot be written, before the
// keyboard is touched.
TEST(CliLinuxNoPort, TheTraceIsPrivate) {
    TempDir dir;
    cli::CliOptions o;
    o.linuxSystem.serioBus = (dir.path() / "none").string();
    const CliRun refused = runCliVirtual({"--trace", dir.file("no/such/t.txt"), "read"}, o);
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("cannot write the trace " + dir.file("no/such/t.txt")));
    std::filesystem::create_symlink(dir.file("target"), dir.path() / "link");
    const CliRun link = runCliVirtual({"--trace", dir.file("link"), "read"}, o);
    EXPECT_THAT(link.err, HasSubstr("cannot write the trace"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("target")));
}

struct Restore {
    const char* name;
    std::string driver;
    bool root;
    int status;
    std::string drvctl;  // what the port's drvctl holds after
    std::string said;
    bool helper = false;  // the privileged helper can be asked, and gives back
};

class CliRestore : public ::testing::TestWithParam<Restore> {};

TEST_P(CliRestore, GivesTheKeyboardBackToAtkbd) {
    const Restore& r = GetParam();
    FakeSysfs sysfs;
    sysfs.addPort({"serio0", "i8042 KBD port", "06", r.driver});
    cli::CliOptions o;
    o.linuxSystem.serioBus = sysfs.root().string();
    o.linuxSystem.root = r.root;
    if (r.helper) {
        o.linuxSystem.giveBackThroughHelper = [&sysfs](std::string& reason) {
            platform::SysfsSerioBus bus(sysfs.devices());
            return bus.writeDriverControl("serio0", "atkbd", reason);
        };
    }
    const CliRun run = runCliVirtual({"restore-keyboard"}, o);
    EXPECT_EQ(run.status, r.status);
    EXPECT_EQ(sysfs.drvctl("serio0"), r.drvctl);
    EXPECT_THAT(run.out + run.err, HasSubstr(r.said));
}

TEST(CliRestoreJson, PrintsADocumentTheSchemaTakes) {
    FakeSysfs sysfs;
    sysfs.addPort({"serio0", "i8042 KBD port", "06", "atkbd"});
    cli::CliOptions o;
    o.linuxSystem.serioBus = sysfs.root().string();
    const nlohmann::json doc =
        nlohmann::json::parse(runCliVirtual({"--json", "restore-keyboard"}, o).out);
    EXPECT_THAT(JsonSchema(nlohmann::json::parse(kCliSchemaText)).check(doc), ::testing::IsEmpty());
    EXPECT_EQ(doc["command"], "restore-keyboard");
}

INSTANTIATE_TEST_SUITE_P(Ports, CliRestore,
                         ::testing::Values(Restore{"bound_as_root", "serio_raw", true, 0, "atkbd",
                                                   "serio0 is given back to atkbd"},
                                           Restore{"bound_not_root", "serio_raw", false, 1, "",
                                                   "giving serio0 back to atkbd needs root"},
                                           Restore{"bound_not_root_helper", "serio_raw", false, 0,
                                                   "atkbd", "serio0 is given back to atkbd", true},
                                           Restore{"with_atkbd", "atkbd", true, 0, "",
                                                   "is not bound to serio_raw (driver atkbd)"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::test

#endif
