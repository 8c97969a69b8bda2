// tavrin-port: the only privileged part of Tavrin on Linux. It serves one
// program's session over the socket on its standard input: for each
// operation it takes the machine's port lock, finds the i8042 keyboard port
// itself, binds serio_raw and hands the open /dev/serio_rawN over; it binds
// atkbd again when the program says the operation ended, when the hold
// passes its bound, when the program stops or goes, whatever became of it.
// It takes nothing from its caller: arguments and environment are ignored,
// no shell is run.
//
// The build used by the tests (TAVRIN_PORT_FAKE_ROOT) reads a folder standing
// for / from TAVRIN_PORT_ROOT, a shorter bound from TAVRIN_PORT_HOLD_MS and a
// shorter wait for the node from TAVRIN_PORT_DEVICE_MS; the installed build
// has no such code.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/port_guard.h"
#include "platform/linux/port_lock.h"
#include "platform/linux/port_protocol.h"
#include "platform/linux/serio_bus.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrin::platform;

constexpr int kClient = STDIN_FILENO;
// How long udev may take to make /dev/serio_rawN after the bind.
constexpr int kDeviceWaitMs = 5000;

struct Paths {
    fs::path devices = kSerioDevices;
    fs::path dev = "/dev";
    fs::path lock = kPortLockPath;
    int holdLimitMs = kPortHoldLimitMs;
    int deviceWaitMs = kDeviceWaitMs;
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
    if (const char* ms = std::getenv("TAVRIN_PORT_HOLD_MS")) {
        paths.holdLimitMs = std::atoi(ms);
    }
    if (const char* ms = std::getenv("TAVRIN_PORT_DEVICE_MS")) {
        paths.deviceWaitMs = std::atoi(ms);
    }
#endif
    return paths;
}

void say(const std::string& message) {
    ::send(kClient, message.data(), message.size(), MSG_NOSIGNAL);
}

