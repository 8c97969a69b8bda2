#include "settings_file/settings_file.h"

#include "settings_file/profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <regex>
#include <set>
#include <vector>

#include "items/catalogue.h"
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
    EXPECT_EQ(std::vector(loaded.begin(), loaded.begin() + 128),
              std::vector(image.begin(), image.begin() + 128));
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

// Profiles: the settings as text, item by item.
using ::testing::HasSubstr;

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

Profile sample() {
    Profile p;
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        p.image[static_cast<std::size_t>(a)] = (a * 53 + 7) & 0xFF;
    }
    p.image[9] = 0x01020304;  // a binary file may hold more than a byte
    p.image[10] = -1;
    p.mode = "scan";
    p.items.push_back({63, "msr.track2.enable", "Enable Track 2 Reader", "YES", 0});
    p.items.push_back({9, "barcode.preamble", "Barcode Preamble Characters", "\t\"\\\xC3\xA9", 0});
    return p;
}

TEST(ItemKeys, UniqueLowerCaseAndFoundByKeyOrNumber) {
    std::set<std::string_view> keys;
    const std::regex form(R"([a-z][a-z0-9_]*(\.[a-z0-9_]+)+)");
    for (const ui::ItemDef& def : ui::items()) {
        EXPECT_TRUE(std::regex_match(std::string(def.key), form)) << def.key;
        EXPECT_TRUE(keys.insert(def.key).second) << def.key;
        EXPECT_EQ(ui::findItem(def.key), def.number);
        EXPECT_EQ(ui::findItem(std::to_string(def.number)), def.number);
    }
    EXPECT_EQ(ui::item(63).key, "msr.track2.enable");
    EXPECT_EQ(ui::item(17).key, "code39.max_length");
    EXPECT_EQ(ui::findItem("mode"), ui::kScanCodeModeItem);
    EXPECT_EQ(ui::findItem("79"), ui::kScanCodeModeItem);
    for (const char* bad : {"", "0", "80", "100", "MSR.track2.enable", "track2", "3 "}) {
        EXPECT_EQ(ui::findItem(bad), 0) << bad;
    }
}

TEST(Profiles, WrittenTextParsesBackToTheSameProfile) {
    const Profile p = sample();
    const std::string text = writeProfile(p);
    EXPECT_TRUE(isProfile(bytesOf(text)));
    const ProfileParse parsed = parseProfile(bytesOf(text));
    ASSERT_TRUE(parsed.profile) << parsed.error.line << ": " << parsed.error.reason;
    EXPECT_EQ(parsed.profile->image, p.image);
    EXPECT_EQ(parsed.profile->mode, "scan");
    EXPECT_EQ(parsed.profile->modeLine, 4);
    ASSERT_EQ(parsed.profile->items.size(), 2u);
    // In item order, each with its line.
    EXPECT_EQ(parsed.profile->items[0].key, "barcode.preamble");
    EXPECT_EQ(parsed.profile->items[0].value, "\t\"\\\xC3\xA9");
    EXPECT_EQ(parsed.profile->items[0].line, 7);
    EXPECT_EQ(parsed.profile->items[1].value, "YES");
    EXPECT_EQ(parsed.profile->items[1].line, 6);
    EXPECT_THAT(text, HasSubstr("\"msr.track2.enable\": {\"number\": 63, \"caption\": \"Enable "
                                "Track 2 Reader\", \"value\": \"YES\"}"));
    EXPECT_THAT(text, HasSubstr(" AF 1020304 FFFFFFFF 4E "));
}

TEST(Profiles, DetectedByContentNotByName) {
    EXPECT_TRUE(isProfile(bytesOf("\xEF\xBB\xBF \n {}")));
    EXPECT_FALSE(isProfile(bytesOf("[]")));
    EXPECT_FALSE(isProfile({}));
    // A binary file whose first value is '{' still holds zero bytes.
    EXPECT_FALSE(isProfile(std::vector<std::uint8_t>{'{', 0, 0, 0, 0x7D, 0, 0, 0}));
    EXPECT_EQ(formatForName("a/b.JSON"), Format::Profile);
    EXPECT_EQ(formatForName("a.json.bin"), Format::Binary);
    EXPECT_EQ(formatForName("json"), Format::Binary);
}

