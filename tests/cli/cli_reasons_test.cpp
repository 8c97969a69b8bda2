// What tavrin-cli says when it refuses: a file's reason after the box's
// text, an image value no frame carries, and items 65 and 66's codes
// beyond the three their image fields keep.

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
using ::testing::Not;

std::vector<std::uint8_t> factoryFile(int address = 0, std::int32_t value = -1) {
    eeprom::EepromImage image{};
    auto defaults = sim::KeyboardFirmware::factoryDefaults();
    std::copy(defaults.begin(), defaults.end(), image.begin());
    if (value >= 0) {
        image[static_cast<std::size_t>(address)] = value;
    }
    return settings_file::encode(image);
}

// The wire log's data bytes (each after its E3), as "2E 11 ..." text.
std::string dataBytes(const std::vector<std::uint8_t>& log) {
    std::istringstream lines(std::string(log.begin(), log.end()));
    std::string ms, hex, data, last;
    while (lines >> ms >> hex) {
        data += last == "E3" ? hex + " " : "";
        last = hex;
    }
    return data;
}

class CliReasons : public ::testing::Test {
protected:
    void SetUp() override { dir.write("k.bin", factoryFile()); }
    test::CliRun sim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--simulate", "--sim-image", dir.file("k.bin"), "--wire-log",
                                   dir.file("wire.log")});
        return test::runCliVirtual(args);
    }
    test::TempDir dir;
};

TEST_F(CliReasons, AFileThatCannotBeShownSaysWhy) {
    dir.write("garbage", std::vector<std::uint8_t>(512, 0xA5));
    dir.write("empty", {});
    dir.write("array.json", {'[', '1', ',', ' ', '2', ']', '\n'});
    dir.write("locked.bin", factoryFile());
    ::chmod(dir.file("locked.bin").c_str(), 0600);
    fs::create_directory(dir.path() / "folder");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const std::string signature = "not a keyboard's settings: address 0 holds ";
    struct Case {
        const char* name;
        std::string reason;
    };
    const Case cases[] = {
        {"garbage", signature + "A5A5A5A5 (55 expected), address 1 holds A5A5A5A5 (AA expected)"},
        {"empty", "0 bytes, not 512; " + signature + "00 (55 expected)"},
        {"array.json", "7 bytes, not 512; " + signature + "202C315B (55 expected)"},
        {"folder", "Message: File not found! (is a folder)"},
        {"fifo", "Message: File not found! (not a regular file)"},
        {"locked.bin", "Message: Read setting from file error! (Permission denied)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::CliRun r;
        {
            test::AsNobody user;
            r = test::runCliVirtual({"show", dir.file(c.name)});
        }
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_THAT(r.err, HasSubstr(c.reason));
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CliReasons, ALogThatCannotBeWrittenSaysWhy) {
    fs::create_directory(dir.path() / "locked");
    test::ReadOnlyFolder readOnly(dir.path() / "locked");
    const test::CliRun log =
        test::runCliVirtual({"--simulate", "--wire-log", dir.file("locked/w.log"), "read"});
    EXPECT_THAT(log.err, HasSubstr("cannot write the wire log " + dir.file("locked/w.log") +
                                   ": Permission denied"));
}

// A value outside 0..255 shows as no value and no frame carries it: the
// write would leave the keyboard's own. Refused before anything is sent.
TEST_F(CliReasons, AnImageValueNoFrameCarriesIsRefusedBeforeTheWire) {
    std::vector<std::uint8_t> big = factoryFile(40, 0x1234);
    big[4 * 42 + 1] = 0x01;  // address 42 is held by no item: not the write's
    dir.write("big.bin", big);
    const std::vector<std::vector<std::string>> commands{
        {"write", dir.file("big.bin")},
        {"write", "--verify", "--backup", dir.file("b.json"), dir.file("big.bin")},
        {"apply", "--backup-dir", dir.file("backups"), dir.file("big.bin")},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.front());
        const test::CliRun r = sim(command);
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_THAT(r.err, HasSubstr(dir.file("big.bin") + " holds values the keyboard cannot take, so their items "
                                     "would not be sent: address 40 holds 0x1234; nothing was "
                                     "written\n"));
        EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
        EXPECT_TRUE(dir.read("wire.log").empty());
        EXPECT_FALSE(fs::exists(dir.path() / "b.json"));
        EXPECT_EQ(dir.read("k.bin"), factoryFile());
    }
}

// Items 65 and 66 carry six scan codes and keep three: the rest are sent,
// said, and not taken for verified.
TEST_F(CliReasons, CodesBeyondTheImageAreSentAndSaid) {
    const std::string five = "<11><22><33><44><55>";
    const std::string said =
        "tavrin-cli: item 65 (msr.preamble): the keyboard's settings show only the first three "
        "codes, <11><22><33>; <44><55> ";
    const test::CliRun set = sim({"set", "--verify", "mode=scan", "65=" + five});
    EXPECT_EQ(set.status, kExitOk) << set.err;
    EXPECT_THAT(set.err, HasSubstr(said + "are sent, and no read shows them\n"));
    EXPECT_THAT(set.err, HasSubstr(said + "could not be checked by --verify\n"));
    EXPECT_THAT(dataBytes(dir.read("wire.log")), HasSubstr("2E 11 22 33 44 55 00 "));

}

}  // namespace
}  // namespace tavrin::cli

#endif
