#pragma once
// The program's side of tavrin-port: starts the helper once (through
// pkexec, or directly when already root), then asks it to bind the port for
// each operation and give it back after. Closing the session, or the program
// ending in any way at all, makes the helper give the port back to atkbd.

#include <sys/types.h>
#include <memory>
#include <string>

#include "platform/linux/port_protocol.h"

namespace tavrin::platform {

struct PortHelperLaunch {
    std::string helper = kPortHelperPath;
    std::string pkexec = kPkexecPath;
    bool asRoot = false;  // start the helper itself, not through pkexec
};

// One helper for a whole session: at most one password prompt.
class PortSession {
public:
    PortSession(int socket, pid_t helper, PortHelperLaunch launch);
    ~PortSession();
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;

    // Binds the port for one operation: the open raw device, which the
    // caller owns, or -1 with the reason in one line.
    int hold(std::string& error);
    // The last hold was refused because another Tavrin holds the port.
    bool refusedBusy() const { return busy_; }
    // Gives the port back and waits for the helper's word; false when the
    // helper is gone (it gave the port back as it went).
    bool giveBack();
    const std::string& port() const { return port_; }
    int type() const { return type_; }  // the port's id/type, -1 when unknown
    pid_t helper() const { return helper_; }
    bool alive() const { return socket_ >= 0; }
    // Ends the helper, which gives back what it holds: its exit code, or -1.
    int end();

private:
    int socket_;
    pid_t helper_;
    PortHelperLaunch launch_;
    std::string port_;
    int type_ = -1;
    int exit_ = -1;
    bool busy_ = false;
};

// Starts the helper (nothing is bound yet), or nullptr with the reason.
std::unique_ptr<PortSession> startPortHelper(const PortHelperLaunch& launch, std::string& error);

// One hold in one session: the helper started and the port bound at once.
class PortLease {
public:
    PortLease(std::unique_ptr<PortSession> session, int device);
    ~PortLease();
    PortLease(const PortLease&) = delete;
    PortLease& operator=(const PortLease&) = delete;

    // The open raw device; the caller owns it from then on (-1 the second time).
    int takeDevice();
    const std::string& port() const { return session_->port(); }
    int type() const { return session_->type(); }
    pid_t helper() const { return session_->helper(); }
    // Gives the port back now and waits for the helper: its exit code, or -1.
    int release();

private:
    std::unique_ptr<PortSession> session_;
    int device_;
};

// The lease, or nullptr with the reason in one line.
std::unique_ptr<PortLease> acquireKeyboardPort(const PortHelperLaunch& launch, std::string& error);

}  // namespace tavrin::platform
