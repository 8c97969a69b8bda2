// Confirmations of reset and opos (--yes, a terminal, or neither), the last
// line every device command leaves on the error stream, and the exit status.

#include <filesystem>
#include <optional>

#include "support/cli_run.h"

namespace tavrin::cli {
namespace {

using ::testing::HasSubstr;

using test::CliRun;

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
            EXPECT_THAT(r.err,
                        HasSubstr("Message: " +
                                  std::string(c.args.front() == "reset"
                                                  ? "Are you sure to reset EEPROM to default?"
                                                  : "Do you want to set EEPROM as Vantero "
                                                    "OPOS default?") +
                                  " [y/N] "));
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
    const OutcomeCase cases[] = {
        {{"read"}, false, kExitOk, "Message: Read setting from EEPROM success!"},
        {{"read", "--save", saved},
         false,
         kExitOk,
         "tavrin-cli: the keyboard's settings are saved in " + saved},
        {{"read"}, true, kExitFailed, "Message: Read setting from EEPROM error!"},
        {{"write", dir.file("w.bin")}, false, kExitOk, "Message: Write to EEPROM Successful!"},
        {{"write", "--verify", dir.file("w.bin")},
         false,
         kExitOk,
         "tavrin-cli: verified: every item reads back as written"},
        {{"set", "3=11"}, false, kExitOk, "Message: Write to EEPROM Successful!"},
        {{"--yes", "reset"}, false, kExitOk, "Message: Read default setting from EEPROM success!"},
        {{"--yes", "reset"}, true, kExitFailed, "Message: Read setting from EEPROM error!"},
        {{"--yes", "opos"}, false, kExitOk, "tavrin-cli: the OPOS preset is written and read back"},
        {{"--yes", "opos"},
         true,
         kExitFailed,
         "tavrin-cli: the OPOS preset is sent, but the keyboard could not be read back"},
        {{"--yes", "opos", "--verify"},
         false,
         kExitOk,
         "tavrin-cli: verified: every item reads back as the preset"},
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
        const std::vector<std::uint8_t> keyboard = test::factoryFile({{0, c.unsignedKeyboard ? 0x54 : 0x55}});
        dir.write("k.bin", keyboard);
        std::vector<std::string> args{"--simulate", "--sim-image", dir.file("k.bin")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliOptions options;
        options.simulator.keyboard.silent = c.silentKeyboard;
        const CliRun r = test::runCliVirtual(args, options);
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
