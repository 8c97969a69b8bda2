#pragma once
// Files: the driver deployment at start-up and the settings files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::platform {

// Why a file could not be written, as the system said it.
enum class SaveFault {
    None,
    FolderReadOnly,  // no new file may be made in the folder
    FileReadOnly,
    DiskReadOnly,
    DiskFull,
    NoFolder,  // the folder does not exist
    IsFolder,  // a folder has the file's name
    LinkLoop,  // too many symbolic links, or one where none may be
    NameTooLong,
    NameTaken,  // every name tried for the new file was in use
    NoPermission,
    DiskError,
    NotRegular,  // a FIFO, a device or a socket has the file's name
    ForeignLink,  // another user's link in a shared sticky folder
    Failed,  // anything else
};

// The reason in a few words, for a message: "the folder is read-only".
std::string_view describe(SaveFault fault);

struct SaveResult {
    SaveFault fault = SaveFault::None;
    // The file is saved, but its owner or group could not be kept (only an
    // administrator may give a file away); where the group is not kept, the
    // group and others lose their access to the new file.
    bool ownerChanged = false;

    explicit operator bool() const { return fault == SaveFault::None; }
    std::string_view reason() const { return describe(fault); }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // A directory lookup of the exact path that lists normal, read-only and
    // archive files, not hidden or system ones (nor directories).
    virtual bool fileExists(const std::string& path) = 0;
    virtual bool CopyFile(const std::string& source, const std::string& target,
                          bool failIfExists) = 0;
    // The system directory without a trailing separator; empty on failure.
    virtual std::string GetSystemDirectory() = 0;
    // The folder the program was started from, without a trailing separator.
    virtual std::string programFolder() = 0;
    // Appends a file name that begins with a separator ("\winio.dll") to a
    // folder, in the platform's own path notation.
    virtual std::string joinPath(const std::string& folder, const std::string& name) = 0;

    // Why path cannot be read as a file, in a few words: "is a folder",
    // "not a regular file" or the system's reason; empty when it can, or
    // when nothing has that name.
    virtual std::string unreadableReason(const std::string& path) {
        (void)path;
        return {};
    }
    // Reads at most maxBytes from the start of the file; nullopt when the
    // file cannot be opened or read.
    virtual std::optional<std::vector<std::uint8_t>> readFileHead(const std::string& path,
                                                                  std::size_t maxBytes) = 0;
    // Opens for reading and writing, creating the file when it is missing,
    // writes bytes from offset 0 without shortening a longer file, and
    // flushes them to the disk. A fault when any part of it could not be done.
    virtual SaveResult writeFileHead(const std::string& path,
                                     const std::vector<std::uint8_t>& bytes) = 0;
    // Makes bytes the file's whole content, creating it when missing
    // (saveWhole in platform/safe_save.h): a link is written through, the
    // mode is kept, and a failed write leaves the old file as it was.
    virtual SaveResult replaceFile(const std::string& path,
                                   const std::vector<std::uint8_t>& bytes) = 0;
};

}  // namespace tavrin::platform
