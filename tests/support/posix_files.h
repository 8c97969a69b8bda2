#pragma once
// POSIX helpers for the save tests: a folder's names, a file's mode, and a
// folder no new file can be made in, even when the tests run as root.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace tavrin::test {

inline std::set<std::string> namesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

inline unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
}

inline bool isSymlink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Root acts as "nobody" for the scope, as an ordinary user does.
class AsNobody {
public:
    static constexpr uid_t kNobody = 65534;
    AsNobody() {
        if (::geteuid() == 0) {
            dropped_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
        }
    }
    ~AsNobody() {
        if (dropped_) {
            (void)::seteuid(0);
            (void)::setegid(0);
        }
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    bool dropped_ = false;
};

// The folder is made read-only for the scope; root, who may write it all
// the same, acts as "nobody" meanwhile.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        ::chmod(folder_.c_str(), 0555);
        user_.emplace();
    }
    ~ReadOnlyFolder() {
        user_.reset();
        ::chmod(folder_.c_str(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    std::filesystem::path folder_;
    std::optional<AsNobody> user_;
};

}  // namespace tavrin::test
