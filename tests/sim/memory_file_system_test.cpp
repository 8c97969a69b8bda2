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

}  // namespace
}  // namespace tavrin::simtest
