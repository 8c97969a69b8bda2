#pragma once
// Files through the Win32 API: the driver deployment's lookup and copy, the
// system directory, the program folder and the settings files.

#include <string>

#include "platform/file_system.h"

namespace tavrin::platform::win32 {

inline constexpr unsigned kSystemDirectoryBuffer = 255;

class Win32FileSystem : public FileSystem {
public:
    // The program folder is that of the running executable
    // (GetModuleFileNameA); the system directory comes from
    // GetSystemDirectoryA.
    Win32FileSystem();
    // Fixed folders in place of the system's answers; an empty system
    // directory stands for a failing system call.
    Win32FileSystem(std::string programFolder, std::string systemDirectory);

    // FindFirstFileA of the exact path; hidden, system files and folders
    // do not count, and a name with wildcards matches nothing.
    bool fileExists(const std::string& path) override;
    bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) override;
    std::string GetSystemDirectory() override;
    std::string programFolder() override { return programFolder_; }
    std::string joinPath(const std::string& folder, const std::string& name) override;
    std::optional<std::vector<std::uint8_t>> readFileHead(const std::string& path,
                                                          std::size_t maxBytes) override;
    // Names as widePath reads them.
    SaveResult writeFileHead(const std::string& path,
                             const std::vector<std::uint8_t>& bytes) override;
    SaveResult replaceFile(const std::string& path,
                           const std::vector<std::uint8_t>& bytes) override;

private:
    std::string programFolder_;
    bool fixedSystemDirectory_ = false;
    std::string systemDirectory_;
};

// The folder of the running executable, without a trailing backslash;
// empty when the system cannot say.
std::string executableFolder();

}  // namespace tavrin::platform::win32
