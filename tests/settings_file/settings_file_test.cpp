#include "settings_file/settings_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/std_file_system.h"
#include "sim/memory_file_system.h"
#include "support/temp_dir.h"

namespace tavrin::settings_file {
namespace {

eeprom::EepromImage sampleImage() {
    eeprom::EepromImage image{};
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        image[static_cast<std::size_t>(a)] = (a * 37 + 11) & 0xFF;
    }
    image[0] = 0x55;
    image[1] = 0xAA;
    return image;
}

TEST(SettingsFileLayout, OneLittleEndianWordPerAddress) {
    auto image = sampleImage();
    image[128] = 0x1234;  // the spare entry is not stored
    auto bytes = encode(image);
    ASSERT_EQ(bytes.size(), 512u);
    for (int a = 0; a < 128; ++a) {
        EXPECT_EQ(bytes[static_cast<std::size_t>(4 * a)], image[static_cast<std::size_t>(a)]);
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(bytes[static_cast<std::size_t>(4 * a + i)], 0) << "address " << a;
        }
    }
}

TEST(SettingsFileLayout, WideValuesKeepAllFourBytes) {
    eeprom::EepromImage image{};
    image[5] = 0x01020304;
    image[6] = -2;
    auto bytes = encode(image);
    EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin() + 20, bytes.begin() + 28)),
              (std::vector<std::uint8_t>{0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF}));
    eeprom::EepromImage back{};
    decodeInto(bytes, back);
    EXPECT_EQ(back[5], 0x01020304);
    EXPECT_EQ(back[6], -2);
}

TEST(SettingsFileLayout, ShortInputLeavesMissingValuesZero) {
    eeprom::EepromImage image = sampleImage();
    image[128] = 77;
    std::vector<std::uint8_t> bytes{0x55, 0, 0, 0, 0xAA, 0, 0};  // a word and a half
    decodeInto(bytes, image);
    EXPECT_EQ(image[0], 0x55);
    EXPECT_EQ(image[1], 0xAA);  // the missing high bytes count as 0
    for (int a = 2; a < 128; ++a) {
        EXPECT_EQ(image[static_cast<std::size_t>(a)], 0);
    }
    EXPECT_EQ(image[128], 77);
}

class SettingsFileOnDisk : public ::testing::Test {
protected:
    test::TempDir dir;
    platform::StdFileSystem files{dir.path().string(), ""};
};

TEST_F(SettingsFileOnDisk, SaveThenLoadRoundTrips) {
    auto image = sampleImage();
    ASSERT_TRUE(save(files, dir.file("a.bin"), image));
    EXPECT_EQ(dir.read("a.bin").size(), 512u);
    eeprom::EepromImage loaded{};
    ASSERT_EQ(load(files, dir.file("a.bin"), loaded), LoadResult::Loaded);
    for (int a = 0; a < 128; ++a) {
        EXPECT_EQ(loaded[static_cast<std::size_t>(a)], image[static_cast<std::size_t>(a)]);
    }
}

TEST_F(SettingsFileOnDisk, SavingOverALongerFileKeepsItsTail) {
    std::vector<std::uint8_t> old(700);
    for (std::size_t i = 0; i < old.size(); ++i) {
        old[i] = static_cast<std::uint8_t>(i * 7);
    }
    dir.write("long.bin", old);
    ASSERT_TRUE(save(files, dir.file("long.bin"), sampleImage()));
    auto now = dir.read("long.bin");
    ASSERT_EQ(now.size(), 700u);
    EXPECT_EQ(std::vector<std::uint8_t>(now.begin(), now.begin() + 512), encode(sampleImage()));
    EXPECT_EQ(std::vector<std::uint8_t>(now.begin() + 512, now.end()),
              std::vector<std::uint8_t>(old.begin() + 512, old.end()));
}

