// What the tool says when the keyboard cannot be reached, or a byte is lost
// on the way, and when a file is no keyboard's settings: never a success, no
// settings printed that were not read, exit 1, nothing sent.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "cli/cli_app.h"
#include "support/cli_run.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "support/temp_dir.h"

namespace tavrin::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using test::CliRun;

CliRun run(std::vector<std::string> args, CliOptions options = {}) {
    return test::runCliVirtual(std::move(args), std::move(options));
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

using test::factoryFile;

std::string slurp(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class CliFailure : public ::testing::Test {
protected:
    void SetUp() override { writeBytes(settings(), factoryFile()); }
    std::string settings() const { return (dir.path() / "settings.bin").string(); }
    std::string wire() const { return (dir.path() / "wire.log").string(); }
    test::TempDir dir;
};

struct Backend {
    const char* name;
    std::deque<bool> opens;  // InitializeWinIo's answers
    int refuseAfter;         // bytes out before the driver refuses every access
};

const Backend kBackends[] = {
    {"no driver", {false, false}, -1},
    {"refuses every access", {}, 0},
    {"refuses from byte 3", {}, 3},
    {"refuses from byte 12", {}, 12},
};

TEST_F(CliFailure, NoDeviceCommandSucceedsOverALostByte) {
    const std::vector<std::vector<std::string>> commands = {
        {"write", settings()},
        {"reset"},
        {"opos"},
        {"set", "msr.track2.enable=NO"},
        {"read"},
        {"write", "--backup", (dir.path() / "b.json").string(), settings()},
    };
    for (const Backend& backend : kBackends) {
        for (const auto& command : commands) {
            if (command[0] == "read" && backend.refuseAfter >= 8) {
                continue;  // the read command's eight bytes all go out
            }
            SCOPED_TRACE(std::string(backend.name) + " / " + command[0] + " " +
                         (command.size() > 1 ? command[1] : ""));
            CliOptions options;
            options.simulator.controller.initializeResults = backend.opens;
            options.simulator.controller.refuseAfterBytes = backend.refuseAfter;
            std::vector<std::string> args = {"--simulate", "--yes", "--wire-log", wire()};
            args.insert(args.end(), command.begin(), command.end());

            const CliRun r = run(args, options);

            EXPECT_EQ(r.status, kExitFailed) << r.err;
            EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
            EXPECT_THAT(r.err, Not(HasSubstr("success!")));
            EXPECT_THAT(r.out, IsEmpty()) << "settings printed that were not read";
            if (!backend.opens.empty()) {  // the driver never opened
                EXPECT_THAT(r.err, HasSubstr("the port driver is not open"));
                EXPECT_THAT(slurp(wire()), IsEmpty());
            }
        }
    }
}

// A file that is no keyboard's settings is refused wherever it would be
// used, and only shown (exit 1) by show.
TEST_F(CliFailure, AFileWithAWrongSignatureIsRefusedForUse) {
    std::mt19937 random(18);
    std::vector<std::vector<std::uint8_t>> files = {std::vector<std::uint8_t>(512, 0)};
    for (int i = 0; i < 6; ++i) {
        std::vector<std::uint8_t> bytes(i % 2 ? 300 : 512);
        for (auto& b : bytes) {
            b = static_cast<std::uint8_t>(random());
        }
        bytes[0] =
            static_cast<std::uint8_t>(0x55 ^ (i % 3 == 1 ? 0 : 1 + i));  // address 0 or 1 wrong
        files.push_back(bytes);
    }
    const std::string file = (dir.path() / "odd.bin").string();
    for (const auto& bytes : files) {
        writeBytes(file, bytes);
        const std::string before = slurp(file);
        for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
                 {"write", file}, {"set", "--file", file, "msr.track2.enable=NO"}}) {
            SCOPED_TRACE(command[0]);
            std::vector<std::string> args = {"--simulate", "--wire-log", wire()};
            args.insert(args.end(), command.begin(), command.end());
            const CliRun r = run(args);
            EXPECT_EQ(r.status, kExitFailed);
            EXPECT_THAT(r.err, HasSubstr("Read setting from file error! not a keyboard's settings: "
                                         "address "));
            EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
            EXPECT_EQ(slurp(file), before);
            EXPECT_THAT(slurp(wire()), IsEmpty());
        }
        const CliRun shown = run({"show", file});
        EXPECT_EQ(shown.status, kExitFailed);
        EXPECT_THAT(shown.err, HasSubstr("Read from EEPROM error!"));
        EXPECT_THAT(shown.err, HasSubstr(file + (bytes.size() == 512 ? ": " : ": 300 bytes, not 512; ") +
                                         "not a keyboard's settings: address "));
        EXPECT_EQ(shown.out, "") << "a failed show lists no items";
    }
}

TEST_F(CliFailure, TheReasonNamesWhatEachWrongAddressHolds) {
    auto bytes = factoryFile();
    bytes[0] = 0x00;
    bytes[4] = 0xAB;
    writeBytes(settings(), bytes);
    const CliRun r = run({"--simulate", "write", settings()});
    EXPECT_THAT(r.err, HasSubstr("address 0 holds 00 (55 expected), address 1 holds AB (AA "
                                 "expected)"));
}

}  // namespace
}  // namespace tavrin::cli
