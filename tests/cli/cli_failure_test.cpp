// What the tool says when the keyboard cannot be reached, or a byte is lost
// on the way, and when a file is no keyboard's settings: never a success, no
// settings printed that were not read, exit 1, nothing sent. And without
// administrator rights the commands that reach the keyboard refuse at once;
// the file commands never ask.

#include <filesystem>
#include <random>

#include "support/cli_run.h"

namespace tavrin::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using test::CliRun;
using test::factoryFile;
using test::run;

class CliFailure : public ::testing::Test {
protected:
    void SetUp() override { dir.write("settings.bin", factoryFile()); }
    std::string settings() const { return dir.file("settings.bin"); }
    std::string wire() const { return dir.file("wire.log"); }
    test::TempDir dir;
};

struct Backend {
    const char* name;
    std::deque<bool> opens;  // InitializeWinIo's answers
    int refuseAfter;         // bytes out before the driver refuses every access
};

const Backend kBackends[] = {
    {"no driver", {false, false}, -1},
    {"refuses every access", {}, 0},
    {"refuses from byte 3", {}, 3},
    {"refuses from byte 12", {}, 12},
};

TEST_F(CliFailure, NoDeviceCommandSucceedsOverALostByte) {
    const std::vector<std::vector<std::string>> commands = {
        {"write", settings()},
        {"reset"},
        {"opos"},
        {"set", "msr.track2.enable=NO"},
        {"read"},
        {"write", "--backup", dir.file("b.json"), settings()},
    };
    for (const Backend& backend : kBackends) {
        for (const auto& command : commands) {
            if (command[0] == "read" && backend.refuseAfter >= 8) {
                continue;  // the read command's eight bytes all go out
            }
            SCOPED_TRACE(std::string(backend.name) + " / " + command[0] + " " +
                         (command.size() > 1 ? command[1] : ""));
            CliOptions options;
            options.simulator.controller.initializeResults = backend.opens;
            options.simulator.controller.refuseAfterBytes = backend.refuseAfter;
            std::vector<std::string> args = {"--simulate", "--yes", "--wire-log", wire()};
            args.insert(args.end(), command.begin(), command.end());

            const CliRun r = run(args, options);

            EXPECT_EQ(r.status, kExitFailed) << r.err;
            EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
            EXPECT_THAT(r.err, Not(HasSubstr("success!")));
            EXPECT_THAT(r.out, IsEmpty()) << "settings printed that were not read";
            if (!backend.opens.empty()) {  // the driver never opened
                EXPECT_THAT(r.err, HasSubstr("the port driver is not open"));
                EXPECT_THAT(dir.read("wire.log"), IsEmpty());
            }
        }
    }
}

// A file that is no keyboard's settings is refused wherever it would be
// used, and only shown (exit 1) by show.
TEST_F(CliFailure, AFileWithAWrongSignatureIsRefusedForUse) {
    std::mt19937 random(18);
    std::vector<std::vector<std::uint8_t>> files = {std::vector<std::uint8_t>(512, 0)};
    for (int i = 0; i < 6; ++i) {
        std::vector<std::uint8_t> bytes(i % 2 ? 300 : 512);
        for (auto& b : bytes) {
            b = static_cast<std::uint8_t>(random());
        }
        bytes[0] =
            static_cast<std::uint8_t>(0x55 ^ (i % 3 == 1 ? 0 : 1 + i));  // address 0 or 1 wrong
        files.push_back(bytes);
    }
    const std::string file = dir.file("odd.bin");
    for (const auto& bytes : files) {
        dir.write("odd.bin", bytes);
        const auto before = dir.read("odd.bin");
        for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
                 {"write", file}, {"set", "--file", file, "msr.track2.enable=NO"}}) {
            SCOPED_TRACE(command[0]);
            std::vector<std::string> args = {"--simulate", "--wire-log", wire()};
            args.insert(args.end(), command.begin(), command.end());
            const CliRun r = run(args);
            EXPECT_EQ(r.status, kExitFailed);
            EXPECT_THAT(r.err, HasSubstr("Read setting from file error! not a keyboard's settings: "
                                         "address "));
            EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
            EXPECT_EQ(dir.read("odd.bin"), before);
            EXPECT_THAT(dir.read("wire.log"), IsEmpty());
        }
        const CliRun shown = run({"show", file});
        EXPECT_EQ(shown.status, kExitFailed);
        EXPECT_THAT(shown.err, HasSubstr("Read from EEPROM error!"));
        EXPECT_THAT(shown.err, HasSubstr(file + (bytes.size() == 512 ? ": " : ": 300 bytes, not 512; ") +
                                         "not a keyboard's settings: address "));
        EXPECT_EQ(shown.out, "") << "a failed show lists no items";
    }
}

