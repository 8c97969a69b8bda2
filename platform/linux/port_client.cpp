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

// Room for more descriptors than the one expected, so that any extra ones
// arrive and can be closed rather than be cut off unseen.
constexpr int kFdsRoom = 8;

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

struct Answer {
    ssize_t size = -1;  // 0: the helper closed the socket
    std::string text;
    int device = -1;  // the one descriptor expected, when exactly one came
    bool malformed = false;
};

// One message from the helper. Every descriptor but a single expected one
// is closed; a cut-off control part (MSG_CTRUNC) spoils the whole answer.
Answer receive(int socket) {
    Answer answer;
    char text[kPortMessageMax + 1] = {};
    iovec iov{text, kPortMessageMax};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kFdsRoom)] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof(control);
    // Through pkexec the first answer waits while the password is typed.
    while ((answer.size = ::recvmsg(socket, &msg, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    std::vector<int> fds;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); answer.size >= 0 && c != nullptr;
         c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
            const size_t n = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (size_t i = 0; i < n; ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
                fds.push_back(fd);
            }
        } else {
            answer.malformed = true;
        }
    }
    answer.malformed = answer.malformed || (msg.msg_flags & (MSG_CTRUNC | MSG_TRUNC)) != 0;
    if (fds.size() == 1 && !answer.malformed) {
        answer.device = fds.front();
    } else {
        answer.malformed = answer.malformed || fds.size() > 1;
        for (int fd : fds) {
            ::close(fd);
        }
    }
    if (answer.size > 0) {
        answer.text.assign(text, static_cast<size_t>(answer.size));
    }
    return answer;
}

bool ask(int socket, const char* request) {
    return ::send(socket, request, std::strlen(request), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(std::strlen(request));
}

}  // namespace

PortSession::PortSession(int socket, pid_t helper, PortHelperLaunch launch)
    : socket_(socket), helper_(helper), launch_(std::move(launch)) {}

PortSession::~PortSession() {
    end();
}

int PortSession::hold(std::string& error) {
    busy_ = false;
    if (socket_ < 0) {
        error = silentEnd(exit_, launch_);
        return -1;
    }
    Answer answer;
    if (ask(socket_, kPortBind)) {
        answer = receive(socket_);
    }
    if (answer.size <= 0) {
        end();
        error = silentEnd(exit_, launch_);
        return -1;
    }
    if (answer.malformed) {
        // The helper is not ours, or broken: nothing it sent is kept.
        end();
        error = "the keyboard port helper sent descriptors it should not have";
        return -1;
    }
    if (answer.device < 0 || answer.text.rfind("ok ", 0) != 0) {
        if (answer.device >= 0) {
            ::close(answer.device);
        }
        busy_ = answer.text.rfind("busy ", 0) == 0;
        if (busy_) {
            error = answer.text.substr(5);
        } else if (answer.text.rfind("error ", 0) == 0) {
            error = answer.text.substr(6);
        } else {
            error = "the keyboard port helper said '" + answer.text + "'";
        }
        return -1;
    }
    // "ok serio0 6"
    port_ = answer.text.substr(3);
    type_ = -1;
    if (auto space = port_.find(' '); space != std::string::npos) {
        type_ = std::atoi(port_.c_str() + space + 1);
        port_.resize(space);
    }
    return answer.device;
}

bool PortSession::giveBack() {
    if (socket_ < 0) {
        return false;
    }
    if (ask(socket_, kPortRelease)) {
        const Answer answer = receive(socket_);
        if (answer.size > 0 && !answer.malformed && answer.device < 0 &&
            answer.text == kPortReleased) {
            return true;
        }
        if (answer.device >= 0) {
            ::close(answer.device);
        }
    }
    end();
    return false;
}

int PortSession::end() {
    if (socket_ >= 0) {
        ::close(socket_);  // the helper's signal to give the port back and go
        socket_ = -1;
        exit_ = waitHelper(helper_);
    }
    return exit_;
}

std::unique_ptr<PortSession> startPortHelper(const PortHelperLaunch& launch, std::string& error) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) {
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
    return std::make_unique<PortSession>(sv[0], pid, launch);
}

PortLease::PortLease(std::unique_ptr<PortSession> session, int device)
    : session_(std::move(session)), device_(device) {}

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
    return session_->end();
}

std::unique_ptr<PortLease> acquireKeyboardPort(const PortHelperLaunch& launch, std::string& error) {
    auto session = startPortHelper(launch, error);
    if (!session) {
        return nullptr;
    }
    const int device = session->hold(error);
    if (device < 0) {
        session->end();
        return nullptr;
    }
    return std::make_unique<PortLease>(std::move(session), device);
}

}  // namespace tavrin::platform
