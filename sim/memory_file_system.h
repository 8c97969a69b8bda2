#pragma once
// Files kept in memory, with the faults a real disk has: a file that exists
// but cannot be read, one that cannot be written, a folder where no new file
// may be made, a disk that fills up in the middle of a write, and a power
// cut, after which only what was flushed is there: a file's bytes reach the
// disk with its flush, a rename or a new name with its folder's flush.
// Symbolic links and file modes are kept. For the fault soak and the fuzz
// targets, where a temporary folder per run would cost more than the run
// itself. Whole-file saves take the steps of platform/safe_save.h.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tavrin::sim {

class MemoryFileSystem : public platform::FileSystem {
public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;

    bool fileExists(const std::string& path) override;
    bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) override;
    std::string GetSystemDirectory() override { return "/system"; }
    std::string programFolder() override { return "/program"; }
    std::string joinPath(const std::string& folder, const std::string& name) override;
    std::optional<std::vector<std::uint8_t>> readFileHead(const std::string& path,
                                                          std::size_t maxBytes) override;
    // Overwrites in place and flushes; growing a file takes free space. On
    // a full disk the bytes that fit are written and the call fails, as
    // fwrite does.
    platform::SaveResult writeFileHead(const std::string& path,
                                       const std::vector<std::uint8_t>& bytes) override;
    // All or nothing: the new file needs room for all of it beside the old
    // one, whose space comes back once it is replaced.
    platform::SaveResult replaceFile(const std::string& path,
                                     const std::vector<std::uint8_t>& bytes) override;

    // A file as it is on the disk (flushed), mode 644 unless given.
    void put(const std::string& path, std::vector<std::uint8_t> bytes, unsigned mode = 0644);
    // A symbolic link to target (relative to the link's folder unless it
    // begins with '/'), on the disk.
    void link(const std::string& path, const std::string& target);
    void remove(const std::string& path);
    // Through links; null when there is no file.
    const std::vector<std::uint8_t>* contents(const std::string& path) const;
    std::optional<unsigned> mode(const std::string& path) const;
    bool isLink(const std::string& path) const;
    // Every name in the folders, links included.
    std::vector<std::string> names() const;
    // Power off and on: what was not flushed is lost.
    void powerCut();
    // The name the next save's fresh file will take first (its names are
    // counted, not random, so that a test can plant something there).
    std::string nextTemporaryName(const std::string& target) const;

    // Faults.
    std::set<std::string> unreadable;       // exists, but every read fails
    std::set<std::string> readOnly;         // exists, but every write fails untouched
    std::set<std::string> readOnlyFolders;  // no new name in them
    std::optional<std::size_t> freeBytes;   // none: unlimited

    int reads() const { return reads_; }
    int writes() const { return writes_; }

private:
    struct Node {
        std::vector<std::uint8_t> data;
        std::vector<std::uint8_t> flushed;
        unsigned mode = 0644;
    };
    struct Entry {
        std::shared_ptr<Node> node;  // null for a link
        std::string link;
    };
    using Folder = std::map<std::string, Entry>;  // full name to entry
    class Steps;

    // Follows links; the name a file has or would have.
    std::optional<std::string> resolve(const std::string& path) const;
    Node* node(const std::string& path) const;
    void flushFolder(const std::string& path);

    Folder names_;   // as the programs see them
    Folder onDisk_;  // as a power cut would leave them
    int counter_ = 0;
    int reads_ = 0;
    int writes_ = 0;
};

}  // namespace tavrin::sim
