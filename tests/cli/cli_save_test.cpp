// What tavrin-cli says when a save fails, and what its saves do to links,
// modes and names planted beside the file.

#ifndef _WIN32

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "cli/cli_app.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "support/cli_run.h"
#include "support/posix_files.h"
#include "support/temp_dir.h"

namespace tavrin::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

using test::CliRun;

CliRun run(std::vector<std::string> args) {
    return test::runCliVirtual(std::move(args));
}

using test::factoryFile;

TEST(CliSave, AFailedSaveSaysWhy) {
    test::TempDir dir;
    dir.write("in.bin", factoryFile());
    fs::create_directory(dir.path() / "folder.json");
    fs::create_directory(dir.path() / "locked");
    struct Case {
        std::string out;
        const char* reason;
    };
    const Case cases[] = {
        {dir.file("folder.json"), "a folder has that name"},
        {dir.file("missing/out.json"), "the folder does not exist"},
        {dir.file("locked/out.json"), "the folder is read-only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        CliRun convert;
        {
            test::ReadOnlyFolder readOnly(dir.path() / "locked");
            convert = run({"convert", dir.file("in.bin"), c.out});
        }
        EXPECT_EQ(convert.status, kExitFailed);
        EXPECT_THAT(convert.err, HasSubstr("Message: Save setting to file error! (" +
                                           std::string(c.reason) + ")\n"));
    }
    EXPECT_TRUE(test::namesIn(dir.path() / "locked").empty());
}

TEST(CliSave, SetThroughALinkKeepsTheLinkAndTheMode) {
    test::TempDir dir;
    dir.write("in.bin", factoryFile());
    ASSERT_EQ(run({"convert", dir.file("in.bin"), dir.file("real.json")}).status, kExitOk);
    ASSERT_EQ(::chmod(dir.file("real.json").c_str(), 0640), 0);
    fs::create_symlink("real.json", dir.path() / "link.json");
    const CliRun set = run({"set", "--file", dir.file("link.json"), "3=42"});
    ASSERT_EQ(set.status, kExitOk) << set.err;
    EXPECT_TRUE(test::isSymlink(dir.file("link.json")));
    EXPECT_EQ(test::modeOf(dir.file("real.json")), 0640u);
    const auto text = dir.read("real.json");
    EXPECT_THAT(std::string(text.begin(), text.end()), HasSubstr("\"value\": \"42\""));
}

TEST(CliSave, ALinkPlantedAtTheOldFixedNameIsNotWrittenThrough) {
    test::TempDir dir;
    dir.write("k.bin", factoryFile());
    dir.write("precious", {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'});
    fs::create_symlink(dir.file("precious"), dir.path() / "out.json.tavrin-new");
    const CliRun read = run(
        {"--simulate", "--sim-image", dir.file("k.bin"), "read", "--save", dir.file("out.json")});
    ASSERT_EQ(read.status, kExitOk) << read.err;
    EXPECT_EQ(dir.read("precious"),
              (std::vector<std::uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_FALSE(test::isSymlink(dir.file("out.json")));
    EXPECT_TRUE(test::isSymlink(dir.file("out.json.tavrin-new")));
}

}  // namespace
}  // namespace tavrin::cli

#endif
