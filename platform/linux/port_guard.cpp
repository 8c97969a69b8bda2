#include "platform/linux/port_guard.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/serio_bus.h"

namespace tavrin::platform {

namespace {

// The terminal's signals, job control's among them: a stopped guard could
// not give the port back.
constexpr int kIgnored[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU};

bool writeKeyboardDriver(const char* drvctl) {
    const int fd = ::open(drvctl, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const ssize_t written = ::write(fd, kKeyboardDriver.data(), kKeyboardDriver.size());
    ::close(fd);
    return written == static_cast<ssize_t>(kKeyboardDriver.size());
}

// /proc/PID/stat of the parent, built without the allocator (after fork).
void statPath(pid_t pid, char (&path)[32]) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + pid % 10);
        pid /= 10;
    } while (pid > 0 && n < 11);
    char* out = path;
    for (const char* c = "/proc/"; *c != '\0'; ++c) {
        *out++ = *c;
    }
    while (n > 0) {
        *out++ = digits[--n];
    }
    for (const char* c = "/stat"; *c != '\0'; ++c) {
        *out++ = *c;
    }
    *out = '\0';
}

// The parent stopped (Ctrl+Z, SIGSTOP): it cannot give the port back.
bool stopped(const char* stat) {
    const int fd = ::open(stat, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char text[512];
    const ssize_t n = ::read(fd, text, sizeof(text));
    ::close(fd);
    // "pid (name) S ...": the state follows the name's closing parenthesis.
    ssize_t name = n - 1;
    while (name >= 0 && text[name] != ')') {
        --name;
    }
    return name >= 0 && name + 2 < n && (text[name + 2] == 'T' || text[name + 2] == 't');
}

// The child runs only what is safe after fork() in a threaded program.
[[noreturn]] void guard(int pipe, const char* drvctl) {
    // Blocked since before the fork, so none of them can end us first.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    for (int s : kIgnored) {
        ::sigaction(s, &ignore, nullptr);
    }
    char stat[32];
    statPath(::getppid(), stat);
    ::setsid();             // out of the program's process group and its terminal
    ::close(STDIN_FILENO);  // the helper's client socket, or a terminal
    // A stopped parent gets the port taken back once; it may still stand us
    // down (or give back again) when it goes on.
    bool given = false;
    for (;;) {
        pollfd ready{pipe, POLLIN, 0};
        const int polled = ::poll(&ready, 1, 250);
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled == 0) {
            if (!given && stopped(stat)) {
                given = writeKeyboardDriver(drvctl);
            }
            continue;
        }
        char byte = 0;
        ssize_t n;
        while ((n = ::read(pipe, &byte, 1)) < 0 && errno == EINTR) {
        }
        if (n == 1) {
            ::_exit(0);
        }
        ::_exit(writeKeyboardDriver(drvctl) ? 0 : 1);
    }
}

}  // namespace

PortGuard::~PortGuard() {
    end(false);
}

bool PortGuard::start(const std::string& drvctl, std::string& error) {
    end(true);
#ifdef TAVRIN_TEST_BROKEN_HAND_BACK
    // The kernel harness's own check of itself: nothing guards the port.
    (void)drvctl;
    (void)error;
    return true;
#endif
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
