#include "platform/std_file_system.h"

#include <cerrno>
#include <system_error>

#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include "platform/win32/win32_save.h"
#else
#include <unistd.h>

#include <cerrno>

#include "platform/posix_files.h"
#endif

namespace tavrin::platform {

namespace fs = std::filesystem;

StdFileSystem::StdFileSystem(std::string programFolder, std::string systemDirectory)
    : programFolder_(std::move(programFolder)), systemDirectory_(std::move(systemDirectory)) {}

bool StdFileSystem::fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

bool StdFileSystem::CopyFile(const std::string& source, const std::string& target,
                             bool failIfExists) {
    // A plain byte copy: some standard libraries refuse to overwrite with
    // std::filesystem::copy_file.
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(source), ec) || fs::is_directory(fs::path(target), ec) ||
        (failIfExists && fs::exists(fs::path(target), ec))) {
        return false;
    }
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!in || !out) {
        return false;
    }
    if (fs::file_size(fs::path(source), ec) > 0) {
        out << in.rdbuf();  // inserting nothing would count as a failure
    }
    out.close();
    return !in.bad() && out.good();
}

std::string StdFileSystem::joinPath(const std::string& folder, const std::string& name) {
    // Names are given in the driver table's notation, "\name".
    std::string leaf = name;
    while (!leaf.empty() && (leaf.front() == '\\' || leaf.front() == '/')) {
        leaf.erase(leaf.begin());
    }
    return (fs::path(folder) / leaf).string();
}

std::optional<std::vector<std::uint8_t>> StdFileSystem::readFileHead(const std::string& path,
                                                                     std::size_t maxBytes) {
#ifndef _WIN32
    // Without blocking on a FIFO, and nothing but a regular file.
    const int fd = openRegularForReading(path);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
        const ssize_t n = ::read(fd, bytes.data() + got, maxBytes - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
#else
    std::error_code ec;
    if (fs::is_directory(fs::path(path), ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(maxBytes);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(maxBytes));
    if (in.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
#endif
}

std::string StdFileSystem::unreadableReason(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(path), ec);
    if (status.type() == fs::file_type::not_found) {
        return {};
    }
    if (ec) {
        return ec.message();
    }
    if (status.type() == fs::file_type::directory) {
        return "is a folder";
    }
    if (status.type() != fs::file_type::regular) {
        return "not a regular file";  // opening a FIFO would wait for its writer
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::generic_category().message(errno != 0 ? errno : EIO);
    }
    return {};
}

SaveResult StdFileSystem::writeFileHead(const std::string& path,
                                        const std::vector<std::uint8_t>& bytes) {
#ifdef _WIN32
    return win32::win32WriteHead(path, bytes);
#else
    return posixWriteHead(path, bytes);
#endif
}

SaveResult StdFileSystem::replaceFile(const std::string& path,
                                      const std::vector<std::uint8_t>& bytes) {
#ifdef _WIN32
    win32::Win32SaveSteps steps;
#else
    PosixSaveSteps steps;
#endif
    return saveWhole(steps, path, bytes);
}

}  // namespace tavrin::platform
