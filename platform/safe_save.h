#pragma once
// Whole-file saves. The new bytes go to a fresh file beside the target,
// made exclusively under a name nobody can guess (so a link planted there
// is never written through), with the target's mode, owner and group; they
// are flushed to the disk, the fresh file is renamed over the target and
// the folder is flushed, so a power cut leaves the old file or the new one.
// A target that is a symbolic link is written where it leads and stays a
// link. On any failure the fresh file goes and the target stays as it was.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tavrin::platform {

// The steps of a save as one platform (or the in-memory disk) takes them.
// One save at a time per object.
class SaveSteps {
public:
    virtual ~SaveSteps() = default;

    // The file a save of path writes: path itself, or where its links lead
    // (which need not exist yet).
    virtual SaveFault resolve(const std::string& path, std::string& target) = 0;
    // A part of the fresh file's name no other process can guess.
    virtual std::string nameSuffix();
    // Makes temporary as a new, empty file, failing with NameTaken when
    // anything (a link included) has that name; gives it target's mode,
    // owner and group when target exists, and says so when the owner or
    // group cannot be kept.
    virtual SaveFault createTemporary(const std::string& target, const std::string& temporary,
                                      bool& ownerChanged) = 0;
    virtual SaveFault write(const std::vector<std::uint8_t>& bytes) = 0;
    // The fresh file's bytes on the disk.
    virtual SaveFault flush() = 0;
    virtual SaveFault close() = 0;
    // The fresh file takes target's name in one step.
    virtual SaveFault commit(const std::string& temporary, const std::string& target) = 0;
    // The rename on the disk.
    virtual SaveFault flushFolder(const std::string& target) = 0;
    // Closes the fresh file when it is open and removes it.
    virtual void discard(const std::string& temporary) = 0;
};

SaveResult saveWhole(SaveSteps& steps, const std::string& path,
                     const std::vector<std::uint8_t>& bytes);

// The fresh file's name for a target: ".NAME.SUFFIX.tavrin-new" in its folder.
std::string temporaryPath(const std::string& target, const std::string& suffix);
// Twelve random letters and digits from the system's random source.
std::string randomSuffix();

}  // namespace tavrin::platform
