#include "platform/win32/win32_save.h"

#include <algorithm>

#include "platform/win32/windows_api.h"

namespace tavrin::platform::win32 {

namespace {

std::wstring convert(UINT codePage, DWORD flags, const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (n <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), n);
    return wide;
}

SaveFault writeAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
    std::size_t put = 0;
    while (put < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - put, 1u << 20));
        DWORD n = 0;
        if (!WriteFile(file, bytes.data() + put, chunk, &n, nullptr)) {
            return faultOfError(GetLastError());
        }
        if (n == 0) {
            return SaveFault::DiskFull;
        }
        put += n;
    }
    return SaveFault::None;
}

}  // namespace

std::wstring widePath(const std::string& path) {
    std::wstring wide = convert(CP_UTF8, MB_ERR_INVALID_CHARS, path);
    return wide.empty() && !path.empty() ? convert(CP_ACP, 0, path) : wide;
}

std::string narrowPath(const std::wstring& path) {
    if (path.empty()) {
        return {};
    }
    const int size = static_cast<int>(path.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, path.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), size, narrow.data(), n, nullptr, nullptr);
    return narrow;
}

SaveFault faultOfError(unsigned long error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return SaveFault::NoPermission;
        case ERROR_WRITE_PROTECT:
            return SaveFault::DiskReadOnly;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return SaveFault::DiskFull;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return SaveFault::NoFolder;
        case ERROR_FILENAME_EXCED_RANGE:
            return SaveFault::NameTooLong;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return SaveFault::NameTaken;
        case ERROR_CANT_RESOLVE_FILENAME:
            return SaveFault::LinkLoop;
        case ERROR_CRC:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE:
            return SaveFault::DiskError;
        default:
            return SaveFault::Failed;
    }
}

Win32SaveSteps::~Win32SaveSteps() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

// A bare name ("till.json") has no folder to make the fresh file in, and
// ReplaceFileW wants one too: names are taken whole first.
namespace {
std::string fullPath(const std::string& path) {
    const std::wstring wide = widePath(path);
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) {
        return path;
    }
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) {
        return path;
    }
    full.resize(written);
    return narrowPath(full);
}
}  // namespace

SaveFault Win32SaveSteps::resolve(const std::string& path, std::string& target) {
    const std::wstring wide = widePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            target = fullPath(path);  // a new file
            return SaveFault::None;
        }
        return faultOfError(error);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return SaveFault::IsFolder;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        target = fullPath(path);
        return SaveFault::None;
    }
    // A symbolic link: the file it leads to is written, the link stays.
    HANDLE file =
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? SaveFault::NoFolder : faultOfError(error);
    }
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= final.size()) {
        final.resize(n + 1);
        n = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (n == 0 || n >= final.size()) {
        return faultOfError(error);
    }
    final.resize(n);
    if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        final = L"\\\\" + final.substr(8);
    } else if (final.rfind(L"\\\\?\\", 0) == 0) {
        final = final.substr(4);
    }
    target = narrowPath(final);
    return SaveFault::None;
}

SaveFault Win32SaveSteps::createTemporary(const std::string& target, const std::string& temporary,
                                          bool& /*ownerChanged*/) {
    // ReplaceFileW gives the new file the old one's attributes, ACL and
    // owner; a read-only file is refused before anything is made.
    const DWORD attributes = GetFileAttributesW(widePath(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return SaveFault::FileReadOnly;
    }
    HANDLE file = CreateFileW(widePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED ? SaveFault::FolderReadOnly : faultOfError(error);
    }
    handle_ = file;
    return SaveFault::None;
}

SaveFault Win32SaveSteps::write(const std::vector<std::uint8_t>& bytes) {
    return writeAll(handle_, bytes);
}

SaveFault Win32SaveSteps::flush() {
    return FlushFileBuffers(handle_) ? SaveFault::None : faultOfError(GetLastError());
}

SaveFault Win32SaveSteps::close() {
    HANDLE file = handle_;
    handle_ = nullptr;
    return CloseHandle(file) ? SaveFault::None : faultOfError(GetLastError());
}

SaveFault Win32SaveSteps::commit(const std::string& temporary, const std::string& target) {
    const std::wstring from = widePath(temporary);
    const std::wstring to = widePath(target);
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // ReplaceFileW is to carry these over; not every implementation does.
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if (attributes & kKept) {
            SetFileAttributesW(from.c_str(), attributes & kKept);
        }
        if (ReplaceFileW(to.c_str(), from.c_str(), nullptr, 0, nullptr, nullptr)) {
            return SaveFault::None;
        }
        const DWORD error = GetLastError();
        // The old file could not be moved aside: it is open elsewhere or protected.
        return error == ERROR_UNABLE_TO_REMOVE_REPLACED ? SaveFault::NoPermission
                                                        : faultOfError(error);
    }
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? SaveFault::None
               : faultOfError(GetLastError());
}

SaveFault Win32SaveSteps::flushFolder(const std::string& /*target*/) {
    return SaveFault::None;
}

void Win32SaveSteps::discard(const std::string& temporary) {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
        handle_ = nullptr;
    }
    DeleteFileW(widePath(temporary).c_str());
}

SaveResult win32WriteHead(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // OPEN_ALWAYS creates a missing file and keeps a longer file's tail.
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return {SaveFault::IsFolder, false};
        }
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            return {SaveFault::FileReadOnly, false};
        }
        return {faultOfError(error), false};
    }
    SaveFault fault = writeAll(file, bytes);
    if (fault == SaveFault::None && !FlushFileBuffers(file)) {
        fault = faultOfError(GetLastError());
    }
    CloseHandle(file);
    return {fault, false};
}

}  // namespace tavrin::platform::win32
