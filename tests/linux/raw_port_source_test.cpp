// Where the raw port comes from: as root the program takes the machine's
// lock, binds serio_raw itself and opens the node udev makes; the port goes
// back to atkbd on release and on every failure after the bind. Without the helper's client the
// unprivileged program is told what it lacks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/linux/raw_port_source.h"
#include "support/fake_sysfs.h"
#include "support/posix_files.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

using ::testing::HasSubstr;

namespace fs = std::filesystem;

// Root's paths over the fake sysfs: the node stands as a FIFO (no test makes
// a character device), the machine's lock is in the test's folder.
platform::DirectRawPortSource::Paths rootPaths(FakeSysfs& sysfs, const TempDir& dev) {
    platform::DirectRawPortSource::Paths paths{sysfs.devices(), dev.path(), 0};
    paths.lock = dev.path() / "run/tavrin/port.lock";
    paths.isNode = [](mode_t mode) { return S_ISFIFO(mode); };
    return paths;
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
    FakeSysfs sysfs;
    TempDir dev;
    sysfs.addPort({"serio0", "i8042 KBD port", "06", "atkbd"});
    if (c.misc) {
        fs::create_directories(sysfs.devices() / "serio0" / "misc" / "serio_raw0");
    }
    const fs::path node = dev.path() / "serio_raw0";
    if (c.node == Node::Fifo || c.node == Node::Link) {
        ::mkfifo((dev.path() / "fifo").c_str(), 0600);
        c.node == Node::Fifo ? fs::rename(dev.path() / "fifo", node)
                             : fs::create_symlink(dev.path() / "fifo", node);
    } else if (c.node == Node::File) {
        std::ofstream(node) << "";
    }
    const auto paths = rootPaths(sysfs, dev);
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

INSTANTIATE_TEST_SUITE_P(Nodes, DirectSource,
                         ::testing::Values(Case{"opened", true, Node::Fifo, true, ""},
                                           Case{"no_misc_device", false, Node::None, false,
                                                "serio0 shows no serio_raw device after binding"},
                                           Case{"no_node", true, Node::None, false,
                                                "serio_raw0: No such file or directory"},
                                           Case{"node_is_link", true, Node::Link, false,
                                                "serio_raw0: Too many levels of symbolic links"},
                                           Case{"node_is_file", true, Node::File, false,
                                                "serio_raw0 is not a character device"},
                                           Case{"held_elsewhere", true, Node::Fifo, false,
                                                "another Tavrin holds the keyboard port", true},
                                           Case{"bind_refused", true, Node::Fifo, false,
                                                "cannot hand serio0 to serio_raw: No such device",
                                                false, true}),
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
