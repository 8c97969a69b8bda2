// The simulated keyboard's image file: only an absent file or 512 bytes of
// byte values is taken; anything else is refused before anything runs and
// stays as it was. Where it is kept without one, and what diff ends with.

#ifndef _WIN32

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "cli/cli_app.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace tavrin::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::uint8_t> factoryFile() {
    eeprom::EepromImage image{};
    auto defaults = sim::KeyboardFirmware::factoryDefaults();
    std::copy(defaults.begin(), defaults.end(), image.begin());
    return settings_file::encode(image);
}

TEST(CliSimImage, AnythingButAnImageIsRefusedAndKept) {
    test::TempDir dir;
    dir.write("factory.bin", factoryFile());
    ASSERT_EQ(test::runCliVirtual({"convert", dir.file("factory.bin"), dir.file("p.json")}).status,
              kExitOk);
    std::vector<std::uint8_t> longer = factoryFile();
    longer.push_back(0);
    dir.write("garbage", std::vector<std::uint8_t>(512, 0xA5));
    dir.write("notes.txt", {'b', 'u', 'y', ' ', 'p', 'a', 'p', 'e', 'r', ' ', '!', '\n'});
    dir.write("long.bin", longer);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    fs::create_directory(dir.path() / "folder");
    struct Case {
        const char* name;
        const char* reason;
    };
    const Case cases[] = {
        {"p.json", "bytes, not the 512 of a settings file"},
        {"garbage", "address 0 holds A5A5A5A5, which is no byte"},
        {"notes.txt", "12 bytes, not the 512 of a settings file"},
        {"long.bin", "513 bytes, not the 512 of a settings file"},
        {"fifo", "not a regular file"},
        {"folder", "is a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = fs::is_regular_file(dir.path() / c.name) ? dir.read(c.name)
                                                                    : std::vector<std::uint8_t>{};
        for (const char* command : {"read", "--json read", "set 3=11"}) {
            std::vector<std::string> args{"--simulate", "--sim-image", dir.file(c.name),
                                          "--wire-log", dir.file("wire.log")};
            if (std::string(command) == "--json read") {
                args.insert(args.begin(), "--json");
                args.push_back("read");
            } else if (std::string(command) == "read") {
                args.push_back("read");
            } else {
                args.insert(args.end(), {"set", "3=11"});
            }
            const test::CliRun r = test::runCliVirtual(args);
            EXPECT_EQ(r.status, kExitFailed) << command;
            EXPECT_THAT(r.err, HasSubstr("tavrin-cli: cannot take " + dir.file(c.name) +
                                         " as the simulated keyboard's image: "));
            EXPECT_THAT(r.err, HasSubstr(std::string(c.reason) + "; it is left as it is\n"));
            EXPECT_FALSE(fs::exists(dir.path() / "wire.log")) << "nothing ran";
            EXPECT_EQ(r.out.find("\t"), std::string::npos) << "no item lines: " << r.out;
        }
        if (fs::is_regular_file(dir.path() / c.name)) {
            EXPECT_EQ(dir.read(c.name), before);
        }
    }
    EXPECT_EQ(fs::status(dir.path() / "fifo").type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
}

// An image the keyboard left without its signature is still its image.
TEST(CliSimImage, AnUnsignedImageAndAnAbsentFileAreTaken) {
    test::TempDir dir;
    std::vector<std::uint8_t> unsignedImage = factoryFile();
    unsignedImage[0] = 0x54;
    dir.write("k.bin", unsignedImage);
    const test::CliRun read = test::runCliVirtual({"--simulate", "--sim-image", dir.file("k.bin"),
                                                   "read"});
    EXPECT_THAT(read.err, Not(HasSubstr("cannot take")));
    EXPECT_EQ(dir.read("k.bin"), unsignedImage);
    const test::CliRun fresh = test::runCliVirtual({"--simulate", "--sim-image", dir.file("new.bin"),
                                                    "read"});
    EXPECT_EQ(fresh.status, kExitOk) << fresh.err;
    EXPECT_EQ(dir.read("new.bin"), factoryFile());
}

// Without --sim-image the keyboard is kept where the desktop entry keeps
// it; --trace has nothing to record on it and is refused.
TEST(CliSimImage, TheUserDataFolderKeepsTheKeyboardAndTraceIsRefused) {
    test::TempDir dir;
    CliOptions options;
    options.userSimImage = dir.file("data/tavrin/simulated-keyboard.bin");
    const test::CliRun set = test::runCliVirtual({"--simulate", "set", "3=11"}, options);
    ASSERT_EQ(set.status, kExitOk) << set.err;
    const test::CliRun read = test::runCliVirtual({"--simulate", "read"}, options);
    EXPECT_THAT(read.out, HasSubstr("\n3\tTime Delay Of Key Storkes (ms)\t11\n"));

    const test::CliRun trace =
        test::runCliVirtual({"--simulate", "--trace", dir.file("t.txt"), "read"}, options);
    EXPECT_EQ(trace.status, kExitUsage);
    EXPECT_THAT(trace.err, HasSubstr("--trace records the machine's raw keyboard port, which the "
                                     "simulated keyboard does not use"));
    EXPECT_FALSE(fs::exists(dir.path() / "t.txt"));
}

TEST(CliSimImage, DiffEndsWithALine) {
    test::TempDir dir;
    dir.write("k.bin", factoryFile());
    std::vector<std::uint8_t> other = factoryFile();
    other[4 * 40] = 0x42;
    other[4 * 42] = 0x01;
    dir.write("o.bin", other);
    const test::CliRun same = test::runCliVirtual(
        {"--simulate", "--sim-image", dir.file("k.bin"), "diff", dir.file("k.bin"), "keyboard"});
    EXPECT_EQ(same.status, kExitOk);
    EXPECT_EQ(same.out, "");
    EXPECT_THAT(same.err, HasSubstr("tavrin-cli: diff: " + dir.file("k.bin") +
                                    " and keyboard hold the same settings\n"));
    const test::CliRun differ = test::runCliVirtual({"diff", dir.file("k.bin"), dir.file("o.bin")});
    EXPECT_EQ(differ.status, kExitFailed);
    EXPECT_EQ(differ.err, "tavrin-cli: diff: 1 item(s) and 1 byte(s) no item shows differ\n");
}

}  // namespace
}  // namespace tavrin::cli

#endif
