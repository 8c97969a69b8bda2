// tavrin-cli's commands: usage, show, and read and write on the machine's
// clock; doctor; and set, profiles, diff, --backup and --verify against the
// simulated keyboard on a virtual clock, with its faults.

#include "cli/cli_app.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <tuple>

#include "cli/doctor.h"
#include "cli/item_listing.h"
#include "items/window_model.h"
#include "support/cli_run.h"
#include "support/sim_rig.h"
#include "tavrin_version.h"

namespace tavrin::cli {
namespace {

// On the machine's clock.
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
    // One read in real time; the rest on the virtual clock, as the same path.
    CliRun first = cli({"--simulate", "--sim-image", keyboard, "read"});
    ASSERT_EQ(first.status, kExitOk) << first.err;
    EXPECT_EQ(first.err, "Message: Read setting from EEPROM success!\n");
    CliRun second = test::run({"--simulate", "--sim-image", keyboard, "read"});
    EXPECT_EQ(second.out, first.out);

    // ITALY at 68, scan codes on at 49.
    dir.write("new.bin",
              factoryFile({{40, 0x42}, {68, 0x35}, {49, 0x1B}, {71, 0x12}, {72, 0x59}, {2, 0x04}}));
    CliRun shown = cli({"show", dir.file("new.bin")});
    CliRun write = test::run({"--simulate", "--sim-image", keyboard, "--wire-log",
                              dir.file("wire.txt"), "write", dir.file("new.bin")});
    ASSERT_EQ(write.status, kExitOk) << write.err;
    EXPECT_EQ(write.err, "Message: Write to EEPROM Successful!\n");
    EXPECT_EQ(write.out, shown.out);

    CliRun after = test::run({"--simulate", "--sim-image", keyboard, "read"});
    EXPECT_EQ(after.out, shown.out);
    EXPECT_THAT(after.out, HasSubstr("67\tMSR Preamble Of Track 1\t<12><59>\n"));

