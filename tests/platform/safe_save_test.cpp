// Whole-file saves on a real POSIX file system: planted links, the owner's
// links, modes and owners, failures at every step, saves racing each other,
// and the order of the flushes.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/posix_files.h"
#include "platform/std_file_system.h"
#include "support/posix_files.h"
#include "support/temp_dir.h"

namespace tavrin::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::isSymlink;
using test::modeOf;
using test::namesIn;

const Bytes kOld{'o', 'l', 'd'};
const Bytes kNew{'n', 'e', 'w', ' ', 'p', 'r', 'o', 'f', 'i', 'l', 'e'};
const Bytes kPrecious{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};

// The real steps with names a test knows beforehand, every step recorded,
// and a fault put into any one of them.
class ScriptedSteps : public PosixSaveSteps {
public:
    std::vector<std::string> suffixes{"a", "b", "c", "d"};
    std::vector<std::string> calls;
    std::string failAt;  // the step that fails, with failure
    SaveFault failure = SaveFault::DiskFull;

    std::string nameSuffix() override {
        std::string next = suffixes.empty() ? randomSuffix() : suffixes.front();
        if (!suffixes.empty()) {
            suffixes.erase(suffixes.begin());
        }
        return next;
    }
    SaveFault resolve(const std::string& path, std::string& target) override {
        return fails("resolve") ? failure : PosixSaveSteps::resolve(path, target);
    }
    SaveFault createTemporary(const std::string& target, const std::string& temporary,
                              bool& ownerChanged) override {
        return fails("create") ? failure
                               : PosixSaveSteps::createTemporary(target, temporary, ownerChanged);
    }
    SaveFault write(const std::vector<std::uint8_t>& bytes) override {
        if (failAt == "write") {
            // A full disk takes part of the bytes.
            PosixSaveSteps::write(Bytes(bytes.begin(), bytes.begin() + bytes.size() / 2));
        }
        return fails("write") ? failure : PosixSaveSteps::write(bytes);
    }
    SaveFault flush() override { return fails("flush") ? failure : PosixSaveSteps::flush(); }
    SaveFault close() override { return fails("close") ? failure : PosixSaveSteps::close(); }
    SaveFault commit(const std::string& temporary, const std::string& target) override {
        return fails("commit") ? failure : PosixSaveSteps::commit(temporary, target);
    }
    SaveFault flushFolder(const std::string& target) override {
        return fails("flush folder") ? failure : PosixSaveSteps::flushFolder(target);
    }
    void discard(const std::string& temporary) override {
        calls.push_back("discard");
        PosixSaveSteps::discard(temporary);
    }

private:
    // The step recorded; true where it is to fail.
    bool fails(const char* name) {
        calls.push_back(name);
        return failAt == name;
    }
};

class SafeSave : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return dir.file(name); }
    test::TempDir dir;
    StdFileSystem files{dir.path().string(), ""};
};

TEST_F(SafeSave, PlantedLinksAtTheFreshFileNamesAreNeverWrittenThrough) {
    for (const bool targetExists : {true, false}) {
        SCOPED_TRACE(targetExists ? "over a file" : "a new file");
        test::TempDir d;
        const std::string target = d.file("out.json");
        if (targetExists) {
            d.write("out.json", kOld);
        }
        d.write("precious", kPrecious);
        // At the names the save will try first, the old fixed name, and a
        // link to a file that does not exist yet.
        fs::create_symlink(d.file("precious"), temporaryPath(target, "a"));
        fs::create_symlink(d.file("precious"), temporaryPath(target, "b"));
        fs::create_symlink(d.file("victim"), temporaryPath(target, "c"));
        fs::create_symlink(d.file("precious"), target + ".tavrin-new");

        ScriptedSteps steps;
        ASSERT_TRUE(saveWhole(steps, target, kNew));
        EXPECT_EQ(d.read("out.json"), kNew);
        EXPECT_FALSE(isSymlink(target));
        EXPECT_EQ(d.read("precious"), kPrecious);
        EXPECT_FALSE(fs::exists(d.file("victim")));
        for (const std::string& planted :
             {temporaryPath(target, "a"), temporaryPath(target, "b"), temporaryPath(target, "c")}) {
            EXPECT_TRUE(isSymlink(planted)) << planted << " is someone else's; it stays";
        }
        EXPECT_EQ(namesIn(d.path()).size(), 6u) << "no fresh file is left behind";
    }
}

