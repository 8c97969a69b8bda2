#include "platform/linux/raw_port_source.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin::platform {

namespace {

namespace fs = std::filesystem;

// The misc device serio_raw made for the port: serioN/misc/serio_rawK.
std::string rawDeviceName(const fs::path& portFolder) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(portFolder / "misc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("serio_raw", 0) == 0) {
            return name;
        }
    }
    return "";
}

}  // namespace

OpenedRawPort DirectRawPortSource::open(const KeyboardPort& port, std::string& reason) {
    OpenedRawPort opened;
    opened.translation = port.translation;
    // Another Tavrin, root or not, may hold the port: never rebind it then.
    if (const auto taken = lock_.take(paths_.lock, reason); taken != PortLock::Outcome::Taken) {
        opened.busy = taken == PortLock::Outcome::Held;
        return opened;
    }
    // Should this program be killed while it holds the port, the guard
    // gives the port back: started before the bind, it misses nothing.
    std::string why;
    if (!guard_.start((paths_.devices / port.name / "drvctl").string(), why)) {
        reason = "cannot guard " + port.name + " before binding serio_raw: " + why;
        lock_.drop();
        return opened;
    }
    // From here on every way out gives the port back to atkbd: a failed
    // write to drvctl may still have unbound atkbd.
    bound_ = port;
    if (port.driver != kRawDriver && !bindRawDriver(bus_, port, reason)) {
        reason = "cannot hand " + port.name + " to serio_raw: " + reason;
        release();
        return opened;
    }
    // udev makes the node a moment after the kernel registers the device.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(paths_.waitMs);
    int error = ENOENT;
    std::string name;
    for (;;) {
        if (name.empty()) {
            name = rawDeviceName(paths_.devices / port.name);
        }
        if (!name.empty()) {
            const fs::path node = paths_.dev / name;
            opened.fd =
                ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
            if (opened.fd >= 0) {
                struct stat st {};
                if (::fstat(opened.fd, &st) == 0 && paths_.isNode(st.st_mode)) {
                    return opened;
                }
                ::close(opened.fd);
                opened.fd = -1;
                reason = node.string() + " is not a character device";
                release();
                return opened;
            }
            error = errno;
            if (error != ENOENT) {
                break;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    reason = name.empty() ? port.name + " shows no serio_raw device after binding"
                          : (paths_.dev / name).string() + ": " + std::strerror(error);
    release();
    return opened;
}

void DirectRawPortSource::release() {
    if (bound_) {
        std::string ignored;
        const bool given = bindKeyboardDriver(bus_, *bound_, ignored);
        bound_.reset();
        if (given) {
            guard_.standDown();
        } else {
            guard_.giveBack();  // one more try, from the guard
        }
    }
    lock_.drop();  // only once the port is back (the guard held it too)
}

OpenedRawPort HelperRawPortSource::open(const KeyboardPort& port, std::string& reason) {
    OpenedRawPort opened;
    opened.translation = port.translation;
    if (!receive_) {
        reason =
            "reaching the keyboard port needs root, or the tavrin-port helper, which this "
            "build does not have";
        return opened;
    }
    opened.fd = receive_(reason, opened.busy);
    open_ = opened.fd >= 0;
    return opened;
}

void HelperRawPortSource::release() {
    if (open_ && close_) {
        close_();  // the helper gives the port back and says so
    }
    open_ = false;
}

}  // namespace tavrin::platform