    // The wire log holds exactly the whole-image write.
    const auto logLines = linesOf(test::textOf(dir.read("wire.txt")));
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
    CliRun declined = test::run({"--simulate", "--sim-image", keyboard, "reset"});
    EXPECT_EQ(declined.status, kExitUsage);
    EXPECT_EQ(declined.err,
              "tavrin-cli: reset asks for confirmation and there is no terminal to answer it; add "
              "--yes to confirm\n");
    CliRun reset = test::run({"--simulate", "--sim-image", keyboard, "--yes", "reset"});
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
CliRun doctor(CliOptions options, const std::vector<std::string>& extra = {}) {
    return test::runCliVirtual(joined({"--simulate", "doctor"}, extra), options);
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

eeprom::EepromImage imageOf(const std::vector<std::uint8_t>& bytes) {
    eeprom::EepromImage image{};
    settings_file::decodeInto(bytes, image);
    image[128] = 0;
    return image;
}

// The same change made by the operator in the window.
struct KindCase {
    const char* name;
    std::vector<std::string> assignments;
    std::function<void(test::SimRig&)> windowPath;
};

std::vector<KindCase> kindCases() {
    return {
        {"flag", {"msr.track2.enable=NO"}, [](test::SimRig& r) { r.choose(63, 0); }},
        {"choice_by_number", {"5=germany"}, [](test::SimRig& r) { r.choose(5, 3); }},
        {"two_codes",
         {"code39.start_code=$", "20=+"},
         [](test::SimRig& r) {
             r.choose(19, 4);
             r.choose(20, 6);
         }},
        {"choice", {"upca.supplemental=2"}, [](test::SimRig& r) { r.choose(51, 1); }},
        {"number",
         {"code39.max_length=25"},
         [](test::SimRig& r) {
             r.dialogs.inputAnswers = {"25"};
             r.window.cmdItem_Click(17);
         }},
        // As show prints it: a backslash doubled, a control character as \xHH.
        {"escaped_text",
         {"barcode.postamble=\\\\\\x01"},
         [](test::SimRig& r) {
             r.dialogs.onPrePost = [](platform::PrePostRequest& q) { q.text = "\\\x01"; };
             r.window.cmdItem_Click(10);
         }},
        {"token_text",
         {"barcode.preamble={ENTER}A"},
         [](test::SimRig& r) {
             r.dialogs.onPrePost = [](platform::PrePostRequest& q) { q.text = "{ENTER}A"; };
             r.window.cmdItem_Click(9);
         }},
        // The mode goes first whatever the order on the command line.
        {"scan_codes_after_the_mode",
         {"msr.track3.postamble=<68><6A>", "mode=scan"},
         [](test::SimRig& r) {
             r.chooseMode(true);
             r.dialogs.onPrePost = [](platform::PrePostRequest& q) { q.text = "<68><6A>"; };
             r.window.cmdItem_Click(72);
         }},
    };
}

// set's change in a file (binary or profile) or on the keyboard is what the
// window makes of the same change by the operator.
class CliKind : public test::SimKeyboardTest,
                public ::testing::WithParamInterface<std::tuple<std::string, KindCase>> {};

TEST_P(CliKind, SetStoresWhatTheWindowStores) {
    const auto& [target, c] = GetParam();
    const bool keyboard = target == "keyboard";
    if (target == "k.json") {
        ASSERT_EQ(run({"convert", dir.file("k.bin"), dir.file(target)}).status, kExitOk);
    }
    const CliRun set =
        run(joined(keyboard ? sim({"set", "--verify"})
                            : std::vector<std::string>{"set", "--file", dir.file(target)},
                   c.assignments));
    ASSERT_EQ(set.status, kExitOk) << set.err;
    test::SimRig rig;
    if (keyboard) {
        rig.window.Form_Load();
        c.windowPath(rig);
        rig.window.Command4_Click();
        const auto e = rig.firmware().eeprom();
        const auto k = dir.read("k.bin");
        for (std::size_t a = 0; a < e.size(); ++a) {
            EXPECT_EQ(k[4 * a], e[a]) << "address " << a;
        }
        return;
    }
    EXPECT_EQ(set.err, "");
    ASSERT_EQ(run({"convert", dir.file(target), dir.file("after.bin")}).status, kExitOk);
    rig.window.Form_Load(false);
    ASSERT_TRUE(rig.window.loadSettingsFile(dir.file("k.bin")).loaded);
    c.windowPath(rig);
    EXPECT_EQ(imageOf(dir.read("after.bin")), rig.model().image);
}

// A file's name or the keyboard, and the row's.
template <typename Info>
std::string targetAndName(const Info& info) {
    std::string target = std::get<0>(info.param);
    std::replace(target.begin(), target.end(), '.', '_');
    return target + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliKind,
                         ::testing::Combine(::testing::Values("k.bin", "k.json", "keyboard"),
                                            ::testing::ValuesIn(kindCases())),
                         targetAndName<::testing::TestParamInfo<CliKind::ParamType>>);

using CliKeyboard = test::SimKeyboardTest;

TEST_F(CliKeyboard, SetWritesTheKeyboardAndDiffThenFindsNothing) {
    CliRun set = run(sim({"set", "--verify", "msr.track2.enable=NO", "3=42", "mode=scan",
                          "msr.track1.preamble=<64>"}));
    ASSERT_EQ(set.status, kExitOk) << set.err;
    EXPECT_THAT(set.err, HasSubstr("Message: Write to EEPROM Successful!\n"));
    EXPECT_THAT(set.err, HasSubstr("verified: every item reads back as written"));
    EXPECT_EQ(set.out,
              "79\tmode\tScan Codes (SCAN SET 2)\tYES\n"
              "63\tmsr.track2.enable\tEnable Track 2 Reader\tNO\n"
              "3\tcommon.key_delay_ms\tTime Delay Of Key Storkes (ms)\t42\n"
              "67\tmsr.track1.preamble\tMSR Preamble Of Track 1\t<64>\n");
    const auto e = dir.read("k.bin");
    EXPECT_EQ(e[4 * 40], 0x42);
    EXPECT_EQ(e[4 * 71], 0x64);
    EXPECT_NE(e[4 * 49] & 0x10, 0);

    // A profile of the same settings differs from the keyboard in nothing.
    dir.write("p.bin", e);
    ASSERT_EQ(run({"convert", dir.file("p.bin"), dir.file("p.json")}).status, kExitOk);
    CliRun same = run(sim({"diff", dir.file("p.json"), "keyboard"}));
    EXPECT_EQ(same.status, kExitOk) << same.err;
    EXPECT_EQ(same.out, "");
    CliRun other = run(sim({"diff", "keyboard", dir.file("nothing-set.bin")}));
    EXPECT_EQ(other.status, kExitFailed);
}

TEST_F(CliKeyboard, DiffNamesItemsAndBytesNoItemShows) {
    auto changed = factoryFile();
    ASSERT_EQ(changed[4 * 9], '*');  // address 9 holds the start code
    changed[4 * 40] = 0x42;          // item 3
    changed[4 * 1] = 0xAB;           // the second signature byte: no item
    changed[4 * 9 + 2] = 1;          // a wide value, only a binary file holds it
    dir.write("c.bin", changed);
    CliRun d = run({"diff", dir.file("k.bin"), dir.file("c.bin")});
    EXPECT_EQ(d.status, kExitFailed);
    EXPECT_EQ(d.out,
              "3\tcommon.key_delay_ms\tTime Delay Of Key Storkes (ms)\t5\t42\t05\t42\n"
              "19\tcode39.start_code\tStart Code\t*\t\t2A\t1002A\n"
              "byte\t1\t(shown by no item)\tAA\tAB\n"
              "byte\t9\t(shown by no item)\t2A\t1002A\n");
    EXPECT_EQ(run({"diff", dir.file("c.bin"), dir.file("c.bin")}).status, kExitOk);
}

struct RefusedCase {
    const char* name;
    std::string assignment;
    int status;
    std::string message;
};

const RefusedCase kRefused[] = {
    {"three_digits", "3=123", kExitFailed, "Error: Please input 1 or 2 digit (0-9, 00-99)"},
    {"no_digit", "code39.min_length=", kExitFailed,
     "Error: Please input 1 or 2 digit (0-9, 00-99)"},
    {"four_characters", "msr.preamble=ABCD", kExitFailed,
     "Error: Bad Input! ABCD  It is only allowed no more than 3 characters to enter."},
    {"no_such_choice", "msr.type=TK4", kExitUsage,
     "valid entries: \"TK1\", \"TK2\", \"TK3\", \"TK12\""},
    {"fixed_item", "2=PS2", kExitUsage, "item 2 (common.output_type) is fixed"},
    {"unknown_key", "msr.track4.enable=YES", kExitUsage, "unknown item \"msr.track4.enable\""},
    {"unknown_number", "80=1", kExitUsage, "unknown item \"80\""},
    {"no_such_mode", "mode=hex", kExitUsage, "valid entries: scan, characters"},
    {"no_value", "YES", kExitUsage, "expected ITEM=VALUE"},
};

// A refusal after a good change keeps nothing of either: the file (binary
// or profile) byte for byte, and the keyboard is sent the read command at
// most.
class CliRefusal : public test::SimKeyboardTest,
                   public ::testing::WithParamInterface<std::tuple<std::string, RefusedCase>> {};

TEST_P(CliRefusal, KeepsEverythingAndSaysWhy) {
    const auto& [target, c] = GetParam();
    const bool keyboard = target == "keyboard";
    ASSERT_EQ(run({"convert", dir.file("k.bin"), dir.file("k.json")}).status, kExitOk);
    const std::string file = keyboard ? "k.bin" : target;
    const auto before = dir.read(file);
    const CliRun set = run(
        keyboard ? sim({"set", "--verify", "4=NO", c.assignment})
                 : std::vector<std::string>{"set", "--file", dir.file(file), "4=NO", c.assignment});
    EXPECT_EQ(set.status, c.status);
    EXPECT_THAT(set.err, HasSubstr(c.message));
    EXPECT_EQ(dir.read(file), before);
    if (keyboard) {
        EXPECT_LT(wireBytes(), 12u);
    }
}

INSTANTIATE_TEST_SUITE_P(Refusals, CliRefusal,
                         ::testing::Combine(::testing::Values("k.bin", "k.json", "keyboard"),
                                            ::testing::ValuesIn(kRefused)),
                         targetAndName<::testing::TestParamInfo<CliRefusal::ParamType>>);

TEST_F(CliKeyboard, VerifyCatchesLostFramesAndLostKeystrokes) {
    CliOptions lossy;
    lossy.simulator.keyboard.lostFrames = {0x4A};  // item 3's frame
    CliRun lost = run(sim({"set", "--verify", "3=42", "4=NO"}), lossy);
    EXPECT_EQ(lost.status, kExitFailed);
    EXPECT_THAT(lost.err, HasSubstr("Message: Write to EEPROM Successful!"));
    EXPECT_THAT(lost.err, HasSubstr("--verify: 1 item(s) read back other than as written"));
    EXPECT_THAT(
        lost.err,
        HasSubstr("\n3\tcommon.key_delay_ms\tTime Delay Of Key Storkes (ms)\t42\t5\t42\t05\n"));

    dir.write("w.bin", factoryFile());
    CliOptions deaf;
    deaf.simulator.keyboard.lostKeys = {40, 41};
    CliRun unread = run(sim({"write", "--verify", dir.file("w.bin")}), deaf);
    EXPECT_EQ(unread.status, kExitFailed);
    EXPECT_THAT(unread.err, HasSubstr("--verify: the keyboard could not be read back"));

    dir.write("w.bin", factoryFile({{40, 0x33}, {68, 0x35}}));  // ITALY
    ASSERT_EQ(run({"convert", dir.file("w.bin"), dir.file("w.json")}).status, kExitOk);
    CliRun good = run(sim({"write", "--verify", dir.file("w.json")}));
    EXPECT_EQ(good.status, kExitOk) << good.err;
    for (const char* written : {"w.bin", "w.json"}) {
        CliRun same = run(sim({"diff", dir.file(written), "keyboard"}));
        EXPECT_EQ(same.status, kExitOk) << same.out;
        EXPECT_EQ(same.out, "");
    }
}

TEST_F(CliKeyboard, BackupIsSavedBeforeAnythingIsSentAndAFailedOneSendsNothing) {
    const auto old = factoryFile({{40, 0x77}});
    dir.write("k.bin", old);
    CliRun set = run(sim({"set", "--backup", dir.file("before.json"), "3=11"}));
    ASSERT_EQ(set.status, kExitOk) << set.err;
    EXPECT_EQ(dir.read("k.bin")[4 * 40], 0x11);
    ASSERT_EQ(run({"convert", dir.file("before.json"), dir.file("before.bin")}).status, kExitOk);
    EXPECT_EQ(dir.read("before.bin"), old);

    const auto now = dir.read("k.bin");
    const std::pair<std::string, std::vector<std::string>> commands[] = {
        {"set", {"3=22"}}, {"write", {dir.file("before.bin")}}, {"reset", {}}, {"opos", {}}};
    for (const auto& [command, rest] : commands) {
        SCOPED_TRACE(command);
        CliRun failed =
            run(sim(joined({"--yes", command, "--backup", dir.file("no/such/dir.bin")}, rest)));
        EXPECT_EQ(failed.status, kExitFailed);
        EXPECT_THAT(failed.err, HasSubstr("--backup: cannot save"));
        EXPECT_EQ(dir.read("k.bin"), now);
        EXPECT_LT(wireBytes(), 12u);
    }
    CliOptions silent;
    silent.simulator.keyboard.silent = true;
    CliRun unread = run(sim({"--yes", "reset", "--backup", dir.file("b.bin")}), silent);
    EXPECT_EQ(unread.status, kExitFailed);
    EXPECT_THAT(unread.err, HasSubstr("--backup: the keyboard could not be read"));
    EXPECT_EQ(dir.read("k.bin"), now);
}

TEST_F(CliKeyboard, ResetAndOposVerify) {
    CliRun reset = run(sim({"--yes", "reset", "--verify"}));
    EXPECT_EQ(reset.status, kExitOk) << reset.err;
    EXPECT_THAT(reset.err, HasSubstr("verified"));
    CliRun opos = run(sim({"--yes", "opos", "--verify"}));
    EXPECT_EQ(opos.status, kExitOk) << opos.err;
    CliOptions lossy;
    lossy.simulator.keyboard.lostFrames = {0x48};  // item 72's preset frame
    CliRun lost = run(sim({"--yes", "opos", "--verify"}), lossy);
    EXPECT_EQ(lost.status, kExitOk);  // the same preset is already on the keyboard
    dir.write("k.bin", factoryFile());
    lost = run(sim({"--yes", "opos", "--verify"}), lossy);
    EXPECT_EQ(lost.status, kExitFailed);
    EXPECT_THAT(lost.err, HasSubstr("\n72\tmsr.track3.postamble\t"));
}

TEST_F(CliKeyboard, ProgressOnlyWhenTheErrorStreamIsATerminal) {
    dir.write("w.bin", factoryFile());
    CliOptions terminal;
    terminal.progress = true;
    CliRun shown = run(sim({"write", "--verify", dir.file("w.bin")}), terminal);
    EXPECT_EQ(shown.status, kExitOk) << shown.err;
    EXPECT_THAT(shown.err, HasSubstr("\rwriting: 77 of 77 frames sent\n"));
    EXPECT_THAT(shown.err, HasSubstr(" of 290 keys"));
    CliRun quiet = run(sim({"write", "--verify", dir.file("w.bin")}));
    EXPECT_THAT(quiet.err, Not(HasSubstr("\r")));
}

TEST(CliHelp, EveryCommandHasAnExampleAndTheExitCodesAreDocumented) {
    EXPECT_THAT(run({"--help"}).out,
                HasSubstr("Exit status: 0 success, 1 a reported failure or a difference, 2 a "
                          "usage error,\n3 a command that reaches the keyboard run without "
                          "administrator rights."));
    for (const std::string command :
         {"show", "read", "write", "set", "reset", "opos", "convert", "diff", "apply"}) {
        const std::string yes = command == "reset" || command == "opos" ? "--yes " : "";
        CliRun help = run({command, "--help"});
        EXPECT_EQ(help.status, kExitOk);
        EXPECT_THAT(help.out, HasSubstr("tavrin-cli " + yes + command)) << command;
    }
    EXPECT_EQ(run({"set", "--file", "x.bin", "--verify", "3=1"}).status, kExitUsage);
    EXPECT_EQ(run({"set"}).status, kExitUsage);
    EXPECT_EQ(run({"diff", "a"}).status, kExitUsage);
}

TEST(CliShow, KeysColumnAndProfilesByContent) {
    test::TempDir dir;
    dir.write("s.bin", factoryFile());
    ASSERT_EQ(run({"convert", dir.file("s.bin"), dir.file("profile.txt.json")}).status, kExitOk);
    // Named like a binary file, still read as a profile.
    auto text = dir.read("profile.txt.json");
    dir.write("profile.dat", text);
    CliRun show = run({"show", "--keys", dir.file("profile.dat")});
    EXPECT_EQ(show.status, kExitOk) << show.err;
    EXPECT_THAT(show.out, HasSubstr("\n63\tmsr.track2.enable\tEnable Track 2 Reader\tYES\n"));
    EXPECT_THAT(show.out, HasSubstr("\n79\tmode\tScan Codes (SCAN SET 2)\tNO\n"));
    EXPECT_EQ(run({"show", dir.file("s.bin")}).out, run({"show", dir.file("profile.dat")}).out);

    const auto unsigned_ = factoryFile({{0, 0x54}});
    dir.write("unsigned.bin", unsigned_);
    CliRun noSignature = run({"show", dir.file("unsigned.bin")});
    EXPECT_EQ(noSignature.status, kExitFailed);
    EXPECT_EQ(noSignature.err,
              "Message: Read from EEPROM error!\ntavrin-cli: " + dir.file("unsigned.bin") +
                  ": not a keyboard's settings: address 0 holds 54 (55 expected)\n");
    // No keyboard's settings: refused for a change, the file left alone.
    CliRun set = run({"set", "--file", dir.file("unsigned.bin"), "mode=scan", "3=7"});
    EXPECT_EQ(set.status, kExitFailed);
    EXPECT_EQ(set.err,
              "Message: Read setting from file error! not a keyboard's settings: address 0 holds "
              "54 (55 expected)\n");
    EXPECT_EQ(dir.read("unsigned.bin"), unsigned_);
    ASSERT_EQ(run({"convert", dir.file("unsigned.bin"), dir.file("unsigned.json")}).status,
              kExitOk);
    EXPECT_EQ(run({"show", dir.file("unsigned.json")}).err,
              "Message: Read from EEPROM error!\ntavrin-cli: " + dir.file("unsigned.json") +
                  ": not a keyboard's settings: address 0 holds 54 (55 expected)\n");

    std::string broken = test::textOf(text);
    broken.replace(broken.find("\"version\": 1"), 12, "\"version\": 7");
    dir.write("broken.json", std::vector<std::uint8_t>(broken.begin(), broken.end()));
    CliRun refused = run({"show", dir.file("broken.json")});
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_THAT(refused.err,
                HasSubstr("Message: Read setting from file error! Line 3: unsupported version"));
}

}  // namespace
}  // namespace tavrin::cli
