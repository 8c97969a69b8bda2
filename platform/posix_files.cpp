#include "platform/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tavrin::platform {

namespace {

constexpr int kLinkLimit = 40;  // as the kernel's own limit

std::string folderOf(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    if (cut == std::string::npos) {
        return ".";
    }
    return cut == 0 ? "/" : path.substr(0, cut);
}

SaveFault writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t put = 0;
    while (put < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + put, bytes.size() - put);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0 ? SaveFault::DiskFull : faultOfErrno(errno, false);
        }
        put += static_cast<std::size_t>(n);
    }
    return SaveFault::None;
}

SaveFault syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return faultOfErrno(errno, false);
    }
    // Some file systems cannot sync a folder and say EINVAL: nothing to wait for.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    return synced ? SaveFault::None : faultOfErrno(error, false);
}

}  // namespace

SaveFault faultOfErrno(int error, bool creating) {
    switch (error) {
        case EACCES:
            return creating ? SaveFault::FolderReadOnly : SaveFault::FileReadOnly;
        case EPERM:
            return SaveFault::NoPermission;
        case EROFS:
            return SaveFault::DiskReadOnly;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return SaveFault::DiskFull;
        case ENOENT:
        case ENOTDIR:
            return SaveFault::NoFolder;
        case EISDIR:
            return SaveFault::IsFolder;
        case ELOOP:
            return SaveFault::LinkLoop;
        case ENAMETOOLONG:
            return SaveFault::NameTooLong;
        case EEXIST:
            return SaveFault::NameTaken;
        case EIO:
            return SaveFault::DiskError;
        default:
            return SaveFault::Failed;
    }
}

PosixSaveSteps::~PosixSaveSteps() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

SaveFault PosixSaveSteps::resolve(const std::string& path, std::string& target) {
    std::string current = path;
    for (int hop = 0; hop <= kLinkLimit; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                target = current;  // a new file, or where a dangling link points
                return SaveFault::None;
            }
            return faultOfErrno(errno, false);
        }
        if (S_ISDIR(st.st_mode)) {
            return SaveFault::IsFolder;
        }
        if (!S_ISLNK(st.st_mode)) {
            target = current;
            return SaveFault::None;
        }
        std::string next(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), next.data(), next.size());
        if (n < 0 || static_cast<std::size_t>(n) >= next.size()) {
            return n < 0 ? faultOfErrno(errno, false) : SaveFault::Failed;
        }
        next.resize(static_cast<std::size_t>(n));
        // A relative link is relative to the folder that holds it.
        current = next.front() == '/' ? next : folderOf(current) + "/" + next;
    }
    return SaveFault::LinkLoop;
}

SaveFault PosixSaveSteps::createTemporary(const std::string& target, const std::string& temporary,
                                          bool& ownerChanged) {
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (old.st_mode & S_IWUSR) == 0) {
        return SaveFault::FileReadOnly;  // a rename would replace a file its owner made read-only
    }
    // Over an existing file the new one starts private and takes the old
    // one's owner, group and mode before any byte is in it; a new file
    // gets the usual mode (umask).
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    fd_ = ::open(temporary.c_str(), flags, exists ? 0600 : 0666);
    if (fd_ < 0) {
        return faultOfErrno(errno, true);
    }
    if (!exists) {
        return SaveFault::None;
    }
    mode_t mode = old.st_mode & 01777;  // not set-user or set-group-ID
    struct stat now {};
    if (::fstat(fd_, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            ownerChanged = true;
            // The group the old file allowed in is not the new file's group.
            if (::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
                mode &= ~static_cast<mode_t>(S_IRWXG | S_IRWXO);
            }
        }
    }
    if (::fchmod(fd_, mode) != 0) {
        const SaveFault fault = faultOfErrno(errno, false);
        discard(temporary);
        return fault;
    }
    return SaveFault::None;
}

SaveFault PosixSaveSteps::write(const std::vector<std::uint8_t>& bytes) {
    return writeAll(fd_, bytes);
}

SaveFault PosixSaveSteps::flush() {
    return ::fsync(fd_) == 0 ? SaveFault::None : faultOfErrno(errno, false);
}

SaveFault PosixSaveSteps::close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? SaveFault::None : faultOfErrno(errno, false);
}

SaveFault PosixSaveSteps::commit(const std::string& temporary, const std::string& target) {
    return ::rename(temporary.c_str(), target.c_str()) == 0 ? SaveFault::None
                                                            : faultOfErrno(errno, true);
}

SaveFault PosixSaveSteps::flushFolder(const std::string& target) {
    return syncFolder(folderOf(target));
}

void PosixSaveSteps::discard(const std::string& temporary) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    ::unlink(temporary.c_str());
}

SaveResult posixWriteHead(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // The name is the owner's: their links are followed.
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const bool created = fd < 0 && errno == ENOENT;
    if (created) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        return {faultOfErrno(errno, created), false};
    }
    SaveFault fault = writeAll(fd, bytes);
    if (fault == SaveFault::None && ::fsync(fd) != 0) {
        fault = faultOfErrno(errno, false);
    }
    if (::close(fd) != 0 && fault == SaveFault::None) {
        fault = faultOfErrno(errno, false);
    }
    if (fault == SaveFault::None && created) {
        fault = syncFolder(folderOf(path));
    }
    return {fault, false};
}

std::FILE* openPrivateFile(const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "w");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
}

}  // namespace tavrin::platform
