// An error shown is never followed by exit 0: a keyboard or a file without
// a keyboard's signature, a silent keyboard, a refused value. The exit
// status comes from what the operation came to, whatever the boxes said.

#include <gtest/gtest.h>

#include <algorithm>

#include "cli/cli_app.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace tavrin::cli {
namespace {

std::vector<std::uint8_t> imageFile(int address0) {
    eeprom::EepromImage image{};
    const auto defaults = sim::KeyboardFirmware::factoryDefaults();
    std::copy(defaults.begin(), defaults.end(), image.begin());
    image[0] = address0;
    return settings_file::encode(image);
}

struct RuleCase {
    std::vector<std::string> args;
    bool unsignedKeyboard;
    bool silentKeyboard;
    int status;
    int keyboardChanged;  // 0 no, 1 yes, -1 either
};

TEST(CliRule, AnErrorShownIsNeverFollowedByExitZero) {
    test::TempDir dir;
    dir.write("good.bin", imageFile(0x55));
    dir.write("unsigned.bin", imageFile(0x54));
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
        const std::vector<std::uint8_t> keyboard = imageFile(c.unsignedKeyboard ? 0x54 : 0x55);
        dir.write("k.bin", keyboard);
        std::vector<std::string> args{"--simulate", "--sim-image", dir.file("k.bin")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliOptions options;
        options.simulator.keyboard.silent = c.silentKeyboard;
        const test::CliRun r = test::runCliVirtual(args, options);
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
