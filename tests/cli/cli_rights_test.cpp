// Administrator rights: the commands that reach the keyboard refuse at
// once without them; the file commands never ask.

#include <filesystem>

#include "support/cli_run.h"

namespace tavrin::cli {
namespace {

using ::testing::HasSubstr;

using test::factoryFile;

TEST(CliRights, KeyboardCommandsRefuseWithoutAdministratorRights) {
    test::TempDir dir;
    dir.write("a.bin", factoryFile());
    const std::string a = dir.file("a.bin");
    // A profile for apply and a second file for diff, made as an operator would.
    ASSERT_EQ(test::run({"convert", a, dir.file("p.json")}).status, kExitOk);
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
            const test::CliRun run = test::run(args, options);
            if (c.keyboard && !administrator) {
                EXPECT_EQ(run.status, kExitNoRights);
                EXPECT_EQ(run.out, "");
                const std::string command = c.args[0] == "--yes" ? c.args[1] : c.args[0];
                EXPECT_EQ(run.err, "tavrin-cli: " + command +
                                       " reaches the keyboard, which needs administrator rights: "
                                       "run it from a command prompt started with 'Run as "
                                       "administrator'\n");
                // Refused before the session starts: not even the wire log is opened.
                EXPECT_FALSE(std::filesystem::exists(wire));
            } else {
                EXPECT_NE(run.status, kExitNoRights);
                EXPECT_THAT(run.err, ::testing::Not(HasSubstr("administrator")));
                EXPECT_TRUE(std::filesystem::exists(wire));
                if (c.keyboard) {
                    EXPECT_EQ(run.status, kExitOk) << run.err;
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
    EXPECT_EQ(test::run({"--simulate", "set", "nosuchitem=1"}, notElevated).status,
              kExitUsage);
    // Unforced, the simulated keyboard asks for no rights, whoever runs it.
    const test::CliRun run = test::run({"--simulate", "read"});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    // doctor is never refused; on Windows it reports the rights it was given
    // (Linux has checks of its own, in the Linux tool tests).
    const test::CliRun doctor = test::run({"doctor"}, notElevated);
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
    const test::CliRun run = test::run({"read"}, elevated);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, HasSubstr("the port driver is not open, so the keyboard cannot be "
                                   "reached ('tavrin-cli doctor' tells why); the keyboard was "
                                   "not read; likely cause: winio3.dll or winio3.sys is missing: "
                                   "put both files of this build's architecture beside the "
                                   "program\n"));
}

}  // namespace
}  // namespace tavrin::cli
