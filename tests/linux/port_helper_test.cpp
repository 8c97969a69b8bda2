// Where the raw port comes from, on a fake root: a serio bus whose drvctl
// records the last write and a FIFO standing for /dev/serio_raw0. tavrin-port
// binds serio_raw for the unprivileged program; as root the program takes the
// machine's lock, binds it itself and opens the node udev makes. Either way
// the port must end on atkbd however the program ends, and on every failure
// after the bind. Without the helper's client the program is told what it lacks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/port_client.h"
#include "platform/linux/raw_port_source.h"
#include "platform/linux/serio_bus.h"
#include "support/fake_sysfs.h"
#include "support/posix_files.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

namespace fs = std::filesystem;
using platform::acquireKeyboardPort;
using platform::PortHelperLaunch;
using Port = FakeSysfs::Port;
using ::testing::HasSubstr;

// A folder standing for / as the helper sees it: sys/bus/serio/devices,
// dev/serio_raw0 and run/tavrin. The helpers started from then on use the
// root made last.
struct FakeRoot {
    explicit FakeRoot(bool keyboard = true, bool device = true) {
        if (keyboard) {
            sysfs.addPort({"serio0", "i8042 KBD port", "06", "atkbd"});
        }
        sysfs.addPort({"serio1", "i8042 AUX port", "06", "psmouse"});
        fs::create_directories(path() / "sys/bus/serio");
        fs::create_directory_symlink(sysfs.devices(), path() / "sys/bus/serio/devices");
        fs::create_directories(path() / "dev");
        if (keyboard && device) {
            makeDevice();
        }
        use();
    }
    // What serio_raw makes once bound: misc/serio_raw0, then udev's node.
    void makeDevice() {
        fs::create_directories(sysfs.devices() / "serio0" / "misc" / "serio_raw0");
        ::mkfifo((path() / "dev/serio_raw0").c_str(), 0600);
    }
    fs::path path() const { return sysfs.root() / "root"; }
    // The helper reads its root from the environment it inherits.
    void use() const { ::setenv("TAVRIN_PORT_ROOT", path().c_str(), 1); }

    FakeSysfs sysfs;
};

PortHelperLaunch direct() {
    return {.helper = TAVRIN_PORT_FAKE, .asRoot = true};
}

// Starting the helper on root fails with error (the whole message, or a matcher),
// and serio's drvctl holds driver after.
void expectRefused(FakeRoot& root, const PortHelperLaunch& launch,
                   const ::testing::Matcher<const std::string&>& error,
                   const std::string& serio = "serio0", const std::string& driver = "") {
    std::string why;
    EXPECT_FALSE(acquireKeyboardPort(launch, why));
    EXPECT_THAT(why, error);
    EXPECT_EQ(root.sysfs.drvctl(serio), driver);
}

// drvctl as it stands once the port has had up to 5 s to reach want.
std::string settle(FakeSysfs& sysfs, const std::string& want) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sysfs.drvctl("serio0") != want && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return sysfs.drvctl("serio0");
}

TEST(PortHelper, PassesTheDeviceAndGivesThePortBackWhenTheSocketCloses) {
    FakeRoot root;
    std::string error;
    auto lease = acquireKeyboardPort(direct(), error);
    ASSERT_TRUE(lease) << error;
    EXPECT_EQ(lease->port(), "serio0");
    EXPECT_EQ(lease->type(), 6);
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "serio_raw");

    // The fd is the device: a byte the keyboard side writes is read through it.
    int device = lease->takeDevice();
    ASSERT_GE(device, 0);
    int keyboard = ::open((root.path() / "dev/serio_raw0").c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(keyboard, 0);
    const unsigned char ack = 0xFA;
    ASSERT_EQ(::write(keyboard, &ack, 1), 1);
    unsigned char got = 0;
    EXPECT_EQ(::read(device, &got, 1), 1);
    EXPECT_EQ(got, 0xFA);
    ::close(keyboard);
    ::close(device);

    EXPECT_EQ(lease->release(), platform::kPortGivenBack);
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "atkbd");
    EXPECT_EQ(root.sysfs.drvctl("serio1"), "");
}

