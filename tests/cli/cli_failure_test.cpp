// What the tool says when the keyboard cannot be reached, a byte is lost on
// the way or a file is no keyboard's settings; the rights the keyboard
// commands need; reset's and opos's confirmations; and the last line every
// device command leaves on the error stream.

#include <filesystem>
#include <optional>
#include <random>

#include "support/cli_run.h"

namespace tavrin::cli {
namespace {

using CliFailure = test::SimKeyboardTest;

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
        {"write", dir.file("k.bin")},
        {"reset"},
        {"opos"},
        {"set", "msr.track2.enable=NO"},
        {"read"},
        {"write", "--backup", dir.file("b.json"), dir.file("k.bin")},
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
            const CliRun r =
                run(joined({"--simulate", "--yes", "--wire-log", dir.file("wire.txt")}, command),
                    options);
            EXPECT_EQ(r.status, kExitFailed) << r.err;
            EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
            EXPECT_THAT(r.err, Not(HasSubstr("success!")));
            EXPECT_THAT(r.out, IsEmpty()) << "settings printed that were not read";
            if (!backend.opens.empty()) {  // the driver never opened
                EXPECT_THAT(r.err, HasSubstr("the port driver is not open"));
                EXPECT_THAT(dir.read("wire.txt"), IsEmpty());
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
            const CliRun r =
                run(joined({"--simulate", "--wire-log", dir.file("wire.txt")}, command));
            EXPECT_EQ(r.status, kExitFailed);
            EXPECT_THAT(r.err, HasSubstr("Read setting from file error! not a keyboard's settings: "
                                         "address "));
            EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
            EXPECT_EQ(dir.read("odd.bin"), before);
            EXPECT_THAT(dir.read("wire.txt"), IsEmpty());
        }
        const CliRun shown = run({"show", file});
        EXPECT_EQ(shown.status, kExitFailed);
        EXPECT_THAT(shown.err, HasSubstr("Read from EEPROM error!"));
        EXPECT_THAT(shown.err,
                    HasSubstr(file + (bytes.size() == 512 ? ": " : ": 300 bytes, not 512; ") +
                              "not a keyboard's settings: address "));
        EXPECT_EQ(shown.out, "") << "a failed show lists no items";
    }
}

