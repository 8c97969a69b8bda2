#pragma once
// Files through the C++ standard library, for every platform.

#include <string>

#include "platform/file_system.h"

namespace tavrin::platform {

class StdFileSystem : public FileSystem {
public:
    // programFolder and systemDirectory as this platform names them; an
    // empty system directory stands for a failing system call.
    StdFileSystem(std::string programFolder, std::string systemDirectory);

    bool fileExists(const std::string& path) override;
    bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) override;
    std::string GetSystemDirectory() override { return systemDirectory_; }
    std::string programFolder() override { return programFolder_; }
    std::string joinPath(const std::string& folder, const std::string& name) override;
    std::optional<std::vector<std::uint8_t>> readFileHead(const std::string& path,
                                                          std::size_t maxBytes) override;
    std::string unreadableReason(const std::string& path) override;
    // Through the platform's own calls (posix_files.h, win32/win32_save.h).
    SaveResult writeFileHead(const std::string& path,
                             const std::vector<std::uint8_t>& bytes) override;
    SaveResult replaceFile(const std::string& path,
                           const std::vector<std::uint8_t>& bytes) override;

private:
    std::string programFolder_;
    std::string systemDirectory_;
};

}  // namespace tavrin::platform