// udev makes the node a moment after the bind; the helper waits for it.
TEST(PortHelper, WaitsForTheDeviceToAppear) {
    FakeRoot root(true, false);
    std::thread kernel([&] {
        settle(root.sysfs, "serio_raw");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        root.makeDevice();
    });
    std::string error;
    auto lease = acquireKeyboardPort(direct(), error);
    kernel.join();
    ASSERT_TRUE(lease) << error;
    int device = lease->takeDevice();
    EXPECT_GE(device, 0);
    ::close(device);
    EXPECT_EQ(lease->release(), platform::kPortGivenBack);
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "atkbd");
}

// serio_raw bound but no node within the helper's wait (5 s, 0.3 s here): the
// port goes back.
TEST(PortHelper, GivesThePortBackWhenTheDeviceNeverAppears) {
    FakeRoot root(true, false);
    ::setenv("TAVRIN_PORT_DEVICE_MS", "300", 1);
    expectRefused(root, direct(), "serio_raw made no device for serio0", "serio0", "atkbd");
    ::unsetenv("TAVRIN_PORT_DEVICE_MS");
}

// Root's own path over the fake root: the node stands as a FIFO.
platform::DirectRawPortSource::Paths rootPaths(FakeRoot& root) {
    platform::DirectRawPortSource::Paths paths{root.sysfs.devices(), root.path() / "dev", 0};
    paths.lock = root.path() / "run/tavrin/port.lock";
    paths.isNode = [](mode_t mode) { return S_ISFIFO(mode); };
    return paths;
}

const platform::KeyboardPort kPort{"serio0", "atkbd", platform::ScanCodeTranslation::Set1};

struct Ending {
    const char* name;
    bool helper;  // the port held through the helper, else bound by the program as root
    int signal;
    bool wholeGroup;  // as a terminal sends it: Ctrl+C, Ctrl+Z, hang-up
    friend void PrintTo(const Ending& e, std::ostream* os) { *os << e.name; }
};

class ProgramEnds : public ::testing::TestWithParam<Ending> {};

