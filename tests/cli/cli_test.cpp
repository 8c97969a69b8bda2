#include "cli/cli_app.h"

#include <filesystem>
#include <fstream>
#include <regex>

#include "cli/doctor.h"
#include "cli/item_listing.h"
#include "items/window_model.h"
#include "support/cli_run.h"
#include "tavrin_version.h"

namespace tavrin::cli {
namespace {

constexpr auto cli = [](std::vector<std::string> args) { return test::runCliWith(args); };

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
    // The barcode preamble a backslash, a tab and an e-acute; TK3.
    dir.write("a.bin", factoryFile({{32, '\\'}, {33, 0x09}, {34, 0xE9}, {69, 0x33}, {40, 0x07}}));
    CliRun run = cli({"show", dir.file("a.bin")});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    auto out = linesOf(run.out);
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
    EXPECT_EQ(linesOf(run.out).size(), 0u);  // a failed command lists no items
}

TEST(CliSimulated, ReadIsRepeatableAndWriteReachesTheKeyboard) {
    test::TempDir dir;
    const std::string keyboard = dir.file("k.bin");
    CliRun first = cli({"--simulate", "--sim-image", keyboard, "read"});
    ASSERT_EQ(first.status, kExitOk) << first.err;
    EXPECT_EQ(first.err, "Message: Read setting from EEPROM success!\n");
    CliRun second = cli({"--simulate", "--sim-image", keyboard, "read"});
    EXPECT_EQ(second.out, first.out);

    // ITALY at 68, scan codes on at 49.
    dir.write("new.bin",
              factoryFile({{40, 0x42}, {68, 0x35}, {49, 0x1B}, {71, 0x12}, {72, 0x59}, {2, 0x04}}));
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
    auto logLines = linesOf(test::textOf(log));
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
    dir.write("k.bin", factoryFile({{40, 0x66}}));
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
    const auto writeOnly = factoryFile({{40, 0x66}});
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

// doctor against the simulated keyboard: the report's lines, the verdict
// and the exit status.
CliRun doctor(CliOptions options, std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"--simulate", "doctor"});
    return test::runCliVirtual(extra, options);
}

TEST(CliDoctor, TheSimulatedKeyboardPasses) {
    CliRun run = doctor({});
    EXPECT_EQ(run.status, kExitOk) << run.out;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0],
              "ok    simulated keyboard's image: none: the keyboard starts from its factory "
              "settings each run");
    EXPECT_THAT(lines[1], StartsWith("ok    program folder: "));
    EXPECT_EQ(lines[2], "ok    simulated port driver: the port driver is open");
    EXPECT_THAT(lines[3], StartsWith("ok    simulated status port 0x64: reads 0x"));
    EXPECT_EQ(lines[4], "ok    simulated keyboard hook: installed and removed");
    EXPECT_EQ(lines[5], "verdict: all 5 checks pass");
}

TEST(CliDoctor, AFailedDriverOpenFailsTheVerdict) {
    CliOptions options;
    options.simulator.controller.initializeResults = {false};
    CliRun run = doctor(options);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.out, HasSubstr("FAIL  simulated port driver: failed: the simulated keyboard's "
                                   "driver is set to fail"));
    EXPECT_THAT(run.out, HasSubstr("FAIL  simulated status port 0x64: not readable"));
    EXPECT_THAT(run.out, HasSubstr("verdict: 2 of 5 checks fail\n"));
}

// The image a run would refuse, as the run would.
TEST(CliDoctor, TheSimulatedKeyboardsImageIsChecked) {
    test::TempDir dir;
    dir.write("garbage", std::vector<std::uint8_t>(512, 0xA5));
    const CliRun r =
        test::runCliVirtual({"--simulate", "--sim-image", dir.file("garbage"), "doctor"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_THAT(r.out, StartsWith("FAIL  simulated keyboard's image: " + dir.file("garbage") +
                                  ": address 0 holds A5A5A5A5, which is no byte; a run refuses "
                                  "it\n"));
    EXPECT_THAT(r.out, HasSubstr("\nverdict: 1 of 5 checks fail\n"));
    EXPECT_EQ(dir.read("garbage"), std::vector<std::uint8_t>(512, 0xA5));
}

TEST(CliDoctor, ReportLinesAndVerdict) {
    std::ostringstream out;
    EXPECT_EQ(printDoctorReport({{"a", true, "fine"}, {"b", false, "broken"}}, out), kExitFailed);
    EXPECT_EQ(out.str(), "ok    a: fine\nFAIL  b: broken\nverdict: 1 of 2 checks fail\n");
    EXPECT_EQ(doctor({}, {"extra"}).status, kExitUsage);
}

}  // namespace
}  // namespace tavrin::cli