TEST_F(SafeSave, ALinkIsWrittenWhereItLeadsAndStaysALink) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links;  // name, where it leads
        bool targetExists;
    };
    const Case cases[] = {
        {"relative", {{"link.json", "real.json"}}, true},
        {"absolute", {{"link.json", "@real.json"}}, true},
        {"a chain of two", {{"link.json", "mid.json"}, {"mid.json", "sub/../real.json"}}, true},
        {"into a subfolder", {{"link.json", "sub/real.json"}}, true},
        {"dangling: the file is made where it leads", {{"link.json", "real.json"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir d;
        fs::create_directory(d.path() / "sub");
        const std::string real = c.links.back().second.starts_with("sub/real")
                                     ? d.file("sub/real.json")
                                     : d.file("real.json");
        if (c.targetExists) {
            d.write(fs::relative(real, d.path()).string(), kOld);
        }
        for (const auto& [name, to] : c.links) {
            fs::create_symlink(to.front() == '@' ? d.file(to.substr(1)) : to, d.path() / name);
        }
        StdFileSystem local{d.path().string(), ""};
        ASSERT_TRUE(local.replaceFile(d.file("link.json"), kNew));
        EXPECT_EQ(d.read(fs::relative(real, d.path()).string()), kNew);
        for (const auto& [name, to] : c.links) {
            EXPECT_TRUE(isSymlink(d.file(name))) << name;
        }
    }
}

TEST_F(SafeSave, AFolderOfLinksIsRefused) {
    fs::create_symlink("loop2", dir.path() / "loop1");
    fs::create_symlink("loop1", dir.path() / "loop2");
    const SaveResult saved = files.replaceFile(file("loop1"), kNew);
    EXPECT_EQ(saved.fault, SaveFault::LinkLoop);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"loop1", "loop2"}));
}

TEST_F(SafeSave, ModeOwnerAndGroupSurvive) {
    for (const unsigned mode : {0600u, 0640u, 0644u, 0660u, 0400u | 0200u | 0004u}) {
        SCOPED_TRACE(mode);
        dir.write("p.json", kOld);
        ASSERT_EQ(::chmod(file("p.json").c_str(), mode), 0);
        ASSERT_TRUE(files.replaceFile(file("p.json"), kNew));
        EXPECT_EQ(dir.read("p.json"), kNew);
        EXPECT_EQ(modeOf(file("p.json")), mode);
    }
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another owner";
    }
    ASSERT_EQ(::chown(file("p.json").c_str(), 65534, 65534), 0);
    const SaveResult saved = files.replaceFile(file("p.json"), kOld);
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved.ownerChanged);
    struct stat st {};
    ASSERT_EQ(::stat(file("p.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(SafeSave, AnOwnerThatCannotBeKeptIsReportedAndOnlyTheNewOwnerMayRead) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs a file of another user's in a folder this user may write";
    }
    // root's file, mode 666, in a folder anyone may write; saved by "nobody".
    fs::create_directory(dir.path() / "shared");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir.path() / "shared").c_str(), 0777), 0);
    dir.write("shared/p.json", kOld);
    ASSERT_EQ(::chmod(file("shared/p.json").c_str(), 0666), 0);
    SaveResult saved;
    {
        test::AsNobody nobody;
        saved = files.replaceFile(file("shared/p.json"), kNew);
    }
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved.ownerChanged);
    EXPECT_EQ(dir.read("shared/p.json"), kNew);
    struct stat st {};
    ASSERT_EQ(::stat(file("shared/p.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, test::AsNobody::kNobody);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "root's group may no longer read it";
}

TEST_F(SafeSave, AFailureAtAnyStepLeavesTheTargetAndNoFreshFile) {
    for (const char* step : {"resolve", "create", "write", "flush", "close", "commit"}) {
        for (const bool targetExists : {true, false}) {
            SCOPED_TRACE(std::string(step) + (targetExists ? " over a file" : " a new file"));
            test::TempDir d;
            if (targetExists) {
                d.write("s.bin", kOld);
            }
            ScriptedSteps steps;
            steps.failAt = step;
            const SaveResult saved = saveWhole(steps, d.file("s.bin"), kNew);
            EXPECT_EQ(saved.fault, SaveFault::DiskFull);
            EXPECT_EQ(saved.reason(), "the disk is full");
            if (targetExists) {
                EXPECT_EQ(d.read("s.bin"), kOld);
                EXPECT_EQ(namesIn(d.path()), std::set<std::string>{"s.bin"});
            } else {
                EXPECT_TRUE(namesIn(d.path()).empty());
            }
        }
    }
}

TEST_F(SafeSave, RealFailuresNameTheirReason) {
    fs::create_directory(dir.path() / "folder.bin");
    fs::create_directory(dir.path() / "locked");
    dir.write("locked/s.bin", kOld);
    struct Case {
        std::string path;
        SaveFault fault;
        const char* reason;
    };
    const Case cases[] = {
        {file("folder.bin"), SaveFault::IsFolder, "a folder has that name"},
        {file("missing/s.bin"), SaveFault::NoFolder, "the folder does not exist"},
        {file("locked/s.bin"), SaveFault::FolderReadOnly, "the folder is read-only"},
        {file("locked/new.bin"), SaveFault::FolderReadOnly, "the folder is read-only"},
        {file(std::string(300, 'n')), SaveFault::NameTooLong, "the name is too long"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 80));
        SaveResult saved;
        {
            test::ReadOnlyFolder readOnly(dir.path() / "locked");
            saved = files.replaceFile(c.path, kNew);
        }
        EXPECT_EQ(saved.fault, c.fault);
        EXPECT_EQ(saved.reason(), c.reason);
        EXPECT_EQ(dir.read("locked/s.bin"), kOld);
        EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"folder.bin", "locked"}));
        EXPECT_EQ(namesIn(dir.path() / "locked"), std::set<std::string>{"s.bin"});
        EXPECT_TRUE(namesIn(dir.path() / "folder.bin").empty());
    }
}

