#pragma once
// What tavrin-port and the program say to each other. The program starts the
// helper with one end of a Unix stream socket as its standard input (pkexec
// closes every other descriptor on exec). The helper answers with one
// message: "ok <port> <id/type>" with the open raw device attached
// (SCM_RIGHTS), or "error <reason>" without it. It then holds the port until
// that socket closes, and gives the port back to atkbd.

namespace tavrin::platform {

// Installed path; the polkit policy names the same file.
inline constexpr const char* kPortHelperPath = "/usr/libexec/tavrin/tavrin-port";
inline constexpr const char* kPkexecPath = "/usr/bin/pkexec";
inline constexpr const char* kPortPolicyPath =
    "/usr/share/polkit-1/actions/example.tavrin.port.policy";

inline constexpr int kPortMessageMax = 256;

// The helper's exit codes.
enum PortHelperExit : int {
    kPortGivenBack = 0,
    kPortNoClient = 1,    // standard input is not a socket
    kPortNoKeyboard = 2,  // no i8042 keyboard port
    kPortBusy = 3,        // another client holds the port
    kPortBindFailed = 4,  // serio_raw could not be bound or its device opened
    kPortGiveBackFailed = 5,
};

}  // namespace tavrin::platform