// The program holding the port is killed, or stopped with its whole process
// group by Ctrl+Z (the helper and its guard are not in it), without a word:
// the port goes back either way, also when the signal reached the guard too.
TEST_P(ProgramEnds, PortEndsOnAtkbd) {
    const Ending& c = GetParam();
    FakeRoot root;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        ::setpgid(0, 0);
        platform::SysfsSerioBus bus(root.sysfs.devices());
        platform::DirectRawPortSource source(bus, rootPaths(root));
        std::string error;
        const auto lease = c.helper ? acquireKeyboardPort(direct(), error) : nullptr;
        const bool held = c.helper ? lease != nullptr : source.open(kPort, error).fd >= 0;
        (void)::write(ready[1], held ? "1" : "0", 1);
        for (;;) {
            ::pause();
        }
    }
    ::close(ready[1]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(held, '1');
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "serio_raw");
    ::kill(c.wholeGroup ? -program : program, c.signal);
    EXPECT_EQ(settle(root.sysfs, "atkbd"), "atkbd");
    ::kill(program, SIGKILL);  // a stopped one too
    ::waitpid(program, nullptr, 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramEnds,
                         ::testing::Values(Ending{"helper_sigkill", true, SIGKILL, true},
                                           Ending{"helper_ctrl_z", true, SIGTSTP, true},
                                           Ending{"sigkill", false, SIGKILL, false},
                                           Ending{"sigterm", false, SIGTERM, false},
                                           Ending{"ctrl_c", false, SIGINT, true},
                                           Ending{"hang_up", false, SIGHUP, true},
                                           Ending{"ctrl_z", false, SIGTSTP, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct HelperSignal {
    const char* name;
    int signal;
    int release;  // what the lease's end tells: -1 for killed, not exited
    friend void PrintTo(const HelperSignal& s, std::ostream* os) { *os << s.name; }
};

class PortHelperSignal : public ::testing::TestWithParam<HelperSignal> {};

// The helper itself killed or told to end: the port goes back either way.
TEST_P(PortHelperSignal, GivesThePortBack) {
    FakeRoot root;
    std::string error;
    auto lease = acquireKeyboardPort(direct(), error);
    ASSERT_TRUE(lease) << error;
    ASSERT_EQ(root.sysfs.drvctl("serio0"), "serio_raw");
    ASSERT_EQ(::kill(lease->helper(), GetParam().signal), 0);
    EXPECT_EQ(settle(root.sysfs, "atkbd"), "atkbd");
    EXPECT_EQ(lease->release(), GetParam().release);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, PortHelperSignal,
    ::testing::Values(
        HelperSignal{"sigkill", SIGKILL, -1},  // none of its code runs: its guard gives back
        HelperSignal{"sigterm", SIGTERM, platform::kPortGivenBack},  // kill's and shutdown's
        HelperSignal{"sighup", SIGHUP, platform::kPortGivenBack},    // its terminal gone
        HelperSignal{"sigint", SIGINT, platform::kPortGivenBack}),   // an interrupt
    [](const ::testing::TestParamInfo<HelperSignal>& info) { return info.param.name; });

TEST(PortHelper, RefusesASecondClientWhileOneHoldsThePort) {
    FakeRoot root;
    std::string error;
    auto first = acquireKeyboardPort(direct(), error);
    ASSERT_TRUE(first) << error;
    auto second = acquireKeyboardPort(direct(), error);
    EXPECT_FALSE(second);
    EXPECT_EQ(error, "another Tavrin holds the keyboard port");
    // The refused helper left the port to the first one.
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "serio_raw");
    EXPECT_EQ(first->release(), platform::kPortGivenBack);
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "atkbd");
}

TEST(PortHelper, RefusesWithoutAKeyboardPortAndTouchesNothing) {
    FakeRoot root(false);
    expectRefused(root, direct(), "the kernel has no i8042 keyboard port here", "serio1");
}

// Started as pkexec starts it: the launcher's first argument is the helper.
// /usr/bin/env stands for pkexec; the helper itself standing for pkexec gets
// another root's path as argument and must not use it.
TEST(PortHelper, StartsThroughALauncherAndIgnoresItsArguments) {
    FakeRoot root;
    FakeRoot other;
    root.use();  // not other, made last
    const PortHelperLaunch launches[] = {
        {.helper = TAVRIN_PORT_FAKE, .pkexec = "/usr/bin/env"},
        {.helper = (other.path() / "sys/bus/serio/devices").string(), .pkexec = TAVRIN_PORT_FAKE}};
    for (const PortHelperLaunch& launch : launches) {
        std::string error;
        auto lease = acquireKeyboardPort(launch, error);
        ASSERT_TRUE(lease) << launch.pkexec << ": " << error;
        EXPECT_EQ(root.sysfs.drvctl("serio0"), "serio_raw") << launch.pkexec;
        EXPECT_EQ(lease->release(), platform::kPortGivenBack) << launch.pkexec;
        EXPECT_EQ(root.sysfs.drvctl("serio0"), "atkbd") << launch.pkexec;
    }
    EXPECT_EQ(other.sysfs.drvctl("serio0"), "");
}

TEST(PortHelper, ExplainsAHelperThatCannotStart) {
    FakeRoot root;
    PortHelperLaunch launch = direct();
    launch.helper = (root.path() / "no-such-helper").string();
    expectRefused(root, launch, "could not start " + launch.helper);
}

// One helper for the session (one password prompt): each operation binds,
// each end gives back; a hold past its bound goes back whatever the program
// does, and its late word is still answered.
TEST(PortHelperSession, BindsPerOperationAndGivesBackBetween) {
    FakeRoot root;
    ::setenv("TAVRIN_PORT_HOLD_MS", "400", 1);
    std::string error;
    auto session = platform::startPortHelper(direct(), error);
    ASSERT_TRUE(session) << error;
    for (bool waitForTheBound : {false, false, true}) {
        const int device = session->hold(error);
        ASSERT_GE(device, 0) << error;
        EXPECT_EQ(root.sysfs.drvctl("serio0"), "serio_raw");
        if (waitForTheBound) {
            EXPECT_EQ(settle(root.sysfs, "atkbd"), "atkbd");
        }
        ::close(device);
        EXPECT_TRUE(session->giveBack());
        EXPECT_EQ(root.sysfs.drvctl("serio0"), "atkbd");
    }
    ::unsetenv("TAVRIN_PORT_HOLD_MS");
    EXPECT_EQ(session->end(), platform::kPortGivenBack);
}

// Root's own path and the helper take the same lock: neither rebinds the
// port the other holds, and the one refused is served once it is back.
TEST(PortHelperSession, RootsOwnPathAndTheHelperExcludeEachOther) {
    FakeRoot root;
    platform::SysfsSerioBus bus(root.sysfs.devices());
    platform::DirectRawPortSource rootPath(bus, rootPaths(root));
    std::string error, reason;
    auto session = platform::startPortHelper(direct(), error);
    ASSERT_TRUE(session) << error;
    const int device = session->hold(error);
    ASSERT_GE(device, 0) << error;
    const platform::OpenedRawPort refused = rootPath.open(kPort, reason);
    EXPECT_TRUE(refused.fd < 0 && refused.busy);
    EXPECT_EQ(reason, "another Tavrin holds the keyboard port");
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "serio_raw");
    ::close(device);
    ASSERT_TRUE(session->giveBack());
    const platform::OpenedRawPort held = rootPath.open(kPort, reason);
    ASSERT_GE(held.fd, 0) << reason;
    EXPECT_LT(session->hold(error), 0);
    EXPECT_TRUE(session->refusedBusy());
    EXPECT_EQ(error, "another Tavrin holds the keyboard port");
    ::close(held.fd);
    rootPath.release();
    EXPECT_EQ(root.sysfs.drvctl("serio0"), "atkbd");
}

