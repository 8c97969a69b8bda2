// tavrin-cli doctor against the simulated keyboard: the report's lines, the
// verdict and the exit status.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"
#include "cli/doctor.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace tavrin::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct DoctorRun {
    int status;
    std::string out;
    std::string err;
};

DoctorRun doctor(CliOptions options, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"tavrin-cli", "--simulate", "doctor"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<const char*> argv;
    for (const auto& a : args) {
        argv.push_back(a.c_str());
    }
    options.virtualClock = true;
    std::ostringstream out, err;
    int status = runCli(static_cast<int>(argv.size()), argv.data(), out, err, options);
    return {status, out.str(), err.str()};
}

TEST(CliDoctor, TheSimulatedKeyboardPasses) {
    DoctorRun run = doctor({});
    EXPECT_EQ(run.status, kExitOk) << run.out;
    EXPECT_EQ(run.err, "");
    std::vector<std::string> lines;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
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
    DoctorRun run = doctor(options);
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
    const test::CliRun r =
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
