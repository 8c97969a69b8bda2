#pragma once
// Saves through the Win32 API, on wide-character paths: a fresh file made
// with CREATE_NEW, FlushFileBuffers, then ReplaceFileW over an existing
// target (which keeps its attributes, ACL and streams) or MoveFileExW with
// MOVEFILE_WRITE_THROUGH for a new one.

#include <string>
#include <vector>

#include "platform/safe_save.h"

namespace tavrin::platform::win32 {

// A path as the programs hold it, for the wide API: UTF-8 when it reads as
// UTF-8 (names outside the code page), else the code page's own bytes
// (names from the ANSI file dialog and command line).
std::wstring widePath(const std::string& path);
// A wide path back, as UTF-8.
std::string narrowPath(const std::wstring& path);

class Win32SaveSteps : public SaveSteps {
public:
    Win32SaveSteps() = default;
    ~Win32SaveSteps() override;
    Win32SaveSteps(const Win32SaveSteps&) = delete;
    Win32SaveSteps& operator=(const Win32SaveSteps&) = delete;

    SaveFault resolve(const std::string& path, std::string& target) override;
    SaveFault createTemporary(const std::string& target, const std::string& temporary,
                              bool& ownerChanged) override;
    SaveFault write(const std::vector<std::uint8_t>& bytes) override;
    SaveFault flush() override;
    SaveFault close() override;
    SaveFault commit(const std::string& temporary, const std::string& target) override;
    // MOVEFILE_WRITE_THROUGH and ReplaceFileW leave nothing to flush.
    SaveFault flushFolder(const std::string& target) override;
    void discard(const std::string& temporary) override;

private:
    void* handle_ = nullptr;  // HANDLE; null when closed
};

// The in-place write of FileSystem::writeFileHead, flushed.
SaveResult win32WriteHead(const std::string& path, const std::vector<std::uint8_t>& bytes);

// GetLastError() after a failed call, as a save fault.
SaveFault faultOfError(unsigned long error);

}  // namespace tavrin::platform::win32
