// Port driver deployment over real files in a temporary directory: which
// rows copy, from where, and the one repair attempt when the driver fails.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "link/driver_deployment.h"
#include "platform/std_file_system.h"
#include "support/fakes.h"
#include "support/table.h"
#include "support/temp_dir.h"

namespace tavrin::link {
namespace {

namespace fs = std::filesystem;

// Passes everything to the real file system and records every copy; the
// system directory can be replaced to stand for what the system reports.
class CountingFileSystem : public platform::FileSystem {
public:
    explicit CountingFileSystem(platform::FileSystem& inner) : inner_(inner) {}

    struct Copy {
        std::string source;
        std::string target;
        bool failIfExists;
        bool result;
    };

    bool fileExists(const std::string& path) override { return inner_.fileExists(path); }
    bool CopyFile(const std::string& source, const std::string& target,
                  bool failIfExists) override {
        bool result = inner_.CopyFile(source, target, failIfExists);
        copies.push_back({source, target, failIfExists, result});
        return result;
    }
    std::string GetSystemDirectory() override {
        return systemDirOverride ? *systemDirOverride : inner_.GetSystemDirectory();
    }
    std::string programFolder() override { return inner_.programFolder(); }
    std::string joinPath(const std::string& folder, const std::string& name) override {
        return inner_.joinPath(folder, name);
    }
    std::optional<std::vector<std::uint8_t>> readFileHead(const std::string& path,
                                                          std::size_t maxBytes) override {
        return inner_.readFileHead(path, maxBytes);
    }
    platform::SaveResult writeFileHead(const std::string& path,
                                       const std::vector<std::uint8_t>& bytes) override {
        return inner_.writeFileHead(path, bytes);
    }
    platform::SaveResult replaceFile(const std::string& path,
                                     const std::vector<std::uint8_t>& bytes) override {
        return inner_.replaceFile(path, bytes);
    }

    std::vector<Copy> copies;
    std::optional<std::string> systemDirOverride;

private:
    platform::FileSystem& inner_;
};

const std::vector<std::string> kSources{"winiodll", "winiosys", "winiodll3", "winiosys3",
                                        "winio.vxd"};
const std::vector<std::string> kProgramTargets{"winio.dll", "winio.sys", "winio3.dll",
                                               "winio3.sys"};
const std::vector<std::string> kSystemTargets{"winio.dll", "winio.sys", "winio3.dll", "winio3.sys",
                                              "winio.vxd"};

class DriverDeployment : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(program_);
        fs::create_directories(system_);
        for (const std::string& name : kSources) {
            write(program_ / name, "source " + name);
        }
    }

    static void write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void deploy(const fs::path& folder, const std::vector<std::string>& targets) {
        for (const auto& t : targets) {
            write(folder / t, "deployed");
        }
    }
    void deployEverything() {
        deploy(program_, kProgramTargets);
        deploy(system_, kSystemTargets);
    }
    std::string inProgram(const std::string& name) const { return (program_ / name).string(); }
    std::string inSystem(const std::string& name) const { return (system_ / name).string(); }

    test::TempDir root_;
    fs::path program_ = root_.path() / "program", system_ = root_.path() / "system32";
    platform::StdFileSystem std_{program_.string(), system_.string()};
    CountingFileSystem files_{std_};
};

TEST_F(DriverDeployment, EmptyFoldersGetAllNineRowsInTableOrder) {
    DeployDriverFiles(files_);

    const std::vector<std::pair<std::string, std::string>> expected{
        {inProgram("winiodll"), inProgram("winio.dll")},
        {inProgram("winiosys"), inProgram("winio.sys")},
        {inProgram("winiodll"), inSystem("winio.dll")},
        {inProgram("winiosys"), inSystem("winio.sys")},
        {inProgram("winiodll3"), inProgram("winio3.dll")},
        {inProgram("winiosys3"), inProgram("winio3.sys")},
        {inProgram("winiodll3"), inSystem("winio3.dll")},
        {inProgram("winiosys3"), inSystem("winio3.sys")},
        {inProgram("winio.vxd"), inSystem("winio.vxd")},
    };
    ASSERT_EQ(files_.copies.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(files_.copies[i].source, expected[i].first) << "row " << i + 1;
        EXPECT_EQ(files_.copies[i].target, expected[i].second) << "row " << i + 1;
        EXPECT_FALSE(files_.copies[i].failIfExists) << "row " << i + 1;
    }
    EXPECT_EQ(read(system_ / "winio3.sys"), "source winiosys3");
    EXPECT_EQ(read(program_ / "winio.dll"), "source winiodll");
    EXPECT_EQ(read(system_ / "winio.vxd"), "source winio.vxd");
}

TEST_F(DriverDeployment, ProgramFolderDeployedSystemDirectoryEmpty) {
    deploy(program_, kProgramTargets);
    DeployDriverFiles(files_);

    std::vector<std::string> targets;
    for (const auto& c : files_.copies) {
        targets.push_back(c.target);
    }
    EXPECT_EQ(targets, (std::vector<std::string>{inSystem("winio.dll"), inSystem("winio.sys"),
                                                 inSystem("winio3.dll"), inSystem("winio3.sys"),
                                                 inSystem("winio.vxd")}));
}

// Everything deployed but one system target (or a directory in its place):
// only that row copies, and the program folder's copies stay.
struct MissingTarget {
    const char* name;
    const char* target;  // nullptr: nothing missing
    const char* source;  // the row's source
    bool directory;
};

