#include "platform/linux/port_client.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrin::platform {

namespace {

int waitHelper(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Why the helper ended without a word (it explains itself otherwise).
std::string silentEnd(int code, const PortHelperLaunch& launch) {
    if (!launch.asRoot && code == 126) {
        return "the administrator's password was not given";
    }
    if (!launch.asRoot && code == 127) {
        return "not allowed to take the keyboard port (pkexec: " + launch.helper + ")";
    }
    if (code == 127) {
        return "could not start " + launch.helper;
    }
    return "the keyboard port helper ended (exit " + std::to_string(code) + ")";
}

}  // namespace

PortLease::PortLease(int socket, int device, pid_t helper, std::string port, int type)
    : socket_(socket), device_(device), helper_(helper), port_(std::move(port)), type_(type) {}

PortLease::~PortLease() {
    release();
    if (device_ >= 0) {
        ::close(device_);
    }
}

int PortLease::takeDevice() {
    int fd = device_;
    device_ = -1;
    return fd;
}

int PortLease::release() {
    if (socket_ >= 0) {
        ::close(socket_);  // the helper's signal to give the port back
        socket_ = -1;
        exit_ = waitHelper(helper_);
    }
    return exit_;
}

std::unique_ptr<PortLease> acquireKeyboardPort(const PortHelperLaunch& launch, std::string& error) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        error = std::string("socketpair: ") + std::strerror(errno);
        return nullptr;
    }
    // Built before fork: the child only calls what is safe there.
    std::vector<char*> argv;
    const std::string& program = launch.asRoot ? launch.helper : launch.pkexec;
    argv.push_back(const_cast<char*>(program.c_str()));
    if (!launch.asRoot) {
        argv.push_back(const_cast<char*>(launch.helper.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(sv[0]);
        ::close(sv[1]);
        return nullptr;
    }
    if (pid == 0) {
        // The helper's end becomes its standard input (pkexec keeps only 0-2).
        if (sv[1] == STDIN_FILENO) {
            ::fcntl(sv[1], F_SETFD, 0);
        } else if (::dup2(sv[1], STDIN_FILENO) < 0) {
            ::_exit(127);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(sv[1]);

    char text[kPortMessageMax + 1] = {};
    iovec iov{text, kPortMessageMax};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof(control);
    ssize_t n;
    // Through pkexec this waits while the administrator types the password.
    while ((n = ::recvmsg(sv[0], &msg, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    int device = -1;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); n > 0 && c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS &&
            c->cmsg_len == CMSG_LEN(sizeof(int))) {
            std::memcpy(&device, CMSG_DATA(c), sizeof(int));
        }
    }
    const std::string answer(text, n > 0 ? static_cast<size_t>(n) : 0);
    if (device < 0 || answer.rfind("ok ", 0) != 0) {
        if (device >= 0) {
            ::close(device);
        }
        ::close(sv[0]);
        const int code = waitHelper(pid);
        error = answer.rfind("error ", 0) == 0 ? answer.substr(6) : silentEnd(code, launch);
        return nullptr;
    }
    // "ok serio0 6"
    std::string port = answer.substr(3);
    int type = -1;
    if (auto space = port.find(' '); space != std::string::npos) {
        type = std::atoi(port.c_str() + space + 1);
        port.resize(space);
    }
    return std::make_unique<PortLease>(sv[0], device, pid, port, type);
}

}  // namespace tavrin::platform
