#include "platform/std_file_system.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

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
}

bool StdFileSystem::writeFileHead(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // "r+b" keeps a longer file's tail; "w+b" only for a file that is missing.
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr) {
        std::error_code ec;
        if (fs::exists(fs::path(path), ec)) {
            return false;  // present but not writable
        }
        file = std::fopen(path.c_str(), "w+b");
    }
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

bool StdFileSystem::replaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // A rename would replace a file its owner made read-only.
    std::error_code statusError;
    const fs::file_status status = fs::status(fs::path(path), statusError);
    if (!statusError && fs::exists(status) &&
        (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
        return false;
    }
    const std::string temporary = path + ".tavrin-new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    std::error_code ec;
    if (ok) {
        fs::rename(fs::path(temporary), fs::path(path), ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(fs::path(temporary), ec);
    }
    return ok;
}

}  // namespace tavrin::platform
