#include "platform/std_file_system.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tavrin::platform {
namespace {

class StdFileSystemCopy : public ::testing::Test {
protected:
    test::TempDir dir;
    StdFileSystem files{dir.path().string(), ""};
};

TEST_F(StdFileSystemCopy, OverwritesOrRefusesAnExistingTarget) {
    dir.write("src", {1, 2, 3});
    dir.write("dst", {9, 9, 9, 9, 9});
    EXPECT_FALSE(files.CopyFile(dir.file("src"), dir.file("dst"), true));
    EXPECT_EQ(dir.read("dst"), (std::vector<std::uint8_t>{9, 9, 9, 9, 9}));
    EXPECT_TRUE(files.CopyFile(dir.file("src"), dir.file("dst"), false));
    EXPECT_EQ(dir.read("dst"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(StdFileSystemCopy, CopiesAnEmptyFileAndRefusesAMissingSource) {
    dir.write("empty", {});
    EXPECT_TRUE(files.CopyFile(dir.file("empty"), dir.file("copy"), false));
    EXPECT_TRUE(files.fileExists(dir.file("copy")));
    EXPECT_TRUE(dir.read("copy").empty());
    EXPECT_FALSE(files.CopyFile(dir.file("missing"), dir.file("other"), false));
    EXPECT_FALSE(files.fileExists(dir.file("other")));
}

TEST_F(StdFileSystemCopy, JoinsTableNamesToFolders) {
    EXPECT_EQ(files.joinPath(dir.path().string(), "\\winio.sys"), dir.file("winio.sys"));
}

TEST_F(StdFileSystemCopy, ReplacedFilesHoldExactlyTheNewBytes) {
    dir.write("profile.json", std::vector<std::uint8_t>(10, 0xEE));
    ASSERT_TRUE(files.replaceFile(dir.file("profile.json"), {1, 2, 3}));
    EXPECT_EQ(dir.read("profile.json"), (std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_TRUE(files.replaceFile(dir.file("new.json"), {4}));
    EXPECT_EQ(dir.read("new.json"), (std::vector<std::uint8_t>{4}));
    EXPECT_FALSE(files.replaceFile(dir.file("no/such/folder.json"), {5}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("profile.json.tavrin-new")));
}

}  // namespace
}  // namespace tavrin::platform
