// tavrin-cli.exe as Windows sees it: its version resource, its manifest
// and its icon, read back through the system's own functions; and the
// rights tavrin.exe's manifest asks for.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tavrin_version.h"
#include "win32_test_support.h"

#include <winver.h>

namespace tavrin::test::win32 {
namespace {

std::string cliProgram() {
    return programDir() + "\\..\\..\\cli\\tavrin-cli.exe";
}

std::string versionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT size = 0;
    std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &size) ||
        value == nullptr || size == 0) {
        return "(none)";
    }
    return std::string(value, strnlen(value, size));
}

TEST(ProgramResources, VersionResourceNamesTheProductAndItsVersion) {
    const std::string exe = cliProgram();
    ASSERT_TRUE(isFile(exe)) << exe;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));
    EXPECT_EQ(versionString(info, "ProductName"), "Tavrin");
    EXPECT_EQ(versionString(info, "ProductVersion"), TAVRIN_VERSION);
    EXPECT_EQ(versionString(info, "FileVersion"), TAVRIN_VERSION);
    EXPECT_EQ(versionString(info, "OriginalFilename"), "tavrin-cli.exe");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // 1.7G: 1.7.0.0
    int major = 0, minor = 0;
    ASSERT_EQ(std::sscanf(TAVRIN_VERSION, "%d.%d", &major, &minor), 2);
    EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), major);
    EXPECT_EQ(LOWORD(fixed->dwProductVersionMS), minor);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// A program's resources, loaded as data: nothing of it runs.
HMODULE resourcesOf(const std::string& exe) {
    return LoadLibraryExA(exe.c_str(), nullptr,
                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

std::string resource(HMODULE module, LPCSTR type) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), type);
    if (found == nullptr) {
        return "";
    }
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return bytes ? std::string(bytes, SizeofResource(module, found)) : "";
}

class ProgramImage : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = resourcesOf(cliProgram());
        ASSERT_NE(module_, nullptr) << cliProgram();
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    HMODULE module_ = nullptr;
};

TEST_F(ProgramImage, ManifestRunsAsInvokerWithThemedControlsAndPerMonitorDpi) {
    const std::string manifest = resource(module_, RT_MANIFEST);
    ASSERT_FALSE(manifest.empty()) << "no manifest resource";
    for (const char* part : {"level=\"asInvoker\"", "Microsoft.Windows.Common-Controls",
                             "version=\"6.0.0.0\"", "PerMonitorV2", "true/pm"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
}

// The window reads the keyboard as it opens: it asks for the rights at start.
TEST(ProgramResources, TheWindowAsksForAdministratorRightsTheToolDoesNot) {
    struct Case {
        std::string exe;
        const char* level;
        const char* otherLevel;
    } cases[] = {
        {programDir() + "\\..\\..\\winui\\tavrin.exe", "level=\"requireAdministrator\"",
         "asInvoker"},
        {cliProgram(), "level=\"asInvoker\"", "requireAdministrator"},
    };
    for (const Case& c : cases) {
        HMODULE module = resourcesOf(c.exe);
        ASSERT_NE(module, nullptr) << c.exe;
        const std::string manifest = resource(module, RT_MANIFEST);
        FreeLibrary(module);
        EXPECT_NE(manifest.find(c.level), std::string::npos) << c.exe;
        EXPECT_EQ(manifest.find(c.otherLevel), std::string::npos) << c.exe;
    }
}

TEST_F(ProgramImage, IconHoldsEverySizeFrom16To256) {
    const std::string group = resource(module_, RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u) << "no icon";
    const auto* b = reinterpret_cast<const unsigned char*>(group.data());
    const int count = b[4] | (b[5] << 8);
    ASSERT_EQ(group.size(), 6u + 14u * static_cast<unsigned>(count));
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const int width = b[6 + 14 * i];
        sizes.push_back(width == 0 ? 256 : width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 128, 256}));
    HICON icon = static_cast<HICON>(
        LoadImageA(module_, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr) {
        DestroyIcon(icon);
    }
}

}  // namespace
}  // namespace tavrin::test::win32