TEST_F(CliFailure, TheReasonNamesWhatEachWrongAddressHolds) {
    dir.write("settings.bin", factoryFile({{0, 0x00}, {1, 0xAB}}));
    const CliRun r = run({"--simulate", "write", settings()});
    EXPECT_THAT(r.err, HasSubstr("address 0 holds 00 (55 expected), address 1 holds AB (AA "
                                 "expected)"));
}

TEST(CliRights, KeyboardCommandsRefuseWithoutAdministratorRights) {
    test::TempDir dir;
    dir.write("a.bin", factoryFile());
    const std::string a = dir.file("a.bin");
    // A profile for apply and a second file for diff, made as an operator would.
    ASSERT_EQ(run({"convert", a, dir.file("p.json")}).status, kExitOk);
    const std::string p = dir.file("p.json");

    struct Case {
        std::vector<std::string> args;
        bool keyboard;
    } cases[] = {
        {{"show", a}, false},
        {{"convert", a, dir.file("c.json")}, false},
        {{"diff", a, p}, false},
        {{"set", "--file", dir.file("s.bin"), "msr.track2.enable=NO"}, false},
        {{"read"}, true},
        {{"write", a}, true},
        {{"set", "msr.track2.enable=NO"}, true},
        {{"--yes", "reset"}, true},
        {{"--yes", "opos"}, true},
        {{"apply", "--backup-dir", dir.file("backups"), p}, true},
        {{"diff", a, "keyboard"}, true},
        {{"diff", "keyboard", p}, true},
    };
    for (const bool administrator : {true, false}) {
        for (const Case& c : cases) {
            std::string name;
            for (const auto& arg : c.args) {
                name += arg + " ";
            }
            SCOPED_TRACE(name + (administrator ? "(administrator)" : "(not elevated)"));
            dir.write("s.bin", factoryFile());
            const std::string wire = dir.file("wire.log");
            std::filesystem::remove(wire);
            std::vector<std::string> args{"--simulate", "--wire-log", wire};
            args.insert(args.end(), c.args.begin(), c.args.end());
            CliOptions options;
            options.administrator = administrator;
            const CliRun r = run(args, options);
            if (c.keyboard && !administrator) {
                EXPECT_EQ(r.status, kExitNoRights);
                EXPECT_EQ(r.out, "");
                const std::string command = c.args[0] == "--yes" ? c.args[1] : c.args[0];
                EXPECT_EQ(r.err, "tavrin-cli: " + command +
                                       " reaches the keyboard, which needs administrator rights: "
                                       "run it from a command prompt started with 'Run as "
                                       "administrator'\n");
                // Refused before the session starts: not even the wire log is opened.
                EXPECT_FALSE(std::filesystem::exists(wire));
            } else {
                EXPECT_NE(r.status, kExitNoRights);
                EXPECT_THAT(r.err, Not(HasSubstr("administrator")));
                EXPECT_TRUE(std::filesystem::exists(wire));
                if (c.keyboard) {
                    EXPECT_EQ(r.status, kExitOk) << r.err;
                    EXPECT_GT(std::filesystem::file_size(wire), 0u);
                }
            }
        }
    }
}

TEST(CliRights, UsageErrorsComeFirstAndTheSimulatedKeyboardNeedsNoRights) {
    CliOptions notElevated;
    notElevated.administrator = false;
    // A usage error is still a usage error without rights.
    EXPECT_EQ(run({"--simulate", "set", "nosuchitem=1"}, notElevated).status,
              kExitUsage);
    // Unforced, the simulated keyboard asks for no rights, whoever runs it.
    const CliRun r = run({"--simulate", "read"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    // doctor is never refused; on Windows it reports the rights it was given
    // (Linux has checks of its own, in the Linux tool tests).
    const CliRun doctor = run({"doctor"}, notElevated);
    EXPECT_NE(doctor.status, kExitNoRights);
#ifdef _WIN32
    EXPECT_THAT(doctor.out, HasSubstr("FAIL  administrator rights: no"));
#endif
}

// The machine's own backends, with no driver files beside the test: the
// driver-closed line names the cause doctor gives.
TEST(CliRights, TheDriverClosedLineNamesTheLikeliestCause) {
#ifndef _WIN32
    GTEST_SKIP() << "the port driver and its causes are Windows'; Linux names its own reason";
#endif
    CliOptions elevated;
    elevated.administrator = true;
    const CliRun r = run({"read"}, elevated);
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_THAT(r.err, HasSubstr("the port driver is not open, so the keyboard cannot be "
                                   "reached ('tavrin-cli doctor' tells why); the keyboard was "
                                   "not read; likely cause: winio3.dll or winio3.sys is missing: "
                                   "put both files of this build's architecture beside the "
                                   "program\n"));
}

}  // namespace
}  // namespace tavrin::cli
