// The in-memory disk of the soak and the fuzz targets behaves as a real one
// does when it is full, read-only or unreadable.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "sim/memory_file_system.h"

namespace tavrin::simtest {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MemoryFileSystem, WritesInPlaceAndGrowsOnlyWithFreeSpace) {
    struct Case {
        const char* what;
        Bytes existing;  // empty: no file
        bool exists;
        std::optional<std::size_t> freeBytes;
        Bytes write;
        bool ok;
        Bytes after;
    };
    const Case cases[] = {
        {"new file, room", {}, false, std::nullopt, {1, 2, 3}, true, {1, 2, 3}},
        {"longer file keeps its tail", {9, 9, 9, 9, 9}, true, 0, {1, 2}, true, {1, 2, 9, 9, 9}},
        {"in place needs no room", {9, 9, 9}, true, 0, {1, 2, 3}, true, {1, 2, 3}},
        {"new file on a full disk: what fits", {}, false, 2, {1, 2, 3, 4}, false, {1, 2}},
        {"growing past the free space", {9}, true, 1, {1, 2, 3}, false, {1, 2}},
    };
    for (const Case& c : cases) {
        sim::MemoryFileSystem files;
        if (c.exists) {
            files.put("/f", c.existing);
        }
        files.freeBytes = c.freeBytes;
        EXPECT_EQ(static_cast<bool>(files.writeFileHead("/f", c.write)), c.ok) << c.what;
        ASSERT_NE(files.contents("/f"), nullptr) << c.what;
        EXPECT_EQ(*files.contents("/f"), c.after) << c.what;
    }
}

TEST(MemoryFileSystem, ReadOnlyAndUnreadableFilesFailAndKeepTheirBytes) {
    sim::MemoryFileSystem files;
    files.put("/r", {1, 2});
    files.readOnly.insert("/r");
    EXPECT_FALSE(files.writeFileHead("/r", {7, 7, 7}));
    EXPECT_EQ(*files.contents("/r"), (Bytes{1, 2}));

    files.put("/u", {1, 2, 3});
    files.unreadable.insert("/u");
    EXPECT_TRUE(files.fileExists("/u"));
    EXPECT_FALSE(files.readFileHead("/u", 512).has_value());
    EXPECT_EQ(files.readFileHead("/r", 1), (Bytes{1}));
    EXPECT_FALSE(files.readFileHead("/none", 512).has_value());
}

// What a power cut leaves: a save that reported success, the old file
// when a save failed, a file written in place; never a fresh file.
TEST(MemoryFileSystem, APowerCutKeepsWhatWasSavedAndNothingHalfDone) {
    struct Case {
        const char* what;
        std::optional<Bytes> existing;
        std::optional<std::size_t> freeBytes;
        bool inPlace;
        bool ok;
        std::optional<Bytes> after;
    };
    const Bytes oldBytes{9, 9, 9, 9};
    const Bytes newBytes{1, 2, 3};
    const Case cases[] = {
        {"a new file", std::nullopt, std::nullopt, false, true, newBytes},
        {"over a file", oldBytes, std::nullopt, false, true, newBytes},
        {"the disk full", oldBytes, 2, false, false, oldBytes},
        {"a new file, the disk full", std::nullopt, 2, false, false, std::nullopt},
        {"in place", oldBytes, std::nullopt, true, true, Bytes{1, 2, 3, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::MemoryFileSystem files;
        if (c.existing) {
            files.put("/d/f", *c.existing);
        }
        files.freeBytes = c.freeBytes;
        const platform::SaveResult saved =
            c.inPlace ? files.writeFileHead("/d/f", newBytes) : files.replaceFile("/d/f", newBytes);
        EXPECT_EQ(static_cast<bool>(saved), c.ok);
        files.powerCut();
        const Bytes* now = files.contents("/d/f");
        ASSERT_EQ(now != nullptr, c.after.has_value());
        if (now) {
            EXPECT_EQ(*now, *c.after);
        }
        EXPECT_EQ(files.names().size(), now ? 1u : 0u) << "no fresh file survives";
    }
}

TEST(MemoryFileSystem, LinksAreWrittenThroughModesKeptAndPlantedLinksLeftAlone) {
    sim::MemoryFileSystem files;
    files.put("/d/real", {9}, 0640);
    files.link("/d/link", "real");
    files.put("/other/precious", {7, 7}, 0600);
    files.link(files.nextTemporaryName("/d/link"), "/other/precious");
    ASSERT_TRUE(files.replaceFile("/d/link", {1, 2}));
    EXPECT_TRUE(files.isLink("/d/link"));
    EXPECT_EQ(*files.contents("/d/real"), (Bytes{1, 2}));
    EXPECT_EQ(files.mode("/d/real"), 0640u);
    EXPECT_EQ(*files.contents("/other/precious"), (Bytes{7, 7}));

    files.readOnlyFolders.insert("/d");
    EXPECT_EQ(files.replaceFile("/d/new", {1}).fault, platform::SaveFault::FolderReadOnly);
    EXPECT_EQ(files.contents("/d/new"), nullptr);
    EXPECT_TRUE(files.writeFileHead("/d/real", {5})) << "in place needs no new name";
    files.link("/d/loop", "loop");
    EXPECT_EQ(files.replaceFile("/d/loop", {1}).fault, platform::SaveFault::LinkLoop);
}

}  // namespace
}  // namespace tavrin::simtest
