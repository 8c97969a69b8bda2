#pragma once
// The program's side of tavrin-port: starts the helper (through pkexec, or
// directly when already root), receives the open raw keyboard device and
// holds the socket for the session. Closing the lease, or the program ending
// in any way at all, makes the helper give the port back to atkbd.

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

class PortLease {
public:
    PortLease(int socket, int device, pid_t helper, std::string port, int type);
    ~PortLease();
    PortLease(const PortLease&) = delete;
    PortLease& operator=(const PortLease&) = delete;

    // The open raw device; the caller owns it from then on (-1 the second time).
    int takeDevice();
    const std::string& port() const { return port_; }
    int type() const { return type_; }  // the port's id/type, -1 when unknown
    pid_t helper() const { return helper_; }
    // Gives the port back now and waits for the helper: its exit code, or -1.
    int release();

private:
    int socket_;
    int device_;
    pid_t helper_;
    std::string port_;
    int type_;
    int exit_ = -1;
};

// The lease, or nullptr with the reason in one line.
std::unique_ptr<PortLease> acquireKeyboardPort(const PortHelperLaunch& launch, std::string& error);

}  // namespace tavrin::platform
