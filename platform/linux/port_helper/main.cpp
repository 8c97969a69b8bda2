// tavrin-port: the only privileged part of Tavrin on Linux. It finds the i8042
// keyboard port itself, binds serio_raw, hands the open /dev/serio_rawN to the
// program over the socket on its standard input, and binds atkbd again the
// moment that socket closes, whatever became of the program. It takes nothing
// from its caller: arguments and environment are ignored, no shell is run.
//
// The build used by the tests (TAVRIN_PORT_FAKE_ROOT) reads a folder standing
// for / from TAVRIN_PORT_ROOT; the installed build has no such code.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/port_guard.h"
#include "platform/linux/port_protocol.h"
#include "platform/linux/serio_bus.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrin::platform;

constexpr int kClient = STDIN_FILENO;
// How long udev may take to make /dev/serio_rawN after the bind.
constexpr auto kDeviceWait = std::chrono::seconds(5);

struct Paths {
    fs::path devices = kSerioDevices;
    fs::path dev = "/dev";
    fs::path lock = "/run/tavrin/port.lock";
};

Paths choosePaths() {
    Paths paths;
#ifdef TAVRIN_PORT_FAKE_ROOT
    const char* root = std::getenv("TAVRIN_PORT_ROOT");
    if (root == nullptr || root[0] != '/') {
        std::fputs("tavrin-port: TAVRIN_PORT_ROOT must name a folder\n", stderr);
        std::exit(kPortNoClient);
    }
    const fs::path base = fs::weakly_canonical(root);
    for (const char* real : {"/sys", "/dev", "/proc", "/run"}) {
        auto rel = base.lexically_relative(real);
        if (base == "/" || (!rel.empty() && *rel.begin() != "..")) {
            std::fputs("tavrin-port: a fake root may not be a system folder\n", stderr);
            std::exit(kPortNoClient);
        }
    }
    paths.devices = base / "sys/bus/serio/devices";
    paths.dev = base / "dev";
    paths.lock = base / "run/tavrin/port.lock";
#endif
    return paths;
}

// One line on stderr and the same reason to the program.
int refuse(int code, const std::string& reason) {
    std::fprintf(stderr, "tavrin-port: %s\n", reason.c_str());
    std::string message = "error " + reason;
    ::send(kClient, message.data(), message.size(), MSG_NOSIGNAL);
    return code;
}

bool sendDevice(int device, const std::string& text) {
    iovec iov{const_cast<char*>(text.data()), text.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof(control);
    cmsghdr* cmsg = CMSG_FIRSTHDR(&msg);
    cmsg->cmsg_level = SOL_SOCKET;
    cmsg->cmsg_type = SCM_RIGHTS;
    cmsg->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(cmsg), &device, sizeof(int));
    return ::sendmsg(kClient, &msg, MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

// True when the program has gone (socket closed) or a signal asks us to stop.
// Waits at most timeoutMs (-1: until then).
bool clientGone(int signals, int timeoutMs) {
    pollfd fds[2] = {{kClient, POLLIN, 0}, {signals, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) < 0) {
        return errno != EINTR;
    }
    if (fds[1].revents != 0) {
        return true;
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        return true;
    }
    if (fds[0].revents & POLLIN) {
        char sink[64];
        ssize_t n = ::recv(kClient, sink, sizeof(sink), MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
    }
    return false;
}

// The misc device serio_raw made for the port: misc/serio_rawK in its folder,
// then /dev/serio_rawK once udev has made it. -1 when the wait ends first.
int openDevice(const Paths& paths, const std::string& port, int signals, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + kDeviceWait;
    std::string name;
    do {
        std::error_code ec;
        if (name.empty()) {
            for (const auto& entry : fs::directory_iterator(paths.devices / port / "misc", ec)) {
                std::string file = entry.path().filename().string();
                if (file.rfind("serio_raw", 0) == 0) {
                    name = file;
                }
            }
        }
        if (!name.empty()) {
            const fs::path device = paths.dev / name;
            int fd =
                ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                struct stat st {};
#ifdef TAVRIN_PORT_FAKE_ROOT
                const bool kind =
                    ::fstat(fd, &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode));
#else
                const bool kind = ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
#endif
                if (kind) {
                    return fd;
                }
                ::close(fd);
                error = device.string() + " is not a character device";
                return -1;
            }
            error = device.string() + ": " + std::strerror(errno);
        } else {
            error = "serio_raw made no device for " + port;
        }
        if (clientGone(signals, 20)) {
            error = "the program left before the device appeared";
            return -1;
        }
    } while (std::chrono::steady_clock::now() < deadline);
    return -1;
}

int run() {
    struct stat st {};
    if (::fstat(kClient, &st) != 0 || !S_ISSOCK(st.st_mode)) {
        std::fputs("tavrin-port: start me from Tavrin: standard input must be its socket\n",
                   stderr);
        return kPortNoClient;
    }
    // The signals that end us are read from a descriptor, so the port is
    // always given back by the code below, never from a handler.
    sigset_t stop;
    sigemptyset(&stop);
    for (int s : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
        sigaddset(&stop, s);
    }
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signals = ::signalfd(-1, &stop, SFD_CLOEXEC);

    const Paths paths = choosePaths();
    // One client at a time; the kernel drops the lock when we end, even killed.
    std::error_code ec;
    fs::create_directories(paths.lock.parent_path(), ec);
    const int lock = ::open(paths.lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
        return refuse(kPortBusy, paths.lock.string() + ": " + std::strerror(errno));
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        return refuse(kPortBusy, "another Tavrin holds the keyboard port");
    }

    SysfsSerioBus bus(paths.devices);
    std::string reason;
    const auto port = findKeyboardPort(bus, reason);
    if (!port) {
        return refuse(kPortNoKeyboard, reason);
    }
    std::vector<SerioPort> all;
    std::string type = "-1";
    if (bus.listPorts(all, reason)) {
        for (const SerioPort& p : all) {
            if (p.name == port->name) {
                type = std::to_string(p.type);
            }
        }
    }

    std::string error;
    // Killed with SIGKILL, we could not give the port back: a guard process
    // does, the moment we are gone.
    PortGuard guard;
    if (!guard.start((paths.devices / port->name / "drvctl").string(), error)) {
        return refuse(kPortBindFailed, "cannot guard " + port->name + ": " + error);
    }
    int code = kPortGivenBack;
    if (!bindRawDriver(bus, *port, error)) {
        code = refuse(kPortBindFailed, error);
    } else {
        const int device = openDevice(paths, port->name, signals, error);
        if (device < 0) {
            code = refuse(kPortBindFailed, error);
        } else {
            if (sendDevice(device, "ok " + port->name + " " + type)) {
                ::close(device);
                while (!clientGone(signals, -1)) {
                }
            } else {
                ::close(device);
                std::fputs("tavrin-port: the program left before it got the port\n", stderr);
            }
        }
    }
    // Give back on every way out once serio_raw may hold the port.
    if (!bindKeyboardDriver(bus, *port, error)) {
        std::fprintf(stderr, "tavrin-port: could not give %s back to atkbd: %s\n",
                     port->name.c_str(), error.c_str());
        guard.giveBack();
        return kPortGiveBackFailed;
    }
    guard.standDown();
    return code;
}

}  // namespace

int main() {
    return run();
}