TEST_F(SafeSave, TheBytesAndTheFolderAreFlushedAroundTheRename) {
    dir.write("s.bin", kOld);
    ScriptedSteps steps;
    ASSERT_TRUE(saveWhole(steps, file("s.bin"), kNew));
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"resolve", "create", "write", "flush", "close",
                                                     "commit", "flush folder"}));
    ScriptedSteps failing;
    failing.failAt = "commit";
    ASSERT_FALSE(saveWhole(failing, file("s.bin"), kNew));
    EXPECT_EQ(failing.calls.back(), "discard");
}

TEST_F(SafeSave, TwoSavesAtOnceLeaveOneWholeFile) {
    const Bytes a(200000, 'a');
    const Bytes b(150000, 'b');
    dir.write("s.bin", a);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> failed{0};
    std::thread reader([&] {
        while (!done) {
            const Bytes now = dir.read("s.bin");
            if (now != a && now != b) {
                ++torn;
            }
        }
    });
    auto saver = [&](const Bytes& bytes) {
        StdFileSystem own{dir.path().string(), ""};
        for (int i = 0; i < 60; ++i) {
            if (!own.replaceFile(file("s.bin"), bytes)) {
                ++failed;
            }
        }
    };
    std::thread first(saver, a);
    std::thread second(saver, b);
    first.join();
    second.join();
    done = true;
    reader.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(torn, 0) << "a reader saw a file that was neither save";
    const Bytes last = dir.read("s.bin");
    EXPECT_TRUE(last == a || last == b);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"s.bin"});
}

TEST_F(SafeSave, InPlaceWritesFollowTheOwnersLinkAndNameTheirFault) {
    dir.write("real.bin", Bytes(600, 0xEE));
    fs::create_symlink("real.bin", dir.path() / "link.bin");
    ASSERT_TRUE(files.writeFileHead(file("link.bin"), kNew));
    EXPECT_TRUE(isSymlink(file("link.bin")));
    const Bytes now = dir.read("real.bin");
    ASSERT_EQ(now.size(), 600u);
    EXPECT_EQ(Bytes(now.begin(), now.begin() + 11), kNew);
    fs::create_directory(dir.path() / "folder.bin");
    EXPECT_EQ(files.writeFileHead(file("folder.bin"), kNew).fault, SaveFault::IsFolder);
    EXPECT_EQ(files.writeFileHead(file("none/x.bin"), kNew).fault, SaveFault::NoFolder);
}

TEST(PrivateFiles, MadeForTheOwnerAloneAndNeverThroughALink) {
    test::TempDir dir;
    dir.write("precious", kPrecious);
    fs::create_symlink(dir.file("precious"), dir.path() / "wire.log");
    errno = 0;
    EXPECT_EQ(openPrivateFile(dir.file("wire.log")), nullptr);
    EXPECT_EQ(errno, ELOOP);
    EXPECT_EQ(dir.read("precious"), kPrecious);

    std::FILE* fresh = openPrivateFile(dir.file("trace.log"));
    ASSERT_NE(fresh, nullptr);
    std::fputs("1 E7\n", fresh);
    std::fclose(fresh);
    EXPECT_EQ(modeOf(dir.file("trace.log")), 0600u);
    EXPECT_EQ(dir.read("trace.log"), (Bytes{'1', ' ', 'E', '7', '\n'}));
}

}  // namespace
}  // namespace tavrin::platform

#endif
