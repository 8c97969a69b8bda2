#pragma once
// Files: the driver deployment at start-up and the settings files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::platform {

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

    // Reads at most maxBytes from the start of the file; nullopt when the
    // file cannot be opened or read.
    virtual std::optional<std::vector<std::uint8_t>> readFileHead(const std::string& path,
                                                                  std::size_t maxBytes) = 0;
    // Opens for reading and writing, creating the file when it is missing,
    // and writes bytes from offset 0 without shortening a longer file.
    // False when any part of it could not be done.
    virtual bool writeFileHead(const std::string& path, const std::vector<std::uint8_t>& bytes) = 0;
    // Makes bytes the file's whole content, creating it when missing. The
    // bytes go to a new file beside it that then takes its place, so a
    // failed write leaves the old file whole.
    virtual bool replaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes) = 0;
};

}  // namespace tavrin::platform
