#include "sim/memory_file_system.h"

#include <algorithm>

#include "platform/safe_save.h"

namespace tavrin::sim {

using platform::SaveFault;
using platform::SaveResult;

namespace {

constexpr int kLinkLimit = 40;

std::string folderOf(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string::npos ? std::string{} : path.substr(0, cut);
}

std::string countedSuffix(int count) {
    std::string suffix = "t";
    suffix += std::to_string(count);
    return suffix;
}

}  // namespace

// The save's steps on the in-memory disk; the fresh file's names are counted.
class MemoryFileSystem::Steps : public platform::SaveSteps {
public:
    explicit Steps(MemoryFileSystem& files) : files_(files) {}

    SaveFault resolve(const std::string& path, std::string& target) override {
        const auto resolved = files_.resolve(path);
        if (!resolved) {
            return SaveFault::LinkLoop;
        }
        target = *resolved;
        return SaveFault::None;
    }
    std::string nameSuffix() override { return countedSuffix(++files_.counter_); }
    SaveFault createTemporary(const std::string& target, const std::string& temporary,
                              bool& /*ownerChanged*/) override {
        if (files_.readOnly.contains(target)) {
            return SaveFault::FileReadOnly;
        }
        if (files_.readOnlyFolders.contains(folderOf(temporary))) {
            return SaveFault::FolderReadOnly;
        }
        if (files_.names_.contains(temporary)) {
            return SaveFault::NameTaken;
        }
        fresh_ = std::make_shared<Node>();
        if (const Node* old = files_.node(target)) {
            fresh_->mode = old->mode;
        }
        files_.names_[temporary] = {fresh_, {}};
        return SaveFault::None;
    }
    SaveFault write(const std::vector<std::uint8_t>& bytes) override {
        std::size_t fits = bytes.size();
        if (files_.freeBytes) {
            fits = std::min(fits, *files_.freeBytes);
            *files_.freeBytes -= fits;
            taken_ += fits;
        }
        fresh_->data.assign(bytes.begin(), bytes.begin() + static_cast<long>(fits));
        return fits == bytes.size() ? SaveFault::None : SaveFault::DiskFull;
    }
    SaveFault flush() override {
        fresh_->flushed = fresh_->data;
        return SaveFault::None;
    }
    SaveFault close() override { return SaveFault::None; }
    SaveFault commit(const std::string& temporary, const std::string& target) override {
        if (const Node* old = files_.node(target); old && files_.freeBytes) {
            *files_.freeBytes += old->data.size();
        }
        files_.names_[target] = files_.names_[temporary];
        files_.names_.erase(temporary);
        files_.unreadable.erase(target);
        return SaveFault::None;
    }
    SaveFault flushFolder(const std::string& target) override {
        files_.flushFolder(target);
        return SaveFault::None;
    }
    void discard(const std::string& temporary) override {
        files_.names_.erase(temporary);
        if (files_.freeBytes) {
            *files_.freeBytes += taken_;
        }
    }

private:
    MemoryFileSystem& files_;
    std::shared_ptr<Node> fresh_;
    std::size_t taken_ = 0;
};

MemoryFileSystem::MemoryFileSystem() = default;
MemoryFileSystem::~MemoryFileSystem() = default;

bool MemoryFileSystem::fileExists(const std::string& path) {
    return node(path) != nullptr;
}

bool MemoryFileSystem::CopyFile(const std::string& source, const std::string& target,
                                bool failIfExists) {
    const auto* from = contents(source);
    if (from == nullptr || unreadable.contains(source) || readOnly.contains(target) ||
        (failIfExists && fileExists(target))) {
        return false;
    }
    std::vector<std::uint8_t> copy = *from;
    remove(target);
    return static_cast<bool>(writeFileHead(target, copy));
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

SaveResult MemoryFileSystem::writeFileHead(const std::string& path,
                                           const std::vector<std::uint8_t>& bytes) {
    ++writes_;
    const auto target = resolve(path);
    if (!target) {
        return {SaveFault::LinkLoop, false};
    }
    if (readOnly.contains(path) || readOnly.contains(*target)) {
        return {SaveFault::FileReadOnly, false};
    }
    Node* file = node(*target);
    if (file == nullptr) {
        if (readOnlyFolders.contains(folderOf(*target))) {
            return {SaveFault::FolderReadOnly, false};
        }
        names_[*target] = {std::make_shared<Node>(), {}};
        flushFolder(*target);
        file = node(*target);
    }
    std::size_t fits = bytes.size();
    if (freeBytes && bytes.size() > file->data.size()) {
        fits = std::min(bytes.size(), file->data.size() + *freeBytes);
        *freeBytes -= fits > file->data.size() ? fits - file->data.size() : 0;
    }
    if (file->data.size() < fits) {
        file->data.resize(fits);
    }
    std::copy_n(bytes.begin(), fits, file->data.begin());
    file->flushed = file->data;
    return {fits == bytes.size() ? SaveFault::None : SaveFault::DiskFull, false};
}

SaveResult MemoryFileSystem::replaceFile(const std::string& path,
                                         const std::vector<std::uint8_t>& bytes) {
    ++writes_;
    Steps steps(*this);
    return platform::saveWhole(steps, path, bytes);
}

void MemoryFileSystem::put(const std::string& path, std::vector<std::uint8_t> bytes,
                           unsigned mode) {
    auto file = std::make_shared<Node>();
    file->data = bytes;
    file->flushed = std::move(bytes);
    file->mode = mode;
    names_[path] = onDisk_[path] = {file, {}};
}

void MemoryFileSystem::link(const std::string& path, const std::string& target) {
    names_[path] = onDisk_[path] = {nullptr, target};
}

void MemoryFileSystem::remove(const std::string& path) {
    names_.erase(path);
    onDisk_.erase(path);
}

const std::vector<std::uint8_t>* MemoryFileSystem::contents(const std::string& path) const {
    const Node* file = node(path);
    return file == nullptr ? nullptr : &file->data;
}

std::optional<unsigned> MemoryFileSystem::mode(const std::string& path) const {
    const Node* file = node(path);
    return file == nullptr ? std::nullopt : std::optional<unsigned>(file->mode);
}

bool MemoryFileSystem::isLink(const std::string& path) const {
    auto it = names_.find(path);
    return it != names_.end() && it->second.node == nullptr;
}

std::vector<std::string> MemoryFileSystem::names() const {
    std::vector<std::string> all;
    for (const auto& [name, entry] : names_) {
        all.push_back(name);
    }
    return all;
}

void MemoryFileSystem::powerCut() {
    names_ = onDisk_;
    for (auto& [name, entry] : names_) {
        if (entry.node) {
            entry.node->data = entry.node->flushed;
        }
    }
}

std::string MemoryFileSystem::nextTemporaryName(const std::string& target) const {
    return platform::temporaryPath(resolve(target).value_or(target), countedSuffix(counter_ + 1));
}

std::optional<std::string> MemoryFileSystem::resolve(const std::string& path) const {
    std::string current = path;
    for (int hop = 0; hop <= kLinkLimit; ++hop) {
        auto it = names_.find(current);
        if (it == names_.end() || it->second.node != nullptr) {
            return current;
        }
        const std::string& next = it->second.link;
        if (next.empty()) {
            return std::nullopt;
        }
        const std::string folder = folderOf(current);
        current = next.front() == '/' || folder.empty() ? next : folder + "/" + next;
    }
    return std::nullopt;
}

MemoryFileSystem::Node* MemoryFileSystem::node(const std::string& path) const {
    const auto target = resolve(path);
    if (!target) {
        return nullptr;
    }
    auto it = names_.find(*target);
    return it == names_.end() ? nullptr : it->second.node.get();
}

void MemoryFileSystem::flushFolder(const std::string& path) {
    const std::string folder = folderOf(path);
    std::erase_if(onDisk_, [&](const auto& entry) { return folderOf(entry.first) == folder; });
    for (const auto& [name, entry] : names_) {
        if (folderOf(name) == folder) {
            onDisk_[name] = entry;
        }
    }
}

}  // namespace tavrin::sim