class DeployedButOne : public DriverDeployment,
                       public testing::WithParamInterface<MissingTarget> {};

TEST_P(DeployedButOne, CopiesOnlyThatRow) {
    const MissingTarget& m = GetParam();
    deployEverything();
    if (m.target) {
        fs::remove(system_ / m.target);
        if (m.directory) {
            fs::create_directory(system_ / m.target);
        }
    }
    DeployDriverFiles(files_);

    ASSERT_EQ(files_.copies.size(), m.target ? 1u : 0u);
    if (m.target) {
        EXPECT_EQ(files_.copies[0].source, inProgram(m.source));
        EXPECT_EQ(files_.copies[0].target, inSystem(m.target));
        EXPECT_EQ(files_.copies[0].result, !m.directory);
        if (!m.directory) {
            EXPECT_EQ(read(system_ / m.target), std::string("source ") + m.source);
        }
    }
    for (const auto& t : kProgramTargets) {
        EXPECT_EQ(read(program_ / t), "deployed") << "program copy untouched: " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeployedButOne,
    testing::Values(
        MissingTarget{"AllNineTargetsPresentMakesNoCopy", nullptr, nullptr, false},
        MissingTarget{"OnlyVxdMissingFromTheSystemDirectory", "winio.vxd", "winio.vxd", false},
        MissingTarget{"TargetInProgramFolderButMissingFromSystemCopiesOnlySystemRow", "winio3.dll",
                      "winiodll3", false},
        MissingTarget{"DirectoryInPlaceOfATargetCountsAsMissing", "winio.sys", "winiosys", true}),
    test::RowName());

TEST_F(DriverDeployment, FailedCopiesAreIgnoredAndTheRestGoOn) {
    fs::remove(program_ / "winiodll");
    DeployDriverFiles(files_);

    ASSERT_EQ(files_.copies.size(), 9u) << "every missing row is tried";
    EXPECT_FALSE(files_.copies[0].result) << "source winiodll is missing";
    EXPECT_FALSE(files_.copies[2].result);
    EXPECT_FALSE(fs::exists(system_ / "winio.dll"));
    EXPECT_TRUE(files_.copies[1].result);
    EXPECT_TRUE(files_.copies[8].result);
    EXPECT_EQ(read(program_ / "winio3.sys"), "source winiosys3");
}

// --- The system directory -------------------------------------------------

TEST_F(DriverDeployment, SystemDirectoryCutTo255Characters) {
    for (const std::string& dir : {"/" + std::string(299, 'd'), std::string(256, 'o'),
                                   std::string(255, 'e'), std::string(254, 'f'), std::string()}) {
        files_.systemDirOverride = dir;
        EXPECT_EQ(GetSystemDir(files_), dir.substr(0, 255)) << dir.size() << " characters";
    }
}

TEST_F(DriverDeployment, SystemRowsUseTheCutDirectory) {
    deployEverything();
    const std::string longDir = (root_.path() / std::string(260, 's')).string();
    files_.systemDirOverride = longDir;
    DeployDriverFiles(files_);

    const std::string cut = longDir.substr(0, 255);
    ASSERT_EQ(files_.copies.size(), 5u);
    for (const auto& c : files_.copies) {
        EXPECT_EQ(c.target.rfind(cut, 0), 0u) << c.target;
        EXPECT_EQ(c.target.find(longDir), std::string::npos) << c.target;
    }
    EXPECT_EQ(files_.copies[0].target, files_.joinPath(cut, "\\winio.dll"));
}

// --- Opening the driver ---------------------------------------------------

TEST_F(DriverDeployment, DriverOpensAtOnceNoRepair) {
    test::FakePorts driver;
    driver.initializeResults = {true};
    OpenPortDriver(driver, files_);
    EXPECT_EQ(driver.initializeCalls, 1);
    EXPECT_TRUE(files_.copies.empty());
}

TEST_F(DriverDeployment, DriverFailingTwiceGetsOneOverwritingRepair) {
    deployEverything();
    test::FakePorts driver;
    driver.initializeResults = {false, false, true};
    OpenPortDriver(driver, files_);

    EXPECT_EQ(driver.initializeCalls, 2) << "the second result is not examined";
    ASSERT_EQ(files_.copies.size(), 2u);
    EXPECT_EQ(files_.copies[0].source, inProgram("winiosys3"));
    EXPECT_EQ(files_.copies[0].target, inProgram("winio3.sys"));
    EXPECT_EQ(files_.copies[1].source, inProgram("winiodll3"));
    EXPECT_EQ(files_.copies[1].target, inProgram("winio3.dll"));
    for (const auto& c : files_.copies) {
        EXPECT_FALSE(c.failIfExists);
        EXPECT_TRUE(c.result);
    }
    // Both present before, both overwritten now.
    EXPECT_EQ(read(program_ / "winio3.sys"), "source winiosys3");
    EXPECT_EQ(read(program_ / "winio3.dll"), "source winiodll3");
    EXPECT_EQ(read(system_ / "winio3.dll"), "deployed") << "the system directory is not repaired";
}

TEST_F(DriverDeployment, DriverFailingOnceThenOpening) {
    test::FakePorts driver;
    driver.initializeResults = {false, true};
    OpenPortDriver(driver, files_);
    EXPECT_EQ(driver.initializeCalls, 2);
    EXPECT_EQ(files_.copies.size(), 2u);
}

}  // namespace
}  // namespace tavrin::link
