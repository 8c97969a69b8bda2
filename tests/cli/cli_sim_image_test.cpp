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

using test::factoryFile;

TEST(CliSimImage, AnythingButAnImageIsRefusedAndKept) {
    test::TempDir dir;
    dir.write("k.bin", factoryFile());
    ASSERT_EQ(test::runCliVirtual({"convert", dir.file("k.bin"), dir.file("p.json")}).status, 0);
    std::vector<std::uint8_t> longer = factoryFile();
    longer.push_back(0);
    dir.write("garbage", std::vector<std::uint8_t>(512, 0xA5));
    dir.write("notes.txt", std::vector<std::uint8_t>(12, 'n'));
    dir.write("long.bin", longer);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"p.json", "bytes, not the 512 of a settings file"},
        {"garbage", "address 0 holds A5A5A5A5, which is no byte"},
        {"notes.txt", "12 bytes, not the 512 of a settings file"},
        {"long.bin", "513 bytes, not the 512 of a settings file"},
        {"fifo", "not a regular file"},
    };
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name);
        const auto before = std::string(name) == "fifo" ? std::vector<std::uint8_t>{}
                                                        : dir.read(name);
        for (const std::vector<std::string>& command : {std::vector<std::string>{"read"},
                                                       {"--json", "read"}, {"set", "3=11"}}) {
            std::vector<std::string> args{"--simulate", "--sim-image", dir.file(name),
                                          "--wire-log", dir.file("wire.log")};
            args.insert(args.end(), command.begin(), command.end());
            const test::CliRun r = test::runCliVirtual(args);
            EXPECT_EQ(r.status, kExitFailed);
            EXPECT_THAT(r.err, HasSubstr("cannot take " + dir.file(name) +
                                         " as the simulated keyboard's image: "));
            EXPECT_THAT(r.err, HasSubstr(std::string(reason) + "; it is left as it is\n"));
            EXPECT_FALSE(fs::exists(dir.path() / "wire.log")) << "nothing ran";
            EXPECT_EQ(r.out.find('\t'), std::string::npos) << "no item lines";
        }
        EXPECT_EQ(std::string(name) == "fifo" ? before : dir.read(name), before);
    }
    EXPECT_EQ(fs::status(dir.path() / "fifo").type(), fs::file_type::fifo);
}

// Kept where the desktop entry keeps it; --trace has nothing to record.
TEST(CliSimImage, TheUserDataFolderKeepsTheKeyboardAndTraceIsRefused) {
    test::TempDir dir;
    CliOptions options;
    options.userSimImage = dir.file("data/tavrin/simulated-keyboard.bin");
    ASSERT_EQ(test::runCliVirtual({"--simulate", "set", "3=11"}, options).status, kExitOk);
    EXPECT_THAT(test::runCliVirtual({"--simulate", "read"}, options).out,
                HasSubstr("\n3\tTime Delay Of Key Storkes (ms)\t11\n"));
    const test::CliRun trace =
        test::runCliVirtual({"--simulate", "--trace", dir.file("t.txt"), "read"}, options);
    EXPECT_EQ(trace.status, kExitUsage);
    EXPECT_THAT(trace.err, HasSubstr("--trace records the machine's raw keyboard port"));
    EXPECT_FALSE(fs::exists(dir.path() / "t.txt"));
}

TEST(CliSimImage, DiffEndsWithALine) {
    test::TempDir dir;
    dir.write("k.bin", factoryFile());
    std::vector<std::uint8_t> other = factoryFile();
    other[4 * 40] = 0x42;
    other[4 * 42] = 0x01;
    dir.write("o.bin", other);
    const test::CliRun same = test::runCliVirtual({"diff", dir.file("k.bin"), dir.file("k.bin")});
    EXPECT_EQ(same.err, "tavrin-cli: diff: " + dir.file("k.bin") + " and " + dir.file("k.bin") +
                            " hold the same settings\n");
    const test::CliRun differ = test::runCliVirtual({"diff", dir.file("k.bin"), dir.file("o.bin")});
    EXPECT_EQ(differ.err, "tavrin-cli: diff: 1 item(s) and 1 byte(s) no item shows differ\n");
}

}  // namespace
}  // namespace tavrin::cli

#endif
