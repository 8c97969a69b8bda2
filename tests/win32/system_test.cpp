// The version query, the registry values of the system information viewer
// and starting a program, against Wine's own answers.

#include <gtest/gtest.h>

#include "link/os_name.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_version.h"
#include "support/table.h"
#include "ui/sys_info.h"
#include "win32_test_support.h"

namespace tavrin::test::win32 {
namespace {

using platform::RegistryRoot;
using platform::win32::Win32FileSystem;
using platform::win32::Win32Launcher;
using platform::win32::Win32Registry;
using namespace std::string_literals;

TEST(Win32Version, TheNtFamilyIsNamedWindowsNt) {
    platform::win32::Win32Version version;
    auto info = version.GetVersionEx();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->platformId, 2u);
    EXPECT_GE(info->majorVersion, 5u);

    std::int16_t major = -1;
    std::int16_t minor = -1;
    std::string name;
    link::GetOsName(version, major, minor, name);
    EXPECT_EQ(name, "Windows NT");
    EXPECT_EQ(major, static_cast<std::int16_t>(info->majorVersion));
    EXPECT_EQ(minor, static_cast<std::int16_t>(info->minorVersion));
}

constexpr const char* kTestKey = "SOFTWARE\\Tavrin Win32 Test";

// A value of the test key as the program reads it.
std::optional<std::string> testValue(const char* name) {
    return Win32Registry().GetKeyValue(RegistryRoot::LocalMachine, kTestKey, name);
}

class Win32RegistryValues : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey);
    }
    void set(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    HKEY key_ = nullptr;
};

TEST_F(Win32RegistryValues, TextValuesLoseOneTrailingNul) {
    const char path[] = "C:\\Program Files\\msinfo\\msinfo32.exe";
    set("PATH", REG_SZ, path, sizeof path);
    EXPECT_EQ(testValue("PATH"), std::string(path));
    const char unterminated[] = {'C', ':', '\\', 'x'};
    set("RAW", REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(testValue("RAW"), "C:\\x"s);
    set("EMPTY", REG_SZ, "", 1);
    EXPECT_EQ(testValue("EMPTY"), ""s);
}

TEST_F(Win32RegistryValues, MissingOversizedAndNonTextValuesAreNotTaken) {
    EXPECT_FALSE(testValue("NONE"));
    EXPECT_FALSE(Win32Registry().GetKeyValue(RegistryRoot::LocalMachine,
                                             "SOFTWARE\\Tavrin No Such Key", "PATH"));
    std::string longText(1500, 'a');
    set("LONG", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size() + 1));
    EXPECT_FALSE(testValue("LONG")) << "more than the 1024-byte buffer";
    std::string fits(1023, 'b');
    set("FITS", REG_SZ, fits.c_str(), 1024);
    EXPECT_EQ(testValue("FITS"), fits);
    DWORD number = 42;
    set("NUMBER", REG_DWORD, &number, sizeof number);
    EXPECT_FALSE(testValue("NUMBER"));
}

// A key written in one registry view only, as a 32-bit or a 64-bit
// installer leaves it.
class RegistryViewKey {
public:
    explicit RegistryViewKey(REGSAM view) : view_(view) {
        created_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0,
                                   KEY_ALL_ACCESS | view, nullptr, &key_, nullptr) == ERROR_SUCCESS;
    }
    ~RegistryViewKey() {
        if (created_) {
            RegCloseKey(key_);
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kTestKey, view_, 0);
        }
    }
    bool set(const char* name, const std::string& text) {
        return created_ &&
               RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    }

private:
    REGSAM view_;
    HKEY key_ = nullptr;
    bool created_ = false;
};

TEST(Win32RegistryViews, OwnViewFirstThenTheOther) {
    const REGSAM own = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const REGSAM other = platform::win32::otherRegistryView();
    ASSERT_NE(own, other);
    {
        RegistryViewKey foreign(other);
        ASSERT_TRUE(foreign.set("PATH", "C:\\other view\\msinfo32.exe"));
        // The own view holds no such key: the value comes from the other.
        HKEY probe = nullptr;
        ASSERT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &probe), ERROR_SUCCESS)
            << "the two views are one here; this test needs a 64-bit system";
        EXPECT_EQ(testValue("PATH"), "C:\\other view\\msinfo32.exe"s);

        RegistryViewKey mine(own);
        ASSERT_TRUE(mine.set("PATH", "C:\\own view\\msinfo32.exe"));
        EXPECT_EQ(testValue("PATH"), "C:\\own view\\msinfo32.exe"s)
            << "the program's own view comes first";
        // A value missing in the own key is still looked for in the other.
        ASSERT_TRUE(foreign.set("MSINFO", "C:\\other view"));
        EXPECT_EQ(testValue("MSINFO"), "C:\\other view"s);
        EXPECT_FALSE(testValue("NONE"));
    }
    EXPECT_FALSE(testValue("PATH"));
}

std::string upper(std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// Waits for the stand-in viewer to leave its marker.
std::string waitForMarker(const std::string& marker) {
    for (int i = 0; i < 200 && !isFile(marker); ++i) {
        Sleep(50);
    }
    Sleep(100);
    return readText(marker);
}

TEST(Win32LauncherStart, StartsExactlyTheGivenProgram) {
    TempDir dir;
    std::string viewer = dir.file("MSINFO32.EXE");
    ASSERT_TRUE(CopyFileA(msinfoStandIn().c_str(), viewer.c_str(), FALSE));
    ScopedEnv marker("TAVRIN_STARTED_MARKER", dir.file("started.txt"));
    Win32Launcher launcher;
    ASSERT_TRUE(launcher.startProgram(viewer));
    std::string started = waitForMarker(dir.file("started.txt"));
    EXPECT_EQ(upper(started), upper(viewer));

    EXPECT_FALSE(launcher.startProgram(dir.file("missing.exe")));
    EXPECT_FALSE(launcher.startProgram(""));
    EXPECT_FALSE(launcher.startProgram(dir.path())) << "a folder is no program";
}

// Run by tools/ci-windows.sh after it has set up the registry with
// `wine reg add` (or left it empty): TAVRIN_SYSINFO_EXPECT names the
// program that must start, or "none".
TEST(ScriptedSysInfo, StartsTheViewerTheRegistryNames) {
    const std::string expected = environment("TAVRIN_SYSINFO_EXPECT");
    if (expected.empty()) {
        GTEST_SKIP() << "needs the registry prepared by tools/ci-windows.sh";
    }
    TempDir dir;
    ScopedEnv marker("TAVRIN_STARTED_MARKER", dir.file("started.txt"));
    Win32Registry registry;
    Win32FileSystem files;
    Win32Launcher launcher;
    FakeDialogs dialogs;
    ui::StartSysInfo(registry, files, launcher, dialogs);
    if (expected == "none") {
        expectOnlyBox(dialogs.messages, "System Information Is Unavailable At This Time", "",
                      platform::MsgIcon::None, platform::MsgButtons::Ok);
        Sleep(300);
        EXPECT_FALSE(isFile(dir.file("started.txt")));
    } else {
        EXPECT_TRUE(dialogs.messages.empty());
        std::string started = waitForMarker(dir.file("started.txt"));
        EXPECT_EQ(upper(started), upper(expected));
    }
}

}  // namespace
}  // namespace tavrin::test::win32
