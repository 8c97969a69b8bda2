#include "platform/win32/win32_file_system.h"

#include "platform/win32/win32_save.h"
#include "platform/win32/windows_api.h"

namespace tavrin::platform::win32 {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

struct FileHandle {
    HANDLE h;
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
};

}  // namespace

std::string executableFolder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);  // truncated: ask again with more room
    }
    auto cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string{} : path.substr(0, cut);
}

Win32FileSystem::Win32FileSystem() : programFolder_(executableFolder()) {}

Win32FileSystem::Win32FileSystem(std::string programFolder, std::string systemDirectory)
    : programFolder_(std::move(programFolder)),
      fixedSystemDirectory_(true),
      systemDirectory_(std::move(systemDirectory)) {}

bool Win32FileSystem::fileExists(const std::string& path) {
    if (path.empty() || path.find_first_of("*?") != std::string::npos) {
        return false;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(widePath(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    constexpr DWORD kNotListed =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return (found.dwFileAttributes & kNotListed) == 0;
}

bool Win32FileSystem::CopyFile(const std::string& source, const std::string& target,
                               bool failIfExists) {
    return CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

std::string Win32FileSystem::GetSystemDirectory() {
    if (fixedSystemDirectory_) {
        return systemDirectory_;
    }
    char buffer[kSystemDirectoryBuffer];
    UINT n = GetSystemDirectoryA(buffer, kSystemDirectoryBuffer);
    // 0 is a failure; a value of the buffer size or more is the room the
    // answer would need, and the buffer then holds nothing usable.
    if (n == 0 || n >= kSystemDirectoryBuffer) {
        return {};
    }
    return std::string(buffer, n);
}

std::string Win32FileSystem::joinPath(const std::string& folder, const std::string& name) {
    std::string joined = folder;
    while (!joined.empty() && isSeparator(joined.back())) {
        joined.pop_back();
    }
    std::size_t start = 0;
    while (start < name.size() && isSeparator(name[start])) {
        ++start;
    }
    joined += '\\';
    for (std::size_t i = start; i < name.size(); ++i) {
        joined += name[i] == '/' ? '\\' : name[i];
    }
    return joined;
}

std::optional<std::vector<std::uint8_t>> Win32FileSystem::readFileHead(const std::string& path,
                                                                       std::size_t maxBytes) {
    FileHandle file{CreateFileW(widePath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        return std::nullopt;  // missing, a folder, or not readable
    }
    std::vector<std::uint8_t> bytes(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(maxBytes - got, 1u << 20));
        DWORD n = 0;
        if (!ReadFile(file.h, bytes.data() + got, chunk, &n, nullptr)) {
            return std::nullopt;
        }
        if (n == 0) {
            break;  // end of file
        }
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

SaveResult Win32FileSystem::writeFileHead(const std::string& path,
                                          const std::vector<std::uint8_t>& bytes) {
    return win32WriteHead(path, bytes);
}

SaveResult Win32FileSystem::replaceFile(const std::string& path,
                                        const std::vector<std::uint8_t>& bytes) {
    Win32SaveSteps steps;
    return saveWhole(steps, path, bytes);
}

}  // namespace tavrin::platform::win32