// A helper that is not ours sends two descriptors, or more than fit: none
// is left open in the program, and the answer is refused.
TEST(PortHelperSession, ClosesEveryDescriptorItDidNotExpect) {
    if (!fs::exists("/usr/bin/python3")) {
        GTEST_SKIP() << "no python3 to stand for a foreign helper";
    }
    TempDir dir;
    const auto descriptors = [] {
        const fs::directory_iterator fds("/proc/self/fd");
        return std::distance(fs::begin(fds), fs::end(fds));
    };
    for (int count : {2, 40}) {
        const PortHelperLaunch launch{.helper = dir.file("helper" + std::to_string(count)),
                                      .asRoot = true};
        std::ofstream(launch.helper)
            << "#!/usr/bin/python3\nimport os, socket\ns = socket.socket(fileno=0)\ns.recv(64)\n"
            << "socket.send_fds(s, [b'ok serio0 6'], [os.open('/dev/null', 0) for _ in range("
            << count << ")])\ns.recv(64)\n";
        fs::permissions(launch.helper, fs::perms::owner_all);
        const auto before = descriptors();
        std::string error;
        auto session = platform::startPortHelper(launch, error);
        ASSERT_TRUE(session) << error;
        EXPECT_LT(session->hold(error), 0) << count;
        EXPECT_EQ(error, "the keyboard port helper sent descriptors it should not have");
        session.reset();
        EXPECT_EQ(descriptors(), before) << count;
    }
}

// The installed build has no fake root: TAVRIN_PORT_ROOT changes nothing. Only
// where the kernel has no serio bus, so a real keyboard is never touched.
TEST(PortHelper, InstalledBuildIgnoresTheFakeRoot) {
    if (fs::exists(platform::kSerioDevices)) {
        GTEST_SKIP() << "this machine has a serio bus";
    }
    FakeRoot root;
    expectRefused(root, {.helper = TAVRIN_PORT, .asRoot = true},
                  HasSubstr("the kernel shows no serio bus (/sys/bus/serio/devices"));
}

// The kernel refusing serio_raw once atkbd let go of the port.
struct RefusingBus : platform::SysfsSerioBus {
    using SysfsSerioBus::SysfsSerioBus;
    bool writeDriverControl(const std::string& port, std::string_view command,
                            std::string& error) override {
        error = "No such device";
        return command != platform::kRawDriver &&
               SysfsSerioBus::writeDriverControl(port, command, error);
    }
};

enum class Node { None, Fifo, Link, File };

struct Case {
    const char* name;
    bool misc;  // serio_raw made serioN/misc/serio_raw0
    Node node;  // what stands at /dev/serio_raw0
    bool opens;
    const char* reason;
    bool heldElsewhere = false;  // another Tavrin has the machine's lock
    bool refused = false;        // the kernel refuses serio_raw
};

class DirectSource : public ::testing::TestWithParam<Case> {};

