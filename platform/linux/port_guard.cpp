#include "platform/linux/port_guard.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/serio_bus.h"

namespace tavrin::platform {

namespace {

// The terminal's signals, job control's among them: a stopped guard could
// not give the port back.
constexpr int kIgnored[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU};

// The child runs only what is safe after fork() in a threaded program.
[[noreturn]] void guard(int pipe, const char* drvctl) {
    // Blocked since before the fork, so none of them can end us first.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    for (int s : kIgnored) {
        ::sigaction(s, &ignore, nullptr);
    }
    ::setsid();             // out of the program's process group and its terminal
    ::close(STDIN_FILENO);  // the helper's client socket, or a terminal
    char byte = 0;
    ssize_t n;
    while ((n = ::read(pipe, &byte, 1)) < 0 && errno == EINTR) {
    }
    if (n == 1) {
        ::_exit(0);
    }
    const int fd = ::open(drvctl, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        ::_exit(1);
    }
    const ssize_t written = ::write(fd, kKeyboardDriver.data(), kKeyboardDriver.size());
    ::close(fd);
    ::_exit(written == static_cast<ssize_t>(kKeyboardDriver.size()) ? 0 : 1);
}

}  // namespace

PortGuard::~PortGuard() {
    end(false);
}

bool PortGuard::start(const std::string& drvctl, std::string& error) {
    end(true);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    sigset_t ignored, before;
    sigemptyset(&ignored);
    for (int s : kIgnored) {
        sigaddset(&ignored, s);
    }
    ::pthread_sigmask(SIG_BLOCK, &ignored, &before);
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::close(fds[1]);
        guard(fds[0], drvctl.c_str());
    }
    ::close(fds[0]);
    pipe_ = fds[1];
    pid_ = pid;
    return true;
}

void PortGuard::standDown() {
    end(true);
}

void PortGuard::giveBack() {
    end(false);
}

void PortGuard::end(bool stoodDown) {
    if (pipe_ < 0) {
        return;
    }
    if (stoodDown) {
        const char done = 1;
        while (::write(pipe_, &done, 1) < 0 && errno == EINTR) {
        }
    }
    ::close(pipe_);
    pipe_ = -1;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

}  // namespace tavrin::platform
