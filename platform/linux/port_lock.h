#pragma once
// One holder of the keyboard port on the whole machine. Root's own bind path
// and tavrin-port take the same lock before they bind and drop it once the
// port is back on atkbd; the kernel drops it for a holder that dies. The
// lock's folder is root's and 0755, the lock 0600, whatever the umask, so no
// user can delete, replace or hold it.

#include <filesystem>
#include <string>

namespace tavrin::platform {

inline constexpr const char* kPortLockPath = "/run/tavrin/port.lock";
// The one line a second Tavrin is refused with.
inline constexpr const char* kPortHeldElsewhere = "another Tavrin holds the keyboard port";

class PortLock {
public:
    enum class Outcome { Taken, Held, Failed };

    PortLock() = default;
    ~PortLock() { drop(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Takes the lock at path without waiting; the reason when not Taken.
    Outcome take(const std::filesystem::path& path, std::string& reason);
    void drop();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace tavrin::platform
