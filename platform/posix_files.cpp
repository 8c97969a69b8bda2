#include "platform/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool linkMayBeFollowed(uid_t linkOwner, mode_t folderMode, uid_t folderOwner, uid_t user) {
    const bool shared = (folderMode & S_ISVTX) != 0 && (folderMode & S_IWOTH) != 0;
    return linkOwner == user || !shared || linkOwner == folderOwner;
}

SaveFault resolveForUser(const std::string& path, uid_t user, std::string& target) {
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
            if (!S_ISREG(st.st_mode)) {
                return SaveFault::NotRegular;  // a FIFO would block, a device take the bytes
            }
            target = current;
            return SaveFault::None;
        }
        // A link another user planted in /tmp must not steer the save,
        // even where the kernel's own protection is off.
        struct stat folder {};
        if (::stat(folderOf(current).c_str(), &folder) != 0) {
            return faultOfErrno(errno, false);
        }
        if (!linkMayBeFollowed(st.st_uid, folder.st_mode, folder.st_uid, user)) {
            return SaveFault::ForeignLink;
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

SaveFault PosixSaveSteps::resolve(const std::string& path, std::string& target) {
    return resolveForUser(path, user_, target);
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

SaveResult posixWriteHead(const std::string& path, const std::vector<std::uint8_t>& bytes,
                          uid_t user) {
    std::string target;
    if (const SaveFault fault = resolveForUser(path, user, target); fault != SaveFault::None) {
        return {fault, false};
    }
    int fd = ::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const bool created = fd < 0 && errno == ENOENT;
    if (created) {
        fd = ::open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        return {faultOfErrno(errno, created), false};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);  // changed under us since the name was looked at
        return {SaveFault::NotRegular, false};
    }
    SaveFault fault = writeAll(fd, bytes);
    if (fault == SaveFault::None && ::fsync(fd) != 0) {
        fault = faultOfErrno(errno, false);
    }
    if (::close(fd) != 0 && fault == SaveFault::None) {
        fault = faultOfErrno(errno, false);
    }
    if (fault == SaveFault::None && created) {
        fault = syncFolder(folderOf(target));
    }
    return {fault, false};
}

int openRegularForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::FILE* openPrivateFile(const std::string& path, std::string* why, uid_t user) {
    const auto refuse = [why](const std::string& reason) -> std::FILE* {
        if (why != nullptr) {
            *why = reason;
        }
        return nullptr;
    };
    // Made new: 0600 whatever the umask left of it.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                    0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
    } else if (errno == EEXIST) {
        // Reused: the user's own private file, nothing else. The look
        // before the open names a FIFO or a device, which an open without
        // a reader or a driver could not tell.
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            errno = ELOOP;
            return refuse("a symbolic link");
        }
        if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return refuse("not a regular file");
        }
        fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            return refuse(std::strerror(errno));
        }
        std::string reason;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            reason = "not a regular file";
        } else if (st.st_uid != user) {
            reason = "another user's file";
        } else if ((st.st_mode & 07777) != 0600) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
            reason = std::string("readable by others (mode ") + mode + "; 0600 is kept)";
        } else if (::ftruncate(fd, 0) != 0) {
            reason = std::strerror(errno);
        }
        if (!reason.empty()) {
            ::close(fd);
            return refuse(reason);
        }
    } else {
        return refuse(std::strerror(errno));
    }
    std::FILE* file = ::fdopen(fd, "w");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        return refuse(std::strerror(error));
    }
    return file;
}

}  // namespace tavrin::platform
