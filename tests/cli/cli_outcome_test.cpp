// Confirmations of reset and opos (--yes, a terminal, or neither), and the
// last line every device command leaves on the error stream.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>

#include "cli/cli_app.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace tavrin::cli {
namespace {

using ::testing::HasSubstr;

using test::CliRun;

std::string lastLine(const std::string& text) {
    const std::string body = text.ends_with('\n') ? text.substr(0, text.size() - 1) : text;
    return body.substr(body.rfind('\n') == std::string::npos ? 0 : body.rfind('\n') + 1);
}

class CliOutcome : public ::testing::Test {
protected:
    void SetUp() override {
        eeprom::EepromImage image{};
        const auto defaults = sim::KeyboardFirmware::factoryDefaults();
        std::copy(defaults.begin(), defaults.end(), image.begin());
        image[40] = 0x66;  // item 3 away from its default
        factory = settings_file::encode(image);
        dir.write("k.bin", factory);
    }

    // On the simulated keyboard; answers is the terminal's input, when
    // there is a terminal.
    CliRun run(std::vector<std::string> args, std::optional<std::string> answers = std::nullopt,
               CliOptions options = {}) {
        std::istringstream terminal(answers.value_or(""));
        if (answers) {
            options.answers = &terminal;
        }
        args.insert(args.begin(), {"--simulate", "--sim-image", dir.file("k.bin"), "--wire-log",
                                   dir.file("wire.txt")});
        return test::runCliVirtual(std::move(args), options);
    }

    std::size_t wireBytes() {
        if (!std::filesystem::exists(dir.path() / "wire.txt")) {
            return 0;
        }
        auto log = dir.read("wire.txt");
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    }

    test::TempDir dir;
    std::vector<std::uint8_t> factory;
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

}  // namespace
}  // namespace tavrin::cli
