// What the tool says when the keyboard cannot be reached, or a byte is lost
// on the way, and when a file is no keyboard's settings: never a success, no
// settings printed that were not read, exit 1, nothing sent.

#include <random>

#include "support/cli_run.h"

namespace tavrin::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using test::CliRun;
using test::factoryFile;
using test::run;

class CliFailure : public ::testing::Test {
protected:
    void SetUp() override { dir.write("settings.bin", factoryFile()); }
    std::string settings() const { return dir.file("settings.bin"); }
    std::string wire() const { return dir.file("wire.log"); }
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
        {"write", "--backup", dir.file("b.json"), settings()},
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
                EXPECT_THAT(dir.read("wire.log"), IsEmpty());
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
    const std::string file = dir.file("odd.bin");
    for (const auto& bytes : files) {
        dir.write("odd.bin", bytes);
        const auto before = dir.read("odd.bin");
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
            EXPECT_EQ(dir.read("odd.bin"), before);
            EXPECT_THAT(dir.read("wire.log"), IsEmpty());
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
    dir.write("settings.bin", factoryFile({{0, 0x00}, {1, 0xAB}}));
    const CliRun r = run({"--simulate", "write", settings()});
    EXPECT_THAT(r.err, HasSubstr("address 0 holds 00 (55 expected), address 1 holds AB (AA "
                                 "expected)"));
}

}  // namespace
}  // namespace tavrin::cli