TEST_F(SettingsFileOnDisk, LongerFileLoadsFromItsFirst512Bytes) {
    auto bytes = encode(sampleImage());
    bytes.resize(600, 0xEE);
    dir.write("long.bin", bytes);
    eeprom::EepromImage loaded{};
    ASSERT_EQ(load(files, dir.file("long.bin"), loaded), LoadResult::Loaded);
    EXPECT_EQ(loaded[127], sampleImage()[127]);
}

TEST_F(SettingsFileOnDisk, MissingOrUnreadableFileChangesNothing) {
    auto image = sampleImage();
    EXPECT_EQ(load(files, dir.file("absent.bin"), image), LoadResult::NotFound);
    std::filesystem::create_directory(dir.path() / "folder.bin");
    EXPECT_EQ(load(files, dir.file("folder.bin"), image), LoadResult::NotFound);
    EXPECT_EQ(image, sampleImage());
}

TEST_F(SettingsFileOnDisk, SaveIntoAMissingFolderFails) {
    EXPECT_FALSE(save(files, dir.file("no/such/folder/a.bin"), sampleImage()));
}

TEST_F(SettingsFileOnDisk, SaveOverAReadOnlyFileFailsAndKeepsIt) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write read-only files";
    }
    dir.write("ro.bin", {1, 2, 3});
    std::filesystem::permissions(dir.path() / "ro.bin", std::filesystem::perms::owner_read);
    EXPECT_FALSE(save(files, dir.file("ro.bin"), sampleImage()));
    EXPECT_EQ(dir.read("ro.bin"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(SettingsFileOnDisk, SaveToAFullDiskIsReported) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    EXPECT_FALSE(save(files, "/dev/full", sampleImage()));
}

// A save either writes the whole image or leaves the file as it was, even
// when the disk fills up halfway.
struct SaveCase {
    const char* name;
    int existing;  // bytes of 0xEE already in the file; -1: no file
    std::optional<std::size_t> freeBytes;
    bool readOnly;
    bool saved;
};

class SaveAllOrNothing : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveAllOrNothing, WholeImageOrTheOldFile) {
    const SaveCase& c = GetParam();
    sim::MemoryFileSystem files;
    const std::vector<std::uint8_t> old(c.existing < 0 ? 0 : static_cast<std::size_t>(c.existing),
                                        0xEE);
    if (c.existing >= 0) {
        files.put("/s.bin", old);
    }
    if (c.readOnly) {
        files.readOnly.insert("/s.bin");
    }
    files.freeBytes = c.freeBytes;

    const eeprom::EepromImage image = sampleImage();
    ASSERT_EQ(static_cast<bool>(save(files, "/s.bin", image)), c.saved);

    const auto* now = files.contents("/s.bin");
    if (!c.saved) {
        if (c.existing < 0) {
            EXPECT_EQ(now, nullptr) << "no half-written file is left";
        } else {
            ASSERT_NE(now, nullptr);
            EXPECT_EQ(*now, old) << "the old file is untouched";
        }
        return;
    }
    ASSERT_NE(now, nullptr);
    std::vector<std::uint8_t> expected = encode(image);
    if (old.size() > expected.size()) {
        expected.insert(expected.end(), old.begin() + static_cast<long>(expected.size()),
                        old.end());
    }
    EXPECT_EQ(*now, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveAllOrNothing,
    ::testing::Values(SaveCase{"NewFile", -1, std::nullopt, false, true},
                      SaveCase{"NewFileOnAFullDisk", -1, 100, false, false},
                      SaveCase{"ShortFileGrowsWithRoom", 100, 512, false, true},
                      SaveCase{"ShortFileOnAFullDisk", 100, 300, false, false},
                      SaveCase{"ShortReadOnlyFile", 100, std::nullopt, true, false},
                      SaveCase{"LongerFileNeedsNoRoom", 600, 0, false, true},
                      SaveCase{"LongerReadOnlyFile", 600, std::nullopt, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrin::settings_file
