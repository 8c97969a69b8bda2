#pragma once
// Files kept in memory, with the faults a real disk has: a file that exists
// but cannot be read, one that cannot be written, and a disk that fills up
// in the middle of a write. For the fault soak and the fuzz targets, where
// a temporary folder per run would cost more than the run itself.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tavrin::sim {

class MemoryFileSystem : public platform::FileSystem {
public:
    bool fileExists(const std::string& path) override;
    bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) override;
    std::string GetSystemDirectory() override { return "/system"; }
    std::string programFolder() override { return "/program"; }
    std::string joinPath(const std::string& folder, const std::string& name) override;
    std::optional<std::vector<std::uint8_t>> readFileHead(const std::string& path,
                                                          std::size_t maxBytes) override;
    // Overwrites in place; growing a file takes free space. On a full disk
    // the bytes that fit are written and the call fails, as fwrite does.
    bool writeFileHead(const std::string& path, const std::vector<std::uint8_t>& bytes) override;
    // All or nothing: the new file needs room for all of it beside the old
    // one, whose space comes back once it is replaced.
    bool replaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override;

    void put(const std::string& path, std::vector<std::uint8_t> bytes) { files_[path] = bytes; }
    void remove(const std::string& path) { files_.erase(path); }
    const std::vector<std::uint8_t>* contents(const std::string& path) const;

    // Faults.
    std::set<std::string> unreadable;      // exists, but every read fails
    std::set<std::string> readOnly;        // exists, but every write fails untouched
    std::optional<std::size_t> freeBytes;  // none: unlimited

    int reads() const { return reads_; }
    int writes() const { return writes_; }

private:
    std::map<std::string, std::vector<std::uint8_t>> files_;
    int reads_ = 0;
    int writes_ = 0;
};

}  // namespace tavrin::sim
