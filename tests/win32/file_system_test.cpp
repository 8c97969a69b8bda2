// Win32FileSystem and the driver deployment at start-up, on real files in
// scratch folders and in the system directory as Wine reports it.

#include <gtest/gtest.h>

#include "link/driver_deployment.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/winio_port_driver.h"
#include "win32_test_support.h"

namespace tavrin::test::win32 {
namespace {

using platform::win32::Win32FileSystem;
using Bytes = std::vector<std::uint8_t>;

TEST(Win32Files, ExistenceLookupListsOnlyNormalReadOnlyAndArchiveFiles) {
    TempDir dir;
    Win32FileSystem files(dir.path(), "");
    struct Case {
        const char* name;
        DWORD attributes;
        bool listed;
    };
    const Case cases[] = {
        {"normal.bin", FILE_ATTRIBUTE_NORMAL, true},
        {"readonly.bin", FILE_ATTRIBUTE_READONLY, true},
        {"archive.bin", FILE_ATTRIBUTE_ARCHIVE, true},
        {"hidden.bin", FILE_ATTRIBUTE_HIDDEN, false},
        {"system.bin", FILE_ATTRIBUTE_SYSTEM, false},
        {"both.bin", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeText(dir.file(c.name), "x"));
        ASSERT_TRUE(SetFileAttributesA(dir.file(c.name).c_str(), c.attributes)) << c.name;
        EXPECT_EQ(files.fileExists(dir.file(c.name)), c.listed) << c.name;
    }
    ASSERT_TRUE(CreateDirectoryA(dir.file("folder").c_str(), nullptr));
    EXPECT_FALSE(files.fileExists(dir.file("folder")));
    EXPECT_FALSE(files.fileExists(dir.file("missing.bin")));
    EXPECT_FALSE(files.fileExists(dir.file("*.bin"))) << "wildcards are not an exact path";
    EXPECT_FALSE(files.fileExists(dir.file("normal.bi?")));
    EXPECT_FALSE(files.fileExists(""));
}

TEST(Win32Files, CopyHonoursFailIfExists) {
    TempDir dir;
    Win32FileSystem files(dir.path(), "");
    ASSERT_TRUE(writeText(dir.file("a"), "first"));
    ASSERT_TRUE(writeText(dir.file("b"), "old"));
    EXPECT_FALSE(files.CopyFile(dir.file("a"), dir.file("b"), true));
    EXPECT_EQ(readText(dir.file("b")), "old");
    EXPECT_TRUE(files.CopyFile(dir.file("a"), dir.file("b"), false));
    EXPECT_EQ(readText(dir.file("b")), "first");
    EXPECT_FALSE(files.CopyFile(dir.file("missing"), dir.file("c"), false));
    EXPECT_FALSE(isFile(dir.file("c")));
}

TEST(Win32Files, SystemDirectoryAndProgramFolderComeFromTheSystem) {
    Win32FileSystem files;
    char expected[MAX_PATH];
    UINT n = GetSystemDirectoryA(expected, MAX_PATH);
    std::string system = files.GetSystemDirectory();
    EXPECT_EQ(system, std::string(expected, n));
    ASSERT_FALSE(system.empty());
    EXPECT_NE(system.back(), '\\');
    DWORD attributes = GetFileAttributesA(system.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));

