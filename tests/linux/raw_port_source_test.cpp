// Where the raw port comes from: as root the program binds serio_raw itself
// and opens the node udev makes; the port goes back to atkbd on release and
// on every failure after the bind. Without the helper's client the
// unprivileged program is told what it lacks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include "platform/linux/raw_port_source.h"
#include "support/fake_sysfs.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

using ::testing::HasSubstr;

struct Case {
    const char* name;
    bool misc;  // serio_raw made serioN/misc/serio_raw0
    bool node;  // udev made /dev/serio_raw0
    bool opens;
    const char* reason;
};

class DirectSource : public ::testing::TestWithParam<Case> {};

TEST_P(DirectSource, BindsOpensAndGivesBack) {
    const Case& c = GetParam();
    FakeSysfs sysfs;
    TempDir dev;
    sysfs.addPort({"serio0", "i8042 KBD port", "06", "atkbd"});
    if (c.misc) {
        std::filesystem::create_directories(sysfs.devices() / "serio0" / "misc" / "serio_raw0");
    }
    if (c.node) {
        std::ofstream(dev.path() / "serio_raw0") << "";
    }
    platform::SysfsSerioBus bus(sysfs.devices());
    platform::DirectRawPortSource source(bus, {sysfs.devices(), dev.path(), 0});
    std::string reason;
    const platform::KeyboardPort port{"serio0", "atkbd", platform::ScanCodeTranslation::Set2};
    const platform::OpenedRawPort opened = source.open(port, reason);
    EXPECT_EQ(opened.fd >= 0, c.opens) << reason;
    EXPECT_EQ(opened.translation, platform::ScanCodeTranslation::Set2);
    if (c.opens) {
        EXPECT_EQ(sysfs.drvctl("serio0"), "serio_raw");
        ::close(opened.fd);
        source.release();
    } else {
        EXPECT_THAT(reason, HasSubstr(c.reason));
    }
    EXPECT_EQ(sysfs.drvctl("serio0"), "atkbd");
}

INSTANTIATE_TEST_SUITE_P(Nodes, DirectSource,
                         ::testing::Values(Case{"opened", true, true, true, ""},
                                           Case{"no_misc_device", false, false, false,
                                                "serio0 shows no serio_raw device after binding"},
                                           Case{"no_node", true, false, false,
                                                "serio_raw0: No such file or directory"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DirectSource, ABindTheKernelRefusesTellsWhy) {
    FakeSysfs sysfs;
    TempDir dev;
    platform::SysfsSerioBus bus(sysfs.devices());
    platform::DirectRawPortSource source(bus, {sysfs.devices(), dev.path(), 0});
    std::string reason;
    EXPECT_LT(source.open({"serio0", "atkbd", platform::ScanCodeTranslation::Set1}, reason).fd, 0);
    EXPECT_THAT(reason, HasSubstr("cannot hand serio0 to serio_raw"));
}

struct Ending {
    const char* name;
    int signal;
    bool wholeGroup;  // as a terminal sends it: Ctrl+C, hang-up
};

class DirectSourceKilled : public ::testing::TestWithParam<Ending> {};

// The program bound the port itself as root and ends without a word: its
// guard gives the port back, also when the signal reached the guard too.
TEST_P(DirectSourceKilled, PortEndsOnAtkbd) {
    const Ending& c = GetParam();
    FakeSysfs sysfs;
    TempDir dev;
    sysfs.addPort({"serio0", "i8042 KBD port", "06", "atkbd"});
    std::filesystem::create_directories(sysfs.devices() / "serio0" / "misc" / "serio_raw0");
    std::ofstream(dev.path() / "serio_raw0") << "";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        ::setpgid(0, 0);
        platform::SysfsSerioBus bus(sysfs.devices());
        platform::DirectRawPortSource source(bus, {sysfs.devices(), dev.path(), 0});
        std::string reason;
        const char held =
            source.open({"serio0", "atkbd", platform::ScanCodeTranslation::Set1}, reason).fd >= 0
                ? '1'
                : '0';
        (void)::write(ready[1], &held, 1);
        for (;;) {
            ::pause();
        }
    }
    ::close(ready[1]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(held, '1');
    EXPECT_EQ(sysfs.drvctl("serio0"), "serio_raw");
    ::kill(c.wholeGroup ? -program : program, c.signal);
    ::waitpid(program, nullptr, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sysfs.drvctl("serio0") != "atkbd" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(sysfs.drvctl("serio0"), "atkbd");
}

INSTANTIATE_TEST_SUITE_P(Signals, DirectSourceKilled,
                         ::testing::Values(Ending{"sigkill", SIGKILL, false},
                                           Ending{"sigterm", SIGTERM, false},
                                           Ending{"ctrl_c", SIGINT, true},
                                           Ending{"hang_up", SIGHUP, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HelperSource, WithoutTheHelpersClientSaysSo) {
    std::string reason;
    platform::HelperRawPortSource none;
    EXPECT_LT(none.open({"serio0", "atkbd", platform::ScanCodeTranslation::Set1}, reason).fd, 0);
    EXPECT_THAT(reason, HasSubstr("needs root, or the tavrin-port helper"));

    int closes = 0;
    {
        platform::HelperRawPortSource helper([](std::string&) { return 42; },
                                             [&closes] { ++closes; });
        EXPECT_EQ(helper.open({"serio0", "atkbd", platform::ScanCodeTranslation::Set1}, reason).fd,
                  42);
        helper.release();
        helper.release();
        EXPECT_EQ(closes, 1);
        helper.open({"serio0", "atkbd", platform::ScanCodeTranslation::Set1}, reason);
    }
    EXPECT_EQ(closes, 2);  // the socket closes with the source
}

}  // namespace
}  // namespace tavrin::test
