// Whole-file saves through the Win32 API: a fresh file made with CREATE_NEW
// beside the target, flushed, then ReplaceFileW or MoveFileExW; names
// planted at the fresh file's name, symbolic links, attributes, failures at
// every step, racing saves and names outside the code page.

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_save.h"
#include "win32_test_support.h"

namespace tavrin::test::win32 {
namespace {

using platform::SaveFault;
using platform::SaveResult;
using platform::temporaryPath;
using platform::win32::narrowPath;
using platform::win32::widePath;
using platform::win32::Win32FileSystem;
using platform::win32::Win32SaveSteps;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOld{'o', 'l', 'd'};
const Bytes kNew{'n', 'e', 'w', ' ', 'p', 'r', 'o', 'f', 'i', 'l', 'e'};
const Bytes kPrecious{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};

// A symbolic link that is really there (Wine's CreateSymbolicLinkW may
// report success and make nothing).
bool madeSymbolicLink(const std::string& link, const std::string& target) {
    return CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) &&
           (GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every name in a folder, as UTF-8.
std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((widePath(folder) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.insert(narrowPath(name));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// The real steps with names known beforehand, each step recorded, and a
// fault put into any one of them.
class ScriptedSteps : public Win32SaveSteps {
public:
    std::vector<std::string> suffixes{"a", "b", "c"};
    std::vector<std::string> calls;
    std::string failAt;

    std::string nameSuffix() override {
        std::string next = suffixes.empty() ? platform::randomSuffix() : suffixes.front();
        if (!suffixes.empty()) {
            suffixes.erase(suffixes.begin());
        }
        return next;
    }
    SaveFault resolve(const std::string& path, std::string& target) override {
        return fails("resolve") ? kFull : Win32SaveSteps::resolve(path, target);
    }
    SaveFault createTemporary(const std::string& target, const std::string& temporary,
                              bool& ownerChanged) override {
        return fails("create") ? kFull
                               : Win32SaveSteps::createTemporary(target, temporary, ownerChanged);
    }
    SaveFault write(const Bytes& bytes) override {
        return fails("write") ? kFull : Win32SaveSteps::write(bytes);
    }
    SaveFault flush() override { return fails("flush") ? kFull : Win32SaveSteps::flush(); }
    SaveFault close() override { return fails("close") ? kFull : Win32SaveSteps::close(); }
    SaveFault commit(const std::string& temporary, const std::string& target) override {
        return fails("commit") ? kFull : Win32SaveSteps::commit(temporary, target);
    }
    SaveFault flushFolder(const std::string& target) override {
        return fails("flush folder") ? kFull : Win32SaveSteps::flushFolder(target);
    }
    void discard(const std::string& temporary) override {
        calls.push_back("discard");
        Win32SaveSteps::discard(temporary);
    }

private:
    static constexpr SaveFault kFull = SaveFault::DiskFull;
    // Records the step; true where it is the one to fail.
    bool fails(const char* name) {
        calls.push_back(name);
        return failAt == name;
    }
};

TEST(Win32FileSaves, NamesPlantedAtTheFreshFilesNameAreNeverWrittenThrough) {
    for (const bool targetExists : {true, false}) {
        SCOPED_TRACE(targetExists ? "over a file" : "a new file");
        TempDir dir;
        const std::string target = dir.file("out.json");
        if (targetExists) {
            ASSERT_TRUE(writeBytes(target, kOld));
        }
        ASSERT_TRUE(writeBytes(dir.file("precious"), kPrecious));
        // A hard link and a symbolic link to someone's file at the first
        // two names, and one at the old fixed name.
        ASSERT_TRUE(CreateHardLinkA(temporaryPath(target, "a").c_str(),
                                    dir.file("precious").c_str(), nullptr));
        if (!madeSymbolicLink(temporaryPath(target, "b"), dir.file("precious"))) {
            ASSERT_TRUE(writeBytes(temporaryPath(target, "b"), kPrecious));
        }
        ASSERT_TRUE(CreateHardLinkA((target + ".tavrin-new").c_str(), dir.file("precious").c_str(),
                                    nullptr));
        ScriptedSteps steps;
        ASSERT_TRUE(platform::saveWhole(steps, target, kNew));
        EXPECT_EQ(readBytes(target), kNew);
        EXPECT_EQ(readBytes(dir.file("precious")), kPrecious);
        EXPECT_EQ(readBytes(temporaryPath(target, "a")), kPrecious);
        EXPECT_EQ(namesIn(dir.path()).size(), 5u)
            << "no fresh file is left behind: " << ::testing::PrintToString(namesIn(dir.path()));
    }
}

TEST(Win32FileSaves, ASymbolicLinkIsWrittenWhereItLeadsAndStays) {
    TempDir dir;
    ASSERT_TRUE(writeBytes(dir.file("real.json"), kOld));
    if (!madeSymbolicLink(dir.file("link.json"), dir.file("real.json"))) {
        GTEST_SKIP() << "no symbolic links here";
    }
    Win32FileSystem files(dir.path(), "");
    ASSERT_TRUE(files.replaceFile(dir.file("link.json"), kNew));
    EXPECT_EQ(readBytes(dir.file("real.json")), kNew);
    const DWORD attributes = GetFileAttributesA(dir.file("link.json").c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "the link stays a link";
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"link.json", "real.json"}));
}

TEST(Win32FileSaves, AttributesSurviveAndFailuresNameTheirReason) {
    TempDir dir;
    Win32FileSystem files(dir.path(), "");
    ASSERT_TRUE(writeBytes(dir.file("hidden.json"), kOld));
    ASSERT_TRUE(SetFileAttributesA(dir.file("hidden.json").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(files.replaceFile(dir.file("hidden.json"), kNew));
    EXPECT_EQ(readBytes(dir.file("hidden.json")), kNew);
    EXPECT_NE(GetFileAttributesA(dir.file("hidden.json").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

    ASSERT_TRUE(writeBytes(dir.file("ro.json"), kOld));
    ASSERT_TRUE(SetFileAttributesA(dir.file("ro.json").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA(dir.file("folder.json").c_str(), nullptr));
    struct Case {
        std::string path;
        SaveFault fault;
        const char* reason;
    };
    const Case cases[] = {
        {dir.file("ro.json"), SaveFault::FileReadOnly, "the file is read-only"},
        {dir.file("folder.json"), SaveFault::IsFolder, "a folder has that name"},
        {dir.file("missing\\s.json"), SaveFault::NoFolder, "the folder does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const SaveResult saved = files.replaceFile(c.path, kNew);
        EXPECT_EQ(saved.fault, c.fault);
        EXPECT_EQ(saved.reason(), c.reason);
    }
    EXPECT_EQ(readBytes(dir.file("ro.json")), kOld);
    EXPECT_EQ(namesIn(dir.path()),
              (std::set<std::string>{"folder.json", "hidden.json", "ro.json"}));
    EXPECT_TRUE(namesIn(dir.file("folder.json")).empty());
}

TEST(Win32FileSaves, FlushedBeforeTheReplaceAndNothingLeftWhenAStepFails) {
    TempDir dir;
    const std::string target = dir.file("s.bin");
    ASSERT_TRUE(writeBytes(target, kOld));
    ScriptedSteps steps;
    ASSERT_TRUE(platform::saveWhole(steps, target, kNew));
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"resolve", "create", "write", "flush", "close",
                                                     "commit", "flush folder"}));
    ASSERT_TRUE(writeBytes(target, kOld));
    for (const char* step : {"create", "write", "flush", "close", "commit"}) {
        SCOPED_TRACE(step);
        ScriptedSteps failing;
        failing.failAt = step;
        EXPECT_EQ(platform::saveWhole(failing, target, kNew).fault, SaveFault::DiskFull);
        EXPECT_EQ(readBytes(target), kOld);
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"s.bin"});
    }
}

TEST(Win32FileSaves, TwoSavesAtOnceLeaveOneWholeFile) {
    TempDir dir;
    const Bytes a(100000, 'a');
    const Bytes b(70000, 'b');
    const std::string target = dir.file("s.bin");
    ASSERT_TRUE(writeBytes(target, a));
    std::atomic<int> saved{0};
    auto saver = [&](const Bytes& bytes) {
        Win32FileSystem files(dir.path(), "");
        for (int i = 0; i < 30; ++i) {
            // One may find the other's replace under way and fail; the
            // file is whole either way.
            saved += files.replaceFile(target, bytes) ? 1 : 0;
        }
    };
    std::thread first(saver, a);
    std::thread second(saver, b);
    first.join();
    second.join();
    EXPECT_GT(saved, 0);
    const Bytes last = readBytes(target);
    EXPECT_TRUE(last == a || last == b) << last.size() << " bytes";
    // Wine's ReplaceFileW moves the old file aside under a name of
    // GetTempFileNameW's ("rf*.tmp") and may leave it when two replaces
    // cross; none of the save's own fresh files may be left.
    for (const std::string& name : namesIn(dir.path())) {
        const bool replaceFilesOwn = name.starts_with("rf") && name.ends_with(".tmp");
        EXPECT_TRUE(name == "s.bin" || replaceFilesOwn) << name;
    }
}

TEST(Win32FileSaves, NamesOutsideTheCodePage) {
    TempDir dir;
    Win32FileSystem files(dir.path(), "");
    // "till-Ωμέγα-收银.json" in UTF-8: no single code page holds it all.
    const std::string name =
        "till-\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1-\xE6\x94\xB6\xE9\x93\xB6.json";
    const std::string path = dir.path() + "\\" + name;
    ASSERT_TRUE(files.replaceFile(path, kOld));
    ASSERT_TRUE(files.replaceFile(path, kNew)) << "over the file it made";
    EXPECT_TRUE(files.fileExists(path));
    EXPECT_EQ(files.readFileHead(path, 512), kNew);
    ASSERT_TRUE(files.writeFileHead(path, {'N'}));
    EXPECT_EQ(files.readFileHead(path, 3), (Bytes{'N', 'e', 'w'}));
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{name});
    EXPECT_TRUE(DeleteFileW(widePath(path).c_str()));
}

}  // namespace
}  // namespace tavrin::test::win32
