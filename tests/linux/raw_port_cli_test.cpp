// tavrin-cli's guarded keyboard commands (set, write, reset and opos with
// --backup and --verify) run over the raw keyboard port and its double, and
// over the simulated keyboard's own path: the same lines, exit status, wire
// bytes, frames, EEPROM and backup files come out.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>

#include "app/null_backends.h"
#include "cli/commands.h"
#include "link/raw_keyboard_port.h"
#include "platform/std_file_system.h"
#include "support/raw_keyboard_double.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

// The tool's commands over one window; raw: through the raw port's double.
struct CliRig {
    explicit CliRig(const RawKeyboardDouble::Options* raw) : keyboard(clock, {}) {
        if (raw != nullptr) {
            device = std::make_unique<RawKeyboardDouble>(clock, keyboard, *raw);
            port = std::make_unique<link::RawKeyboardPort>(device->device(), host, raw->set);
            events = std::make_unique<link::RawPortEvents>(host, *port);
            window = std::make_unique<ui::MsrWindow>(ui::Platform{
                *port, host, *events, host, *port, host, files, dialogs, registry, launcher});
        } else {
            platform::ClockHost& h = keyboard.host();
            window = std::make_unique<ui::MsrWindow>(
                ui::Platform{keyboard.ports(), h, h, h, h, h, files, dialogs, registry, launcher});
        }
        window->Form_Load(false);
    }

    std::string file(const char* name) const { return programDir.file(name); }

    sim::VirtualClock clock;
    sim::SimulatedKeyboard keyboard;
    platform::ClockHost host{clock};
    std::unique_ptr<RawKeyboardDouble> device;
    std::unique_ptr<link::RawKeyboardPort> port;
    std::unique_ptr<link::RawPortEvents> events;
    TempDir programDir;
    TempDir systemDir;
    platform::StdFileSystem files{programDir.path().string(), systemDir.path().string()};
    std::ostringstream out, err;
    cli::CliDialogs dialogs{err, true};
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;
    std::unique_ptr<ui::MsrWindow> window;
};

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a command left behind, with the rig's own folder named DIR.
struct Outcome {
    int status;
    std::string out, err, backup;
    std::vector<std::uint8_t> wire;
    std::vector<std::vector<std::uint8_t>> frames;
    sim::KeyboardFirmware::Eeprom eeprom;
};

using Command = std::function<int(cli::Commands&, CliRig&)>;

std::string named(std::string text, const std::string& dir) {
    for (auto at = text.find(dir); at != std::string::npos; at = text.find(dir)) {
        text.replace(at, dir.size(), "DIR");
    }
    return text;
}

Outcome run(CliRig& rig, const Command& command, const char* backup) {
    rig.out.str("");
    rig.err.str("");
    cli::Commands commands(*rig.window, rig.dialogs, rig.out, rig.err);
    Outcome o;
    o.status = command(commands, rig);
    const std::string dir = rig.programDir.path().string();
    o.out = named(rig.out.str(), dir);
    o.err = named(rig.err.str(), dir);
    o.backup = backup != nullptr ? contents(rig.file(backup)) : "";
    o.wire = rig.keyboard.ports().wireBytes();
    o.frames = rig.keyboard.firmware().frames();
    o.eeprom = rig.keyboard.firmware().eeprom();
    return o;
}

cli::WriteGuard guard(CliRig& rig, const char* backup, bool verify) {
    return {backup != nullptr ? rig.file(backup) : "", verify};
}

struct Step {
    const char* name;
    const char* backup;  // the file --backup writes, if any
    Command command;
};

std::vector<cli::Assignment> changes(std::vector<std::string> args) {
    std::vector<cli::Assignment> parsed;
    EXPECT_EQ(cli::parseAssignments(args, parsed), "");
    return parsed;
}

const Step kSteps[] = {
    {"set --backup --verify", "before.json",
     [](cli::Commands& c, CliRig& r) {
         return c.setKeyboard(changes({"3=25", "5=SPAIN"}), guard(r, "before.json", true));
     }},
    {"set --verify mode", nullptr,
     [](cli::Commands& c, CliRig& r) {
         return c.setKeyboard(changes({"mode=scan"}), guard(r, nullptr, true));
     }},
    {"write --backup --verify", "second.bin",
     [](cli::Commands& c, CliRig& r) {
         return c.write(r.file("before.json"), guard(r, "second.bin", true));
     }},
    {"reset --verify", nullptr,
     [](cli::Commands& c, CliRig& r) { return c.reset(guard(r, nullptr, true)); }},
    {"opos --backup --verify", "third.json",
     [](cli::Commands& c, CliRig& r) { return c.opos(guard(r, "third.json", true)); }},
};

struct PathCase {
    const char* name;
    RawKeyboardDouble::Options raw;
    friend void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }
};

class CliOverRawPort : public ::testing::TestWithParam<PathCase> {};

TEST_P(CliOverRawPort, AsOnTheSimulatedKeyboard) {
    CliRig sim(nullptr);
    CliRig raw(&GetParam().raw);
    for (const Step& step : kSteps) {
        const Outcome s = run(sim, step.command, step.backup);
        const Outcome r = run(raw, step.command, step.backup);
        ASSERT_EQ(s.status, cli::kExitOk) << step.name << ": " << s.err;
        EXPECT_EQ(r.status, s.status) << step.name << ": " << r.err;
        EXPECT_EQ(r.out, s.out) << step.name;
        EXPECT_EQ(r.err, s.err) << step.name;
        EXPECT_EQ(r.backup, s.backup) << step.name;
        EXPECT_FALSE(step.backup != nullptr && r.backup.empty()) << step.name;
        EXPECT_EQ(r.wire, s.wire) << step.name;
        EXPECT_EQ(r.frames, s.frames) << step.name;
        EXPECT_EQ(r.eeprom, s.eeprom) << step.name;
    }
    EXPECT_EQ(raw.port->tally().refusedBytes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliOverRawPort,
    ::testing::Values(PathCase{"Set1", rawOptions(link::ScanCodeSet::Set1)},
                      PathCase{"Set2BreakAlone", rawOptions(link::ScanCodeSet::Set2, true, true)},
                      PathCase{"NoAck", rawOptions(link::ScanCodeSet::Set1, false)}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return info.param.name; });

// The program too slow for the kernel's ring while --backup reads the
// keyboard: the command fails and writes nothing.
TEST(CliOverRawPort, ABackupReadThatLostBytesWritesNothing) {
    RawKeyboardDouble::Options o = rawOptions(link::ScanCodeSet::Set1);
    platform::Micros started = 0;
    {
        CliRig probe(&o);
        started = probe.clock.now();  // when the tool's start-up has ended
    }
    o.stallAt = started + 350'000;  // while the keyboard types its answer
    o.stallFor = 400'000;
    CliRig rig(&o);
    const auto before = rig.keyboard.firmware().eeprom();
    const Outcome r = run(rig, kSteps[0].command, kSteps[0].backup);
    EXPECT_EQ(r.status, cli::kExitFailed) << r.err;
    EXPECT_NE(r.err, "");
    EXPECT_EQ(r.backup, "");
    EXPECT_EQ(r.eeprom, before);
    EXPECT_GT(rig.device->dropped(), 0);
    EXPECT_GT(rig.port->tally().overruns, 0);
}

}  // namespace
}  // namespace tavrin::test