    std::string folder = files.programFolder();
    EXPECT_TRUE(platform::win32::isAbsoluteWindowsPath(folder)) << folder;
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(isFile(folder + "\\tavrin_win32_tests.exe")) << folder;
}

TEST(Win32Files, JoinPathUsesBackslashes) {
    Win32FileSystem files("C:\\prog", "C:\\windows\\system32");
    EXPECT_EQ(files.joinPath("C:\\prog", "\\winio3.dll"), "C:\\prog\\winio3.dll");
    EXPECT_EQ(files.joinPath("C:\\prog\\", "\\winio3.dll"), "C:\\prog\\winio3.dll");
    EXPECT_EQ(files.joinPath("C:\\prog", "sub/file"), "C:\\prog\\sub\\file");
    EXPECT_EQ(files.GetSystemDirectory(), "C:\\windows\\system32");
    EXPECT_EQ(Win32FileSystem("C:\\prog", "").GetSystemDirectory(), "");
}

TEST(Win32Files, FileHeadsAreReadAndWrittenWithoutShortening) {
    TempDir dir;
    Win32FileSystem files(dir.path(), "");
    const Bytes head{1, 2, 3, 4};
    std::string fresh = dir.file("fresh.bin");
    ASSERT_TRUE(files.writeFileHead(fresh, head));
    EXPECT_EQ(readBytes(fresh), head) << "a missing file is created";

    std::string longer = dir.file("longer.bin");
    ASSERT_TRUE(writeBytes(longer, Bytes(10, 0xEE)));
    ASSERT_TRUE(files.writeFileHead(longer, head));
    EXPECT_EQ(readBytes(longer), (Bytes{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(files.readFileHead(longer, 6), (Bytes{1, 2, 3, 4, 0xEE, 0xEE}));
    EXPECT_EQ(files.readFileHead(fresh, 512), head) << "a shorter file gives what it has";
    EXPECT_FALSE(files.readFileHead(dir.file("missing.bin"), 512).has_value());
    EXPECT_FALSE(files.readFileHead(dir.path(), 512).has_value()) << "a folder is no file";
    EXPECT_FALSE(files.writeFileHead(dir.path(), head));

    // A file another program holds open without sharing cannot be written.
    std::string locked = dir.file("locked.bin");
    ASSERT_TRUE(writeBytes(locked, {9, 9}));
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(files.writeFileHead(locked, head));
    EXPECT_FALSE(files.readFileHead(locked, 2).has_value());
    CloseHandle(holder);
    EXPECT_EQ(readBytes(locked), (Bytes{9, 9}));
}

TEST(Win32Files, ReplacedFilesHoldExactlyTheNewBytes) {
    TempDir dir;
    Win32FileSystem files(dir.path(), "");
    std::string longer = dir.file("profile.json");
    ASSERT_TRUE(writeBytes(longer, Bytes(10, 0xEE)));
    ASSERT_TRUE(files.replaceFile(longer, {1, 2, 3}));
    EXPECT_EQ(readBytes(longer), (Bytes{1, 2, 3}));
    ASSERT_TRUE(files.replaceFile(dir.file("new.json"), {4}));
    EXPECT_EQ(readBytes(dir.file("new.json")), (Bytes{4}));
    EXPECT_FALSE(files.replaceFile(dir.file("no\\such\\folder.json"), {5}));
    EXPECT_FALSE(files.fileExists(longer + ".tavrin-new"));
}

// The driver's five source files in a program folder, each with its own
// content so that every copy can be traced to its source.
void shipDriverSources(const TempDir& program) {
    for (const char* source : {"winiodll", "winiosys", "winiodll3", "winiosys3", "winio.vxd"}) {
        ASSERT_TRUE(writeText(program.file(source), std::string("source ") + source));
    }
}

constexpr const char* kTargets[] = {"winio.dll", "winio.sys", "winio3.dll", "winio3.sys"};

// A program folder, a system directory and a closed driver over them.
struct Deployment {
    TempDir program;
    TempDir system;
    Win32FileSystem files{program.path(), system.path()};
    platform::win32::WinIoPortDriver driver{program.path()};
    explicit Deployment(bool shipped = true) {
        if (shipped) {
            shipDriverSources(program);
        }
    }
    // Every target is in both folders already.
    void plantKept() {
        for (const char* name : kTargets) {
            ASSERT_TRUE(writeText(program.file(name), "kept"));
            ASSERT_TRUE(writeText(system.file(name), "kept"));
        }
    }
    void expectKept() const {
        for (const char* name : kTargets) {
            EXPECT_EQ(readText(program.file(name)), "kept") << name;
            EXPECT_EQ(readText(system.file(name)), "kept") << name;
        }
    }
};

TEST(Win32DriverDeployment, CopiesEveryMissingTargetFromItsSource) {
    Deployment d;
    link::DeployDriverFiles(d.files);
    // Each target against the source file it comes from.
    for (const auto& [target, source] : {std::pair{"winio.dll", "winiodll"},
                                         {"winio.sys", "winiosys"},
                                         {"winio3.dll", "winiodll3"},
                                         {"winio3.sys", "winiosys3"}}) {
        EXPECT_EQ(readText(d.program.file(target)), std::string("source ") + source) << target;
        EXPECT_EQ(readText(d.system.file(target)), std::string("source ") + source) << target;
    }
    EXPECT_EQ(readText(d.system.file("winio.vxd")), "source winio.vxd");
}

TEST(Win32DriverDeployment, PresentTargetsAreLeftAlone) {
    Deployment d;
    d.plantKept();
    ASSERT_TRUE(writeText(d.system.file("winio.vxd"), "kept"));
    link::DeployDriverFiles(d.files);
    d.expectKept();
    EXPECT_EQ(readText(d.system.file("winio.vxd")), "kept");
}

TEST(Win32DriverDeployment, OnlyTheMissingSystemDirectoryRowsCopy) {
    Deployment d;
    d.plantKept();
    link::DeployDriverFiles(d.files);
    EXPECT_EQ(readText(d.system.file("winio.vxd")), "source winio.vxd");
    d.expectKept();
}

TEST(Win32DriverDeployment, HiddenTargetCountsAsMissing) {
    Deployment d;
    ASSERT_TRUE(writeText(d.system.file("winio3.sys"), "hidden"));
    SetFileAttributesA(d.system.file("winio3.sys").c_str(), FILE_ATTRIBUTE_HIDDEN);
    link::DeployDriverFiles(d.files);
    // The copy over a hidden file is refused by the system; it is not
    // reported and start-up goes on.
    EXPECT_TRUE(isFile(d.system.file("winio3.sys")));
    EXPECT_EQ(readText(d.system.file("winio.vxd")), "source winio.vxd");
}

TEST(Win32DriverDeployment, IntoTheRealSystemDirectory) {
    // The system directory of this (throw-away) Wine prefix.
    TempDir program;
    shipDriverSources(program);
    Win32FileSystem files(program.path(), Win32FileSystem().GetSystemDirectory());
    std::string system = files.GetSystemDirectory();
    ASSERT_FALSE(system.empty());
    for (const char* name : {"winio.dll", "winio.sys", "winio3.dll", "winio3.sys", "winio.vxd"}) {
        SetFileAttributesA((system + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((system + "\\" + name).c_str());
    }
    ASSERT_TRUE(writeText(system + "\\winio.sys", "already there"));
    link::DeployDriverFiles(files);
    EXPECT_EQ(readText(system + "\\winio.dll"), "source winiodll");
    EXPECT_EQ(readText(system + "\\winio.sys"), "already there");
    EXPECT_EQ(readText(system + "\\winio3.dll"), "source winiodll3");
    EXPECT_EQ(readText(system + "\\winio3.sys"), "source winiosys3");
    EXPECT_EQ(readText(system + "\\winio.vxd"), "source winio.vxd");
    for (const char* name : {"winio.dll", "winio.sys", "winio3.dll", "winio3.sys", "winio.vxd"}) {
        DeleteFileA((system + "\\" + name).c_str());
    }
}

TEST(Win32DriverOpen, NoLibraryAnywhereFailsTwiceAndGoesOn) {
    Deployment d(false);
    link::DeployDriverFiles(d.files);
    link::OpenPortDriver(d.driver, d.files);
    EXPECT_FALSE(d.driver.opened());
    EXPECT_FALSE(isFile(d.program.file("winio3.dll")));
    std::uint32_t value = 0xFF;
    EXPECT_FALSE(d.driver.GetPortVal(0x64, value, 1));
}

TEST(Win32DriverOpen, RepairCopiesTheShippedLibraryAndOpens) {
    // winio3.dll is there but damaged; the shipped source "winiodll3" is
    // the good library, so the repair attempt opens the driver.
    Deployment d(false);
    ASSERT_TRUE(CopyFileA(doubleLibrary().c_str(), d.program.file("winiodll3").c_str(), FALSE));
    ASSERT_TRUE(writeText(d.program.file("winiosys3"), "driver"));
    ASSERT_TRUE(writeText(d.program.file("winio3.dll"), "damaged"));
    link::OpenPortDriver(d.driver, d.files);
    EXPECT_TRUE(d.driver.opened());
    EXPECT_EQ(readText(d.program.file("winio3.sys")), "driver");
    d.driver.ShutdownWinIo();
}

}  // namespace
}  // namespace tavrin::test::win32
