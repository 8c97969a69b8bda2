// What a name the user gave may lead to, as root saves, writes in place,
// loads and makes a private file (trace, wire log): another user's link in a
// shared sticky folder is never followed, a FIFO or a device is refused
// without blocking, and a private file is the user's own and 0600. The
// owners are set with chown, so the cases need root.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/posix_files.h"
#include "platform/safe_save.h"
#include "platform/std_file_system.h"
#include "support/posix_files.h"
#include "support/temp_dir.h"

namespace tavrin::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr uid_t kUser = 1000;   // who runs Tavrin
constexpr uid_t kOther = 2000;  // who planted the name
const Bytes kNew{'n', 'e', 'w', ' ', 'p', 'r', 'o', 'f', 'i', 'l', 'e'};
const Bytes kPrecious{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};

enum class At { Nothing, Link, DanglingLink, Fifo, Device, File };

struct Case {
    const char* name;
    mode_t folderMode;  // the folder that holds the name
    uid_t folderOwner;
    At at;
    uid_t owner;  // of the link or the file
    mode_t fileMode;
    mode_t umask;
    SaveFault save;      // replaceFile
    SaveFault inPlace;   // writeFileHead
    bool loads;          // readFileHead
    const char* trace;   // openPrivateFile's refusal; "" when it opens
};