struct Broken {
    const char* what;
    std::string from;
    std::string to;
    int line;
    std::string reason;
};

TEST(Profiles, RefusalsNameTheReasonAndLine) {
    const std::string good = writeProfile(sample());
    const std::vector<Broken> cases{
        {"cut short", "  ]\n}\n", "  ]\n", 0, "broken JSON"},
        {"missing comma", "\"version\": 1,", "\"version\": 1", 4, "broken JSON"},
        {"format", "tavrin-profile", "other", 2, "not a profile"},
        {"version", "\"version\": 1", "\"version\": \"1\"", 3, "unsupported version"},
        {"unknown field", "\"mode\"", "\"moode\"", 4, "unknown field \"moode\""},
        {"unknown key", "\"msr.track2.enable\"", "\"msr.track2.enabled\"", 6, "unknown item key"},
        {"key by number", "\"msr.track2.enable\"", "\"63\"", 6, "unknown item key \"63\""},
        {"number of another item", "\"number\": 63", "\"number\": 64", 6, "is number 63"},
        {"value not text", "\"value\": \"YES\"", "\"value\": 1", 6, "needs a \"value\" text"},
        {"duplicate", "\"barcode.preamble\"", "\"msr.track2.enable\"", 7, "appears twice"},
        {"image short", " 52\"\n", "\"\n", 0, "128 in all"},
        {"image digit", "\"07 ", "\"0G ", 0, "\"image\" must be"},
        {"image wide", "1020304", "101020304", 0, "\"image\" must be"},
        {"mode not text", "\"mode\": \"scan\"", "\"mode\": 1", 4, "\"mode\" must be"},
        {"number too large", "\"version\": 1", "\"version\": 1" + std::string(400, '7'), 0,
         "a number too large"},
    };
    for (const Broken& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = good;
        const auto at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, c.from.size(), c.to);
        const ProfileParse parsed = parseProfile(bytesOf(text));
        ASSERT_FALSE(parsed.profile);
        if (c.line > 0) {
            EXPECT_EQ(parsed.error.line, c.line);
        }
        EXPECT_THAT(parsed.error.reason, HasSubstr(c.reason));
    }
}

TEST(Profiles, HostileInputIsRefusedNotCrashedOn) {
    EXPECT_FALSE(parseProfile(bytesOf(std::string(100000, '['))).profile);
    EXPECT_FALSE(parseProfile(bytesOf("{\"format\": \"\xFF\"}")).profile);
    EXPECT_FALSE(parseProfile(bytesOf("{\"a\n")).profile);
    EXPECT_FALSE(parseProfile(bytesOf("{\"format\":\"tavrin-profile\",\"version\":1,"
                                      "\"image\":[\"\\\"\"]}"))
                     .profile);
    EXPECT_FALSE(parseProfile(std::vector<std::uint8_t>((1 << 20) + 1, ' ')).profile);
}

TEST(Profiles, MutatedProfilesParseOrSayWhy) {
    const std::string good = writeProfile(sample());
    std::mt19937 random(13);
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % text.size();
            switch (random() % 3) {
                case 0:
                    text[at] = static_cast<char>(random() & 0xFF);
                    break;
                case 1:
                    text.erase(at, 1 + random() % 8);
                    break;
                default:
                    text.insert(at, 1, "{}[]\":,\\0"[random() % 10]);
                    break;
            }
        }
        const ProfileParse parsed = parseProfile(bytesOf(text));
        if (!parsed.profile) {
            ++refused;
            EXPECT_FALSE(parsed.error.reason.empty()) << text;
            EXPECT_GE(parsed.error.line, 0);
        }
    }
    EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace tavrin::settings_file
