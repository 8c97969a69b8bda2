#include "platform/linux/port_lock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin::platform {

namespace {

std::string failure(const std::filesystem::path& path, const char* what) {
    return path.string() + ": " + what;
}

std::string failure(const std::filesystem::path& path, int error) {
    return failure(path, std::strerror(error));
}

}  // namespace

PortLock::Outcome PortLock::take(const std::filesystem::path& path, std::string& reason) {
    drop();
    const std::filesystem::path folder = path.parent_path();
    std::error_code ec;
    std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        reason = failure(folder, errno);
        return Outcome::Failed;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        reason = failure(folder, errno);
        return Outcome::Failed;
    }
    // mkdir took the umask, and an older Tavrin may have left the folder 0777.
    struct stat st {};
    if (::fstat(dir, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(dir);
        reason = failure(folder, "belongs to another user");
        return Outcome::Failed;
    }
    if ((st.st_mode & 07777) != 0755 && ::fchmod(dir, 0755) != 0) {
        reason = failure(folder, errno);
        ::close(dir);
        return Outcome::Failed;
    }
    const std::string name = path.filename().string();
    const int fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    const int error = errno;
    ::close(dir);
    if (fd < 0) {
        reason = failure(path, error);
        return Outcome::Failed;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ((st.st_mode & 07777) != 0600 && ::fchmod(fd, 0600) != 0)) {
        ::close(fd);
        reason = failure(path, "is not a private file of this user");
        return Outcome::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int busy = errno;
        ::close(fd);
        reason = busy == EWOULDBLOCK ? kPortHeldElsewhere : failure(path, busy);
        return busy == EWOULDBLOCK ? Outcome::Held : Outcome::Failed;
    }
    fd_ = fd;
    return Outcome::Taken;
}

void PortLock::drop() {
    if (fd_ >= 0) {
        ::close(fd_);  // the kernel drops the lock with the last descriptor
        fd_ = -1;
    }
}

}  // namespace tavrin::platform
