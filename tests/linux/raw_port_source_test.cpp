// Where the raw port comes from: as root the program binds serio_raw itself
// and opens the node udev makes; the port goes back to atkbd on release and
// on every failure after the bind. Without the helper's client the
// unprivileged program is told what it lacks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
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
namespace fs = std::filesystem;

// Root's paths over the fake sysfs: the node is a FIFO (no test makes a
// character device), the machine's lock a file in the test's folder.
platform::DirectRawPortSource::Paths rootPaths(FakeSysfs& sysfs, const TempDir& dev) {
    platform::DirectRawPortSource::Paths paths{sysfs.devices(), dev.path(), 0};
    paths.lock = dev.path() / "run/tavrin/port.lock";
    paths.isNode = [](mode_t mode) { return S_ISFIFO(mode); };
    return paths;
}

void makeNode(const TempDir& dev) {
    ::mkfifo((dev.path() / "serio_raw0").c_str(), 0600);
}

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
        makeNode(dev);
    }
    platform::SysfsSerioBus bus(sysfs.devices());
    platform::DirectRawPortSource source(bus, rootPaths(sysfs, dev));
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
    platform::DirectRawPortSource source(bus, rootPaths(sysfs, dev));
    std::string reason;
    EXPECT_LT(source.open({"serio0", "atkbd", platform::ScanCodeTranslation::Set1}, reason).fd, 0);
    EXPECT_THAT(reason, HasSubstr("cannot hand serio0 to serio_raw"));
}

// The kernel refusing serio_raw (a write to drvctl that fails after atkbd
// let go of the port); atkbd is taken as the fake sysfs takes it.
class RefusingBus : public platform::SerioBus {
public:
    explicit RefusingBus(platform::SerioBus& inner) : inner_(inner) {}
    bool listPorts(std::vector<platform::SerioPort>& ports, std::string& error) override {
        return inner_.listPorts(ports, error);
    }
    bool writeDriverControl(const std::string& port, std::string_view command,
                            std::string& error) override {
        if (command == platform::kRawDriver) {
            error = "No such device";
            return false;
        }
        return inner_.writeDriverControl(port, command, error);
    }

private:
    platform::SerioBus& inner_;
};

struct RootFailure {
    const char* name;
    enum Setup { HeldElsewhere, BindRefused, NodeIsLink, NodeIsFile } setup;
    const char* reason;
    const char* drvctl;  // what the port's drvctl holds after
};

class DirectSourceFails : public ::testing::TestWithParam<RootFailure> {};

// Every failure after the bind was tried gives the port back; a port held
// by another Tavrin is never rebound.
TEST_P(DirectSourceFails, LeavesThePortOnAtkbd) {
    const RootFailure& c = GetParam();
    FakeSysfs sysfs;
    TempDir dev;
    sysfs.addPort({"serio0", "i8042 KBD port", "06", "atkbd"});
    fs::create_directories(sysfs.devices() / "serio0" / "misc" / "serio_raw0");
    const auto paths = rootPaths(sysfs, dev);
    platform::PortLock other;
    std::string reason;
    switch (c.setup) {
        case RootFailure::HeldElsewhere:
            makeNode(dev);
            ASSERT_EQ(other.take(paths.lock, reason), platform::PortLock::Outcome::Taken) << reason;
            break;
        case RootFailure::BindRefused:
            makeNode(dev);
            break;
        case RootFailure::NodeIsLink:
            ::mkfifo((dev.path() / "elsewhere").c_str(), 0600);
            fs::create_symlink(dev.path() / "elsewhere", dev.path() / "serio_raw0");
            break;
        case RootFailure::NodeIsFile:
            std::ofstream(dev.path() / "serio_raw0") << "";
            break;
    }
    platform::SysfsSerioBus sysfsBus(sysfs.devices());
    RefusingBus refusing(sysfsBus);
    platform::SerioBus& bus =
        c.setup == RootFailure::BindRefused ? static_cast<platform::SerioBus&>(refusing) : sysfsBus;
    platform::DirectRawPortSource source(bus, paths);
    const platform::OpenedRawPort opened =
        source.open({"serio0", "atkbd", platform::ScanCodeTranslation::Set1}, reason);
    EXPECT_LT(opened.fd, 0);
    EXPECT_EQ(opened.busy, c.setup == RootFailure::HeldElsewhere);
    EXPECT_THAT(reason, HasSubstr(c.reason));
    EXPECT_EQ(sysfs.drvctl("serio0"), c.drvctl);
    // The lock is free again for the next holder, unless another has it.
    other.drop();
    platform::PortLock next;
    EXPECT_EQ(next.take(paths.lock, reason), platform::PortLock::Outcome::Taken) << reason;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DirectSourceFails,
    ::testing::Values(
        RootFailure{"held_elsewhere", RootFailure::HeldElsewhere,
                    "another Tavrin holds the keyboard port", ""},
        RootFailure{"bind_refused", RootFailure::BindRefused,
                    "cannot hand serio0 to serio_raw: No such device", "atkbd"},
        RootFailure{"node_is_link", RootFailure::NodeIsLink,
                    "serio_raw0: Too many levels of symbolic links", "atkbd"},
        RootFailure{"node_is_file", RootFailure::NodeIsFile, "is not a character device",
                    "atkbd"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LockModes {
    const char* name;
    mode_t umask;
    mode_t folderBefore;  // 0: no folder yet
    mode_t lockBefore;    // 0: no lock yet
};

class PortLockModes : public ::testing::TestWithParam<LockModes> {};

// The folder ends 0755 and the lock 0600 whatever the umask or an earlier
// holder left.
TEST_P(PortLockModes, FolderAndLockArePrivate) {
    const LockModes& c = GetParam();
    TempDir dir;
    const fs::path lock = dir.path() / "run/tavrin/port.lock";
    fs::create_directories(lock.parent_path().parent_path());
    if (c.folderBefore != 0) {
        fs::create_directory(lock.parent_path());
        ::chmod(lock.parent_path().c_str(), c.folderBefore);
    }
    if (c.lockBefore != 0) {
        std::ofstream(lock) << "";
        ::chmod(lock.c_str(), c.lockBefore);
    }
    const mode_t before = ::umask(c.umask);
    platform::PortLock taken;
    std::string reason;
    const auto outcome = taken.take(lock, reason);
    ::umask(before);
    ASSERT_EQ(outcome, platform::PortLock::Outcome::Taken) << reason;
    struct stat st {};
    ASSERT_EQ(::stat(lock.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    ASSERT_EQ(::stat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

INSTANTIATE_TEST_SUITE_P(Modes, PortLockModes,
                         ::testing::Values(LockModes{"umask_0_new", 0, 0, 0},
                                           LockModes{"umask_022_new", 022, 0, 0},
                                           LockModes{"folder_left_0777", 0, 0777, 0},
                                           LockModes{"lock_left_0666", 0, 0755, 0666}),
                         [](const auto& info) { return std::string(info.param.name); });

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
    makeNode(dev);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        ::setpgid(0, 0);
        platform::SysfsSerioBus bus(sysfs.devices());
        platform::DirectRawPortSource source(bus, rootPaths(sysfs, dev));
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
        platform::HelperRawPortSource helper([](std::string&, bool&) { return 42; },
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
