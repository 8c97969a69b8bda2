#include "cli/cli_app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/item_listing.h"
#include "items/window_model.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "support/temp_dir.h"
#include "tavrin_version.h"

namespace tavrin::cli {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun cli(std::vector<std::string> args) {
    args.insert(args.begin(), "tavrin-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out, err;
    int status = runCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// A settings file of the keyboard's factory image with some changes.
std::vector<std::uint8_t> imageFile(void (*change)(eeprom::EepromImage&)) {
    eeprom::EepromImage image{};
    auto defaults = sim::KeyboardFirmware::factoryDefaults();
    for (std::size_t a = 0; a < defaults.size(); ++a) {
        image[a] = defaults[a];
    }
    change(image);
    return settings_file::encode(image);
}

TEST(CliUsage, BadCommandLinesExitWithTwo) {
    EXPECT_EQ(cli({}).status, kExitUsage);
    EXPECT_EQ(cli({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(cli({"show"}).status, kExitUsage);
    EXPECT_EQ(cli({"--bogus", "read"}).status, kExitUsage);
    EXPECT_EQ(cli({"read", "extra"}).status, kExitUsage);
    CliRun needsSim = cli({"--sim-image", "x.bin", "read"});
    EXPECT_EQ(needsSim.status, kExitUsage);
    EXPECT_THAT(needsSim.err, HasSubstr("--simulate"));
}

TEST(CliUsage, HelpAndVersion) {
    CliRun help = cli({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_THAT(help.out, HasSubstr("--sim-image"));
    CliRun version = cli({"--version"});
    EXPECT_EQ(version.status, kExitOk);
    EXPECT_THAT(version.out, HasSubstr("Tavrin Version " TAVRIN_VERSION));
}

TEST(CliShow, PrintsEveryItemAsTheWindowShowsIt) {
    test::TempDir dir;
    dir.write("a.bin", imageFile([](eeprom::EepromImage& image) {
                  image[32] = '\\';  // barcode preamble: a backslash, a tab, an e-acute
                  image[33] = 0x09;
                  image[34] = 0xE9;
                  image[69] = 0x33;  // TK3
                  image[40] = 0x07;
              }));
    CliRun run = cli({"show", dir.file("a.bin")});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    auto out = lines(run.out);
    ASSERT_EQ(out.size(), 79u);
    EXPECT_EQ(out[0], "1\tInterface Used\tKEYBOARD");
    EXPECT_EQ(out[1], "2\tType of Keyboard Output\tAT");
    EXPECT_EQ(out[2], "3\tTime Delay Of Key Storkes (ms)\t7");
    EXPECT_EQ(out[5], "6\tType Of MSR\tTK3");
    EXPECT_EQ(out[8], "9\tBarcode Preamble Characters\t\\\\{TAB}\u00E9");
    EXPECT_EQ(out[18], "19\tStart Code\t*");
    EXPECT_EQ(out[66], "67\tMSR Preamble Of Track 1\t");
    EXPECT_EQ(out[78], "79\tScan Codes (SCAN SET 2)\tNO");
}

TEST(CliShow, ControlCharactersAreEscaped) {
    ui::WindowModel window;
    window.lstItem[67].addItem(std::string("A\x01\x7F", 3));
    EXPECT_THAT(listItems(window), HasSubstr("67\tMSR Preamble Of Track 1\tA\\x01\\x7F\n"));
}

TEST(CliShow, MissingFileIsAFailure) {
    test::TempDir dir;
    CliRun run = cli({"show", dir.file("none.bin")});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "Message: File not found!\n");
    EXPECT_EQ(lines(run.out).size(), 0u);  // a failed command lists no items
}

TEST(CliSimulated, ReadIsRepeatableAndWriteReachesTheKeyboard) {
    test::TempDir dir;
    const std::string keyboard = dir.file("k.bin");
    CliRun first = cli({"--simulate", "--sim-image", keyboard, "read"});
    ASSERT_EQ(first.status, kExitOk) << first.err;
    EXPECT_EQ(first.err, "Message: Read setting from EEPROM success!\n");
    CliRun second = cli({"--simulate", "--sim-image", keyboard, "read"});
    EXPECT_EQ(second.out, first.out);

    dir.write("new.bin", imageFile([](eeprom::EepromImage& image) {
                  image[40] = 0x42;
                  image[68] = 0x35;  // ITALY
                  image[49] = 0x1B;  // scan codes on
                  image[71] = 0x12;
                  image[72] = 0x59;
                  image[2] = 0x04;
              }));
    CliRun shown = cli({"show", dir.file("new.bin")});
    const std::string wire = dir.file("wire.txt");
    CliRun write = cli(
        {"--simulate", "--sim-image", keyboard, "--wire-log", wire, "write", dir.file("new.bin")});
    ASSERT_EQ(write.status, kExitOk) << write.err;
    EXPECT_EQ(write.err, "Message: Write to EEPROM Successful!\n");
    EXPECT_EQ(write.out, shown.out);

    CliRun after = cli({"--simulate", "--sim-image", keyboard, "read"});
    EXPECT_EQ(after.out, shown.out);
    EXPECT_THAT(after.out, HasSubstr("67\tMSR Preamble Of Track 1\t<12><59>\n"));

    // The wire log holds exactly the whole-image write.
    auto log = dir.read("wire.txt");
    auto logLines = lines(std::string(log.begin(), log.end()));
    ASSERT_GT(logLines.size(), 100u);
    std::regex line(R"(^\d+ [0-9A-F]{2}$)");
    long previous = 0;
    for (const auto& l : logLines) {
        ASSERT_TRUE(std::regex_match(l, line)) << l;
        long ms = std::stol(l);
        EXPECT_GE(ms, previous);
        previous = ms;
    }
    EXPECT_EQ(logLines.front().substr(logLines.front().find(' ')), " E7");
    EXPECT_EQ(logLines.back().substr(logLines.back().find(' ')), " E6");
    EXPECT_EQ(logLines[4].substr(logLines[4].find(' ')), " 4A");  // item 3 goes first
}

TEST(CliSimulated, ResetNeedsYes) {
    test::TempDir dir;
    const std::string keyboard = dir.file("k.bin");
    dir.write("k.bin", imageFile([](eeprom::EepromImage& image) { image[40] = 0x66; }));
    // No terminal to ask: refused as a usage error, before anything is sent.
    CliRun declined = cli({"--simulate", "--sim-image", keyboard, "reset"});
    EXPECT_EQ(declined.status, kExitUsage);
    EXPECT_EQ(declined.err,
              "tavrin-cli: reset asks for confirmation and there is no terminal to answer it; add "
              "--yes to confirm\n");
    CliRun reset = cli({"--simulate", "--sim-image", keyboard, "--yes", "reset"});
    EXPECT_EQ(reset.status, kExitOk) << reset.err;
    EXPECT_THAT(reset.err, HasSubstr("Message: Read default setting from EEPROM success!\n"));
    EXPECT_THAT(reset.out, HasSubstr("3\tTime Delay Of Key Storkes (ms)\t5\n"));
}

// An image that exists but cannot be read would be overwritten with factory
// settings at the end: the tool refuses to start and leaves it as it was.
TEST(CliSimulated, AnUnreadableKeyboardImageRefusesToStartAndIsKept) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "image-is-a-folder");
    std::vector<std::string> images{dir.file("image-is-a-folder")};
    // A write-only file, where the system enforces it (not for root).
    const auto writeOnly = imageFile([](eeprom::EepromImage& image) { image[40] = 0x66; });
    dir.write("write-only.bin", writeOnly);
    std::filesystem::permissions(dir.path() / "write-only.bin",
                                 std::filesystem::perms::owner_write);
    if (!std::ifstream(dir.file("write-only.bin"))) {
        images.push_back(dir.file("write-only.bin"));
    }
    for (const auto& image : images) {
        SCOPED_TRACE(image);
        for (const char* command : {"read", "reset"}) {
            CliRun run = cli({"--simulate", "--sim-image", image, "--yes", command});
            EXPECT_EQ(run.status, kExitFailed);
            EXPECT_THAT(run.err, StartsWith("tavrin-cli: cannot take " + image +
                                            " as the simulated keyboard's image: "));
            EXPECT_THAT(run.err, EndsWith("; it is left as it is\n"));
            EXPECT_EQ(run.out, "");
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "image-is-a-folder"));
    std::filesystem::permissions(
        dir.path() / "write-only.bin",
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(dir.read("write-only.bin"), writeOnly);
}

}  // namespace
}  // namespace tavrin::cli