// One line on stderr and the same reason to the program; "busy" when
// another holder has the port, so the program may ask again later.
int refuse(int code, const std::string& reason) {
    std::fprintf(stderr, "tavrin-port: %s\n", reason.c_str());
    say((code == kPortBusy ? "busy " : "error ") + reason);
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

enum class Heard { Nothing, Bind, Release, Gone };

// What the program asked, waiting at most timeoutMs (-1: until it asks).
// Gone: the socket closed, or a signal asks us to stop.
Heard listen(int signals, int timeoutMs) {
    pollfd fds[2] = {{kClient, POLLIN, 0}, {signals, POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeoutMs);
    if (ready < 0) {
        return errno == EINTR ? Heard::Nothing : Heard::Gone;
    }
    if (fds[1].revents != 0) {
        return Heard::Gone;
    }
    if (fds[0].revents & POLLIN) {
        char request[32] = {};
        const ssize_t n = ::recv(kClient, request, sizeof(request) - 1, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            return Heard::Gone;
        }
        const std::string said(request, n > 0 ? static_cast<size_t>(n) : 0);
        return said == kPortBind      ? Heard::Bind
               : said == kPortRelease ? Heard::Release
                                      : Heard::Nothing;
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        return Heard::Gone;
    }
    return Heard::Nothing;
}

bool clientGone(int signals, int timeoutMs) {
    return listen(signals, timeoutMs) == Heard::Gone;
}

// The program that started us (pkexec became us) stopped by job control:
// it cannot end its operation, so the hold ends now.
bool clientStopped() {
    const std::string stat = "/proc/" + std::to_string(::getppid()) + "/stat";
    std::FILE* file = std::fopen(stat.c_str(), "re");
    if (file == nullptr) {
        return false;
    }
    char text[512] = {};
    const size_t n = std::fread(text, 1, sizeof(text) - 1, file);
    std::fclose(file);
    const std::string line(text, n);
    // "pid (name) S ...": the state follows the name's closing parenthesis.
    const size_t name = line.rfind(')');
    return name != std::string::npos && name + 2 < line.size() &&
           (line[name + 2] == 'T' || line[name + 2] == 't');
}

// The misc device serio_raw made for the port: misc/serio_rawK in its folder,
// then /dev/serio_rawK once udev has made it. -1 when the wait ends first.
int openDevice(const Paths& paths, const std::string& port, int signals, std::string& error) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(paths.deviceWaitMs);
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

// The port's id/type as the bus shows it, "-1" when unknown.
std::string portType(SerioBus& bus, const std::string& name) {
    std::vector<SerioPort> all;
    std::string reason;
    if (bus.listPorts(all, reason)) {
        for (const SerioPort& p : all) {
            if (p.name == name) {
                return std::to_string(p.type);
            }
        }
    }
    return "-1";
}

struct Hold {
    int code = kPortGivenBack;
    bool gone = false;  // the program left, or a signal ends us
};

// One operation: lock, bind, hand the device over, then give the port back
// on the program's word, its going, its stopping or the bound.
Hold holdOnce(const Paths& paths, int signals) {
    Hold hold;
    PortLock lock;
    std::string error;
    switch (lock.take(paths.lock, error)) {
        case PortLock::Outcome::Taken:
            break;
        case PortLock::Outcome::Held:
            hold.code = refuse(kPortBusy, error);
            return hold;
        case PortLock::Outcome::Failed:
            hold.code = refuse(kPortBindFailed, error);
            return hold;
    }
    SysfsSerioBus bus(paths.devices);
    const auto port = findKeyboardPort(bus, error);
    if (!port) {
        hold.code = refuse(kPortNoKeyboard, error);
        return hold;
    }
    // Killed with SIGKILL, we could not give the port back: a guard process
    // does, the moment we are gone.
    PortGuard guard;
    if (!guard.start((paths.devices / port->name / "drvctl").string(), error)) {
        hold.code = refuse(kPortBindFailed, "cannot guard " + port->name + ": " + error);
        return hold;
    }
    bool released = false;
    if (!bindRawDriver(bus, *port, error)) {
        hold.code = refuse(kPortBindFailed, error);
    } else if (const int device = openDevice(paths, port->name, signals, error); device < 0) {
        hold.code = refuse(kPortBindFailed, error);
    } else {
        const bool sent = sendDevice(device, "ok " + port->name + " " + portType(bus, port->name));
        ::close(device);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(paths.holdLimitMs);
        hold.gone = !sent;
        while (!hold.gone && !released) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                std::fprintf(stderr, "tavrin-port: the operation passed %d ms: %s goes back\n",
                             paths.holdLimitMs, port->name.c_str());
                break;
            }
            if (clientStopped()) {
                std::fputs("tavrin-port: the program was stopped: the port goes back\n", stderr);
                break;
            }
            const Heard heard =
                listen(signals, static_cast<int>(std::min<long long>(left.count(), 250)));
            hold.gone = heard == Heard::Gone;
            released = heard == Heard::Release;
        }
    }
    // Give back on every way out once serio_raw may hold the port.
    if (!bindKeyboardDriver(bus, *port, error)) {
        std::fprintf(stderr, "tavrin-port: could not give %s back to atkbd: %s\n",
                     port->name.c_str(), error.c_str());
        guard.giveBack();
        hold.code = kPortGiveBackFailed;
    } else {
        guard.standDown();
    }
    // The program may take the port again, or root's own path may, the
    // moment it hears we are done: the lock goes first.
    lock.drop();
    if (released) {
        say(kPortReleased);
    }
    return hold;
}

int run() {
    // Our own session: the terminal's job control (Ctrl+Z, a background
    // read or write) never stops us while we hold the port.
    ::setsid();
    for (int s : {SIGTSTP, SIGTTIN, SIGTTOU, SIGPIPE}) {
        std::signal(s, SIG_IGN);
    }
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
    const int signals = ::signalfd(-1, &stop, SFD_CLOEXEC);

    const Paths paths = choosePaths();
    int code = kPortGivenBack;
    for (;;) {
        const Heard heard = listen(signals, -1);
        if (heard == Heard::Gone) {
            return code;
        }
        if (heard == Heard::Release) {
            say(kPortReleased);  // already back (the bound passed)
        } else if (heard == Heard::Bind) {
            const Hold hold = holdOnce(paths, signals);
            code = hold.code == kPortGiveBackFailed || code == kPortGiveBackFailed
                       ? kPortGiveBackFailed
                       : hold.code;
            if (hold.gone) {
                return code;
            }
        }
    }
}

}  // namespace

int main() {
    return run();
}
