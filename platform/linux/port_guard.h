#pragma once
// A small child process that gives the keyboard port back to atkbd when the
// process that bound serio_raw ends without doing so itself, SIGKILL
// included. It waits on a pipe only its parent writes to: a byte means the
// parent gave the port back; the pipe closing without one means the parent
// is gone, and the guard writes atkbd to the port's drvctl. It runs in its
// own session and ignores the signals a terminal sends (Ctrl+C, hang-up,
// Ctrl+Z), so it outlives, and is never stopped with, the parent they reach;
// a parent stopped while it holds the port has the port taken back.

#include <sys/types.h>

#include <string>

namespace tavrin::platform {

class PortGuard {
public:
    PortGuard() = default;
    // Closes the pipe: a guard not stood down gives the port back.
    ~PortGuard();
    PortGuard(const PortGuard&) = delete;
    PortGuard& operator=(const PortGuard&) = delete;

    // Forks the guard over this drvctl file; false with the reason.
    bool start(const std::string& drvctl, std::string& error);
    // The port went back to atkbd: the guard leaves without writing.
    void standDown();
    // The parent's own give-back failed or never ran: the guard tries.
    void giveBack();
    bool running() const { return pipe_ >= 0; }
    pid_t pid() const { return pid_; }

private:
    void end(bool stoodDown);

    int pipe_ = -1;
    pid_t pid_ = -1;
};

}  // namespace tavrin::platform
