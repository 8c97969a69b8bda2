// What a name the user gave may lead to, as root saves, writes in place,
// loads and makes a private file (trace, wire log). The owners are set with
// chown, so the cases need root.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/posix_files.h"
#include "platform/std_file_system.h"
#include "support/posix_files.h"
#include "support/temp_dir.h"

namespace tavrin::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr uid_t kUser = 1000, kOther = 2000;  // who runs Tavrin, who planted the name
const Bytes kNew{'n', 'e', 'w', ' ', 'p', 'r', 'o', 'f', 'i', 'l', 'e'};
const Bytes kPrecious{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};

enum class At { Nothing, Link, DanglingLink, Fifo, Device, File };

struct Case {
    const char* name;
    mode_t folderMode;  // of the folder that holds the name
    uid_t folderOwner;
    At at;
    uid_t owner;  // of the link or the file
    mode_t fileMode, umask;
    SaveFault save;  // replaceFile and the in-place write alike
    bool loads;
    const char* trace;  // openPrivateFile's refusal; "" when it opens
};

class UserPaths : public ::testing::TestWithParam<Case> {};

// Nothing is followed, blocked on or lost: etc/passwd keeps its bytes
// unless the rule lets the link through.
TEST_P(UserPaths, FollowOnlyWhatTheRuleLets) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving files to other users needs root";
    }
    const Case& c = GetParam();
    test::TempDir dir;
    fs::create_directories(dir.path() / "etc");
    fs::create_directories(dir.path() / "shared");
    ::chown(dir.file("shared").c_str(), c.folderOwner, c.folderOwner);
    ::chmod(dir.file("shared").c_str(), c.folderMode);
    const std::string name = dir.file("shared/till.json");
    const auto plant = [&] {
        dir.write("etc/passwd", kPrecious);
        std::error_code ec;
        fs::remove(name, ec);
        if (c.at == At::Link || c.at == At::DanglingLink) {
            fs::create_symlink(dir.file(c.at == At::Link ? "etc/passwd" : "etc/cron.d-job"), name);
        } else if (c.at == At::Fifo) {
            ::mkfifo(name.c_str(), 0666);
        } else if (c.at == At::Device) {  // as /dev/null
            ASSERT_EQ(::mknod(name.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        } else if (c.at == At::File) {
            std::ofstream(name) << "old";
            ::chmod(name.c_str(), c.fileMode);
        }
        ::lchown(name.c_str(), c.owner, c.owner);
    };
    const bool through = c.save == SaveFault::None && c.at == At::Link;
    PosixSaveSteps steps(kUser);
    for (bool inPlace : {false, true}) {
        plant();
        const SaveResult saved =
            inPlace ? posixWriteHead(name, kNew, kUser) : saveWhole(steps, name, kNew);
        EXPECT_EQ(saved.fault, c.save) << inPlace;
        EXPECT_EQ(dir.read("etc/passwd"), through ? kNew : kPrecious) << inPlace;
        EXPECT_FALSE(fs::exists(dir.file("etc/cron.d-job")));
    }
    plant();
    StdFileSystem files("", "");
    EXPECT_EQ(files.readFileHead(name, 512).has_value(), c.loads);
    const mode_t before = ::umask(c.umask);
    std::string why;
    std::FILE* trace = openPrivateFile(name, &why, kUser);
    ::umask(before);
    EXPECT_EQ(why, c.trace);
    ASSERT_EQ(trace != nullptr, why.empty());
    if (trace != nullptr) {
        std::fclose(trace);
        EXPECT_EQ(test::modeOf(name), 0600u);
        EXPECT_EQ(fs::file_size(name), 0u);
    }
    EXPECT_EQ(dir.read("etc/passwd"), kPrecious);
}

constexpr mode_t kShared = 01777;  // as /tmp
constexpr auto kOk = SaveFault::None;
constexpr auto kForeign = SaveFault::ForeignLink;
constexpr auto kOdd = SaveFault::NotRegular;
constexpr const char* kLink = "a symbolic link";
constexpr const char* kNotRegular = "not a regular file";

INSTANTIATE_TEST_SUITE_P(
    Names, UserPaths,
    ::testing::Values(
        // The link rule: link owner x folder sticky and world-writable x folder owner.
        Case{"others_link_shared_folder", kShared, 0, At::Link, kOther, 0, 022, kForeign, 1, kLink},
        Case{"others_dangling_link", kShared, 0, At::DanglingLink, kOther, 0, 022, kForeign, 0,
             kLink},
        Case{"own_link_shared_folder", kShared, 0, At::Link, kUser, 0, 022, kOk, 1, kLink},
        Case{"folder_owners_link", kShared, kOther, At::Link, kOther, 0, 022, kOk, 1, kLink},
        Case{"others_link_sticky_only", 01755, 0, At::Link, kOther, 0, 022, kOk, 1, kLink},
        Case{"others_link_open_not_sticky", 0777, 0, At::Link, kOther, 0, 022, kOk, 1, kLink},
        Case{"fifo", kShared, 0, At::Fifo, kOther, 0, 022, kOdd, 0, kNotRegular},
        Case{"device_node", 0755, 0, At::Device, 0, 0, 022, kOdd, 0, kNotRegular},
        // A private file: 0600 whatever the umask; reused only when the user's own and 0600.
        Case{"new_under_umask_0", 0755, 0, At::Nothing, 0, 0, 0, kOk, 0, ""},
        Case{"new_under_umask_0277", 0755, 0, At::Nothing, 0, 0, 0277, kOk, 0, ""},
        Case{"own_private_file", 0755, 0, At::File, kUser, 0600, 022, kOk, 1, ""},
        Case{"own_file_others_read", 0755, 0, At::File, kUser, 0644, 022, kOk, 1,
             "readable by others (mode 0644; 0600 is kept)"},
        Case{"others_private_file", 0755, 0, At::File, kOther, 0600, 022, kOk, 1,
             "another user's file"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::platform

#endif