// Every way out after the bind was tried ends on atkbd; a port another
// Tavrin holds is never rebound.
TEST_P(DirectSource, BindsOpensAndGivesBack) {
    const Case& c = GetParam();
    FakeRoot root(true, false);
    FakeSysfs& sysfs = root.sysfs;
    if (c.misc) {
        fs::create_directories(sysfs.devices() / "serio0" / "misc" / "serio_raw0");
    }
    const fs::path dev = root.path() / "dev", node = dev / "serio_raw0";
    if (c.node == Node::Fifo || c.node == Node::Link) {
        ::mkfifo((dev / "fifo").c_str(), 0600);
        c.node == Node::Fifo ? fs::rename(dev / "fifo", node)
                             : fs::create_symlink(dev / "fifo", node);
    } else if (c.node == Node::File) {
        std::ofstream(node) << "";
    }
    const auto paths = rootPaths(root);
    fs::create_directories(paths.lock.parent_path());  // left open by an earlier holder
    std::ofstream(paths.lock) << "";
    fs::permissions(paths.lock.parent_path(), fs::perms::all);
    fs::permissions(paths.lock, fs::perms::all);
    platform::PortLock other;
    std::string reason;
    if (c.heldElsewhere) {
        ASSERT_EQ(other.take(paths.lock, reason), platform::PortLock::Outcome::Taken) << reason;
    }
    platform::SysfsSerioBus sysfsBus(sysfs.devices());
    RefusingBus refusing(sysfs.devices());
    platform::DirectRawPortSource source(c.refused ? refusing : sysfsBus, paths);
    const platform::KeyboardPort port{"serio0", "atkbd", platform::ScanCodeTranslation::Set2};
    const mode_t umask = ::umask(0);
    const platform::OpenedRawPort opened = source.open(port, reason);
    ::umask(umask);
    EXPECT_EQ(opened.fd >= 0, c.opens) << reason;
    EXPECT_EQ(opened.busy, c.heldElsewhere);
    EXPECT_EQ(test::modeOf(paths.lock.parent_path().string()), 0755u);  // whatever the umask
    EXPECT_EQ(test::modeOf(paths.lock.string()), 0600u);
    EXPECT_EQ(opened.translation, platform::ScanCodeTranslation::Set2);
    if (c.opens) {
        EXPECT_EQ(sysfs.drvctl("serio0"), "serio_raw");
        ::close(opened.fd);
        source.release();
    } else {
        EXPECT_THAT(reason, HasSubstr(c.reason));
    }
    EXPECT_EQ(sysfs.drvctl("serio0"), c.heldElsewhere ? "" : "atkbd");
    other.drop();  // and the lock is free again for the next holder
    EXPECT_EQ(other.take(paths.lock, reason), platform::PortLock::Outcome::Taken) << reason;
}

const Case kNodes[] = {
    {"opened", true, Node::Fifo, true, ""},
    {"no_misc_device", false, Node::None, false, "serio0 shows no serio_raw device after binding"},
    {"no_node", true, Node::None, false, "serio_raw0: No such file or directory"},
    {"node_is_link", true, Node::Link, false, "serio_raw0: Too many levels of symbolic links"},
    {"node_is_file", true, Node::File, false, "serio_raw0 is not a character device"},
    {"held_elsewhere", true, Node::Fifo, false, "another Tavrin holds the keyboard port", true},
    {"bind_refused", true, Node::Fifo, false, "cannot hand serio0 to serio_raw: No such device",
     false, true},
};

INSTANTIATE_TEST_SUITE_P(Nodes, DirectSource, ::testing::ValuesIn(kNodes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DirectSource, ABindTheKernelRefusesTellsWhy) {
    FakeRoot root(false);  // no serio0 to rebind
    platform::SysfsSerioBus bus(root.sysfs.devices());
    platform::DirectRawPortSource source(bus, rootPaths(root));
    std::string reason;
    EXPECT_LT(source.open(kPort, reason).fd, 0);
    EXPECT_THAT(reason, HasSubstr("cannot hand serio0 to serio_raw"));
}

TEST(HelperSource, WithoutTheHelpersClientSaysSo) {
    std::string reason;
    platform::HelperRawPortSource none;
    EXPECT_LT(none.open(kPort, reason).fd, 0);
    EXPECT_THAT(reason, HasSubstr("needs root, or the tavrin-port helper"));

    int closes = 0;
    {
        platform::HelperRawPortSource helper([](std::string&, bool&) { return 42; },
                                             [&closes] { ++closes; });
        EXPECT_EQ(helper.open(kPort, reason).fd, 42);
        helper.release();
        helper.release();
        EXPECT_EQ(closes, 1);
        helper.open(kPort, reason);
    }
    EXPECT_EQ(closes, 2);  // the socket closes with the source
}

}  // namespace
}  // namespace tavrin::test
