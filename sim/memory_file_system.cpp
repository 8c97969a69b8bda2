#include "sim/memory_file_system.h"

#include <algorithm>

namespace tavrin::sim {

bool MemoryFileSystem::fileExists(const std::string& path) {
    return files_.contains(path);
}

bool MemoryFileSystem::CopyFile(const std::string& source, const std::string& target,
                                bool failIfExists) {
    const auto* from = contents(source);
    if (from == nullptr || unreadable.contains(source) || readOnly.contains(target) ||
        (failIfExists && fileExists(target))) {
        return false;
    }
    std::vector<std::uint8_t> copy = *from;
    files_.erase(target);
    return writeFileHead(target, copy);
}

std::string MemoryFileSystem::joinPath(const std::string& folder, const std::string& name) {
    std::string leaf = name;
    while (!leaf.empty() && (leaf.front() == '\\' || leaf.front() == '/')) {
        leaf.erase(leaf.begin());
    }
    return folder + "/" + leaf;
}

std::optional<std::vector<std::uint8_t>> MemoryFileSystem::readFileHead(const std::string& path,
                                                                        std::size_t maxBytes) {
    ++reads_;
    const auto* bytes = contents(path);
    if (bytes == nullptr || unreadable.contains(path)) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(bytes->begin(),
                                     bytes->begin() + std::min(maxBytes, bytes->size()));
}

bool MemoryFileSystem::writeFileHead(const std::string& path,
                                     const std::vector<std::uint8_t>& bytes) {
    ++writes_;
    if (readOnly.contains(path)) {
        return false;
    }
    std::vector<std::uint8_t>& file = files_[path];
    std::size_t fits = bytes.size();
    if (freeBytes && bytes.size() > file.size()) {
        fits = std::min(bytes.size(), file.size() + *freeBytes);
        *freeBytes -= fits > file.size() ? fits - file.size() : 0;
    }
    if (file.size() < fits) {
        file.resize(fits);
    }
    std::copy_n(bytes.begin(), fits, file.begin());
    return fits == bytes.size();
}

bool MemoryFileSystem::replaceFile(const std::string& path,
                                   const std::vector<std::uint8_t>& bytes) {
    ++writes_;
    if (readOnly.contains(path) || (freeBytes && *freeBytes < bytes.size())) {
        return false;
    }
    if (freeBytes) {
        const auto* old = contents(path);
        *freeBytes += (old ? old->size() : 0) - bytes.size();
    }
    files_[path] = bytes;
    unreadable.erase(path);
    return true;
}

const std::vector<std::uint8_t>* MemoryFileSystem::contents(const std::string& path) const {
    auto it = files_.find(path);
    return it == files_.end() ? nullptr : &it->second;
}

}  // namespace tavrin::sim