class UserPaths : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "giving files to other users needs root";
        }
        const Case& c = GetParam();
        fs::create_directories(dir.path() / "etc");
        fs::create_directories(dir.path() / "shared");
        ::chown(shared().c_str(), c.folderOwner, c.folderOwner);
        ::chmod(shared().c_str(), c.folderMode);
        plant(c);
    }
    std::string shared() const { return dir.file("shared"); }
    std::string name() const { return dir.file("shared/till.json"); }
    std::string precious() const { return dir.file("etc/passwd"); }
    void resetPrecious() {
        dir.write("etc/passwd", kPrecious);
        ::chmod(precious().c_str(), 0644);
    }
    void plant(const Case& c) {
        resetPrecious();
        switch (c.at) {
            case At::Nothing:
                break;
            case At::Link:
                fs::create_symlink(precious(), name());
                break;
            case At::DanglingLink:
                fs::create_symlink(dir.file("etc/cron.d-job"), name());
                break;
            case At::Fifo:
                ::mkfifo(name().c_str(), 0666);
                break;
            case At::Device:  // as /dev/null
                ASSERT_EQ(::mknod(name().c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
                break;
            case At::File:
                std::ofstream(name()) << "old";
                ::chmod(name().c_str(), c.fileMode);
                break;
        }
        ::lchown(name().c_str(), c.owner, c.owner);
    }

    test::TempDir dir;
};

TEST_P(UserPaths, NothingFollowedBlockedOrLost) {
    const Case& c = GetParam();
    const bool followed = c.save == SaveFault::None && c.at == At::Link;

    PosixSaveSteps steps(kUser);
    EXPECT_EQ(saveWhole(steps, name(), kNew).fault, c.save) << "save";
    EXPECT_EQ(test::isSymlink(name()), c.at == At::Link || c.at == At::DanglingLink);
    EXPECT_EQ(dir.read("etc/passwd"), followed ? kNew : kPrecious) << "save";
    EXPECT_EQ(fs::exists(dir.file("etc/cron.d-job")), c.at == At::DanglingLink && c.save == SaveFault::None);
    resetPrecious();

    EXPECT_EQ(posixWriteHead(name(), kNew, kUser).fault, c.inPlace) << "in place";
    EXPECT_EQ(dir.read("etc/passwd"), followed ? kNew : kPrecious) << "in place";
    resetPrecious();

    StdFileSystem files("", "");
    EXPECT_EQ(files.readFileHead(name(), 512).has_value(), c.loads) << "load";

    if (c.at == At::File) {  // the saves above made it the new profile
        ::chmod(name().c_str(), c.fileMode);
        ::chown(name().c_str(), c.owner, c.owner);
    } else if (c.at == At::Nothing) {
        fs::remove(name());  // made by the saves; the trace is made new
    }
    const mode_t before = ::umask(c.umask);
    std::string why;
    std::FILE* trace = openPrivateFile(name(), &why, kUser);
    ::umask(before);
    EXPECT_EQ(trace != nullptr, std::string(c.trace).empty()) << why;
    EXPECT_EQ(why, c.trace);
    if (trace != nullptr) {
        std::fclose(trace);
        EXPECT_EQ(test::modeOf(name()), 0600u);
        EXPECT_EQ(fs::file_size(name()), 0u);
    }
    EXPECT_EQ(dir.read("etc/passwd"), kPrecious) << "trace";
}

constexpr mode_t kShared = 01777;  // /tmp
constexpr auto kNone = SaveFault::None;
constexpr auto kForeign = SaveFault::ForeignLink;
constexpr auto kNotRegular = SaveFault::NotRegular;
constexpr const char* kLink = "a symbolic link";

INSTANTIATE_TEST_SUITE_P(
    Names, UserPaths,
    ::testing::Values(
        // The link rule: owner x folder sticky/world-writable x link owner.
        Case{"others_link_in_shared_folder", kShared, 0, At::Link, kOther, 0, 022, kForeign,
             kForeign, true, kLink},
        Case{"others_dangling_link_in_shared_folder", kShared, 0, At::DanglingLink, kOther, 0, 022,
             kForeign, kForeign, false, kLink},
        Case{"own_link_in_shared_folder", kShared, 0, At::Link, kUser, 0, 022, kNone, kNone, true,
             kLink},
        Case{"folder_owners_link_in_shared_folder", kShared, kOther, At::Link, kOther, 0, 022,
             kNone, kNone, true, kLink},
        Case{"others_link_in_sticky_private_folder", 01755, 0, At::Link, kOther, 0, 022, kNone,
             kNone, true, kLink},
        Case{"others_link_in_open_folder_not_sticky", 0777, 0, At::Link, kOther, 0, 022, kNone,
             kNone, true, kLink},
        // Neither a FIFO nor a device is opened to block or to take bytes.
        Case{"fifo", kShared, 0, At::Fifo, kOther, 0, 022, kNotRegular, kNotRegular, false,
             "not a regular file"},
        Case{"device_node", 0755, 0, At::Device, 0, 0, 022, kNotRegular, kNotRegular, false,
             "not a regular file"},
        // A private file: made 0600 whatever the umask, reused only when it
        // is the user's own and 0600.
        Case{"new_under_umask_0", 0755, 0, At::Nothing, 0, 0, 0, kNone, kNone, true, ""},
        Case{"new_under_umask_0277", 0755, 0, At::Nothing, 0, 0, 0277, kNone, kNone, true, ""},
        Case{"own_private_file", 0755, 0, At::File, kUser, 0600, 022, kNone, kNone, true, ""},
        Case{"own_file_readable_by_others", 0755, 0, At::File, kUser, 0644, 022, kNone, kNone,
             true, "readable by others (mode 0644; 0600 is kept)"},
        Case{"others_private_file", 0755, 0, At::File, kOther, 0600, 022, kNone, kNone, true,
             "another user's file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkRule, FollowsAsTheKernelWould) {
    EXPECT_TRUE(linkMayBeFollowed(kUser, 01777, 0, kUser));
    EXPECT_FALSE(linkMayBeFollowed(kOther, 01777, 0, kUser));
    EXPECT_FALSE(linkMayBeFollowed(kOther, 01777, 0, 0));  // root too
    EXPECT_TRUE(linkMayBeFollowed(kOther, 01777, kOther, 0));
    EXPECT_TRUE(linkMayBeFollowed(kOther, 01775, 0, kUser));  // not world-writable
    EXPECT_TRUE(linkMayBeFollowed(kOther, 0777, 0, kUser));   // not sticky
}

}  // namespace
}  // namespace tavrin::platform

#endif