TEST_F(CliFailure, TheReasonNamesWhatEachWrongAddressHolds) {
    dir.write("k.bin", factoryFile({{0, 0x00}, {1, 0xAB}}));
    const CliRun r = run({"--simulate", "write", dir.file("k.bin")});
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
            SCOPED_TRACE(::testing::PrintToString(c.args) +
                         (administrator ? " (administrator)" : " (not elevated)"));
            dir.write("s.bin", factoryFile());
            const std::string wire = dir.file("wire.log");
            std::filesystem::remove(wire);
            CliOptions options;
            options.administrator = administrator;
            const CliRun r = run(joined({"--simulate", "--wire-log", wire}, c.args), options);
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
    EXPECT_EQ(run({"--simulate", "set", "nosuchitem=1"}, notElevated).status, kExitUsage);
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

std::string lastLine(const std::string& text) {
    const std::string body = text.ends_with('\n') ? text.substr(0, text.size() - 1) : text;
    return body.substr(body.rfind('\n') == std::string::npos ? 0 : body.rfind('\n') + 1);
}

class CliOutcome : public test::SimKeyboardTest {
protected:
    void SetUp() override { dir.write("k.bin", factory); }

    // On the simulated keyboard; answers is the terminal's input, when
    // there is a terminal.
    CliRun run(std::vector<std::string> args, std::optional<std::string> answers = std::nullopt,
               CliOptions options = {}) {
        std::istringstream terminal(answers.value_or(""));
        if (answers) {
            options.answers = &terminal;
        }
        return test::runCliVirtual(sim(std::move(args)), options);
    }

    const std::vector<std::uint8_t> factory = test::factoryFile({{40, 0x66}});  // item 3 moved
};

struct ConfirmCase {
    std::vector<std::string> args;
    std::optional<std::string> terminal;  // no terminal when empty
    int status;
    std::string lastLine;
    bool keyboardChanged;
};

TEST_F(CliOutcome, ResetAndOposAskOnATerminalTakeYesAndElseRefuseBeforeTouchingTheKeyboard) {
    const std::string noTerminal =
        " asks for confirmation and there is no terminal to answer it; add --yes to confirm";
    const std::string notConfirmed =
        "tavrin-cli: not confirmed; the keyboard's settings are unchanged";
    const std::string oposDone = "tavrin-cli: the OPOS preset is written and read back";
    const std::string resetDone = "Message: Read default setting from EEPROM success!";
    const ConfirmCase cases[] = {
        {{"reset"}, std::nullopt, kExitUsage, "tavrin-cli: reset" + noTerminal, false},
        {{"opos"}, std::nullopt, kExitUsage, "tavrin-cli: opos" + noTerminal, false},
        {{"reset", "--backup", dir.file("b.json"), "--verify"},
         std::nullopt,
         kExitUsage,
         "tavrin-cli: reset" + noTerminal,
         false},
        {{"--yes", "reset"}, std::nullopt, kExitOk, resetDone, true},
        {{"--yes", "opos"}, std::nullopt, kExitOk, oposDone, true},
        {{"reset"}, "y\n", kExitOk, resetDone, true},
        {{"opos"}, "Yes\n", kExitOk, oposDone, true},
        {{"--yes", "opos"}, "n\n", kExitOk, oposDone, true},  // --yes answers first
        {{"reset"}, "n\n", kExitFailed, notConfirmed, false},
        {{"opos"}, "\n", kExitFailed, notConfirmed, false},
        {{"reset"}, "", kExitFailed, notConfirmed, false},  // the input ends
    };
    for (const ConfirmCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args) + " terminal " +
                     ::testing::PrintToString(c.terminal));
        dir.write("k.bin", factory);
        std::filesystem::remove(dir.path() / "wire.txt");
        const CliRun r = run(c.args, c.terminal);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(lastLine(r.err), c.lastLine) << r.err;
        EXPECT_EQ(dir.read("k.bin") != factory, c.keyboardChanged);
        if (c.status == kExitUsage) {
            EXPECT_EQ(wireBytes(), 0u);
            EXPECT_FALSE(std::filesystem::exists(dir.path() / "b.json"));
            EXPECT_EQ(r.out, "");
        }
        if (c.terminal && !c.args.front().starts_with("--yes")) {
            // The window's question, and the answer asked for after it.
            const std::string question = c.args.front() == "reset"
                                             ? "Are you sure to reset EEPROM to default?"
                                             : "Do you want to set EEPROM as Vantero OPOS default?";
            EXPECT_THAT(r.err, HasSubstr("Message: " + question + " [y/N] "));
        }
        if (c.lastLine == notConfirmed) {
            EXPECT_EQ(wireBytes(), 0u);
        }
    }
}

struct OutcomeCase {
    std::vector<std::string> args;
    bool silentKeyboard;
    int status;
    std::string lastLine;
};

TEST_F(CliOutcome, EveryDeviceCommandEndsWithALineSayingWhatHappened) {
    dir.write("w.bin", factory);
    const std::string saved = dir.file("saved.json");
    const std::string savedIn = "tavrin-cli: the keyboard's settings are saved in " + saved;
    const std::string verified = "tavrin-cli: verified: every item reads back as ";
    const std::string opos = "tavrin-cli: the OPOS preset is ";
    const OutcomeCase cases[] = {
        {{"read"}, false, kExitOk, "Message: Read setting from EEPROM success!"},
        {{"read", "--save", saved}, false, kExitOk, savedIn},
        {{"read"}, true, kExitFailed, "Message: Read setting from EEPROM error!"},
        {{"write", dir.file("w.bin")}, false, kExitOk, "Message: Write to EEPROM Successful!"},
        {{"write", "--verify", dir.file("w.bin")}, false, kExitOk, verified + "written"},
        {{"set", "3=11"}, false, kExitOk, "Message: Write to EEPROM Successful!"},
        {{"--yes", "reset"}, false, kExitOk, "Message: Read default setting from EEPROM success!"},
        {{"--yes", "reset"}, true, kExitFailed, "Message: Read setting from EEPROM error!"},
        {{"--yes", "opos"}, false, kExitOk, opos + "written and read back"},
        {{"--yes", "opos"},
         true,
         kExitFailed,
         opos + "sent, but the keyboard could not be read back"},
        {{"--yes", "opos", "--verify"}, false, kExitOk, verified + "the preset"},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args) + (c.silentKeyboard ? " silent" : ""));
        dir.write("k.bin", factory);
        CliOptions options;
        options.simulator.keyboard.silent = c.silentKeyboard;
        const CliRun r = run(c.args, std::nullopt, options);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(lastLine(r.err), c.lastLine) << r.err;
    }
}

// An error shown is never followed by exit 0: a keyboard or a file without
// a keyboard's signature, a silent keyboard, a refused value. The exit
// status comes from what the operation came to, whatever the boxes said.
struct RuleCase {
    std::vector<std::string> args;
    bool unsignedKeyboard;
    bool silentKeyboard;
    int status;
    int keyboardChanged;  // 0 no, 1 yes, -1 either
};

TEST(CliRule, AnErrorShownIsNeverFollowedByExitZero) {
    test::TempDir dir;
    dir.write("good.bin", test::factoryFile());
    dir.write("unsigned.bin", test::factoryFile({{0, 0x54}}));
    const std::string good = dir.file("good.bin");
    const std::string bad = dir.file("unsigned.bin");
    const RuleCase cases[] = {
        // The keyboard answers without its signature: the walk says so.
        {{"read"}, true, false, kExitFailed, false},
        {{"set", "3=11"}, true, false, kExitFailed, false},
        {{"--yes", "opos"}, true, false, kExitFailed, 1},
        {{"write", "--verify", good}, true, false, kExitFailed, -1},
        {{"diff", "keyboard", "keyboard"}, true, false, kExitFailed, false},
        {{"apply", good, "--backup-dir", dir.file("backups")}, true, false, kExitFailed, false},
        // A silent keyboard.
        {{"read"}, false, true, kExitFailed, false},
        {{"set", "3=11"}, false, true, kExitFailed, false},
        {{"--yes", "reset"}, false, true, kExitFailed, -1},
        // Files: shown with the walk's box, refused for use, converted and
        // compared as they are, without one.
        {{"show", bad}, false, false, kExitFailed, false},
        {{"write", bad}, false, false, kExitFailed, false},
        {{"convert", bad, dir.file("u.json")}, false, false, kExitOk, false},
        {{"diff", bad, bad}, false, false, kExitOk, false},
        {{"diff", good, bad}, false, false, kExitFailed, false},
        // A signed keyboard, for contrast.
        {{"read"}, false, false, kExitOk, false},
        {{"set", "3=11"}, false, false, kExitOk, 1},
        {{"diff", "keyboard", good}, false, false, kExitOk, false},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args) + (c.unsignedKeyboard ? " unsigned" : "") +
                     (c.silentKeyboard ? " silent" : ""));
        const std::vector<std::uint8_t> keyboard =
            test::factoryFile({{0, c.unsignedKeyboard ? 0x54 : 0x55}});
        dir.write("k.bin", keyboard);
        CliOptions options;
        options.simulator.keyboard.silent = c.silentKeyboard;
        const CliRun r =
            run(joined({"--simulate", "--sim-image", dir.file("k.bin")}, c.args), options);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (r.err.find("error!") != std::string::npos) {
            EXPECT_NE(r.status, kExitOk) << r.err;
        }
        if (c.keyboardChanged >= 0) {
            EXPECT_EQ(dir.read("k.bin") != keyboard, c.keyboardChanged == 1);
        }
    }
}

}  // namespace
}  // namespace tavrin::cli
