#pragma once
// What tavrin-port and the program say to each other. The program starts the
// helper once for its session, with one end of a Unix packet socket as its
// standard input (pkexec closes every other descriptor on exec). Each
// operation asks "bind"; the helper answers "ok <port> <id/type>" with the
// open raw device attached (SCM_RIGHTS), or "error <reason>" without it
// ("busy <reason>" when another Tavrin holds the port).
// "release" gives the port back to atkbd and is answered "released". A hold
// that passes kPortHoldLimitMs is given back whatever the program does; the
// socket closing gives back and ends the helper.

namespace tavrin::platform {

// Installed path, under the prefix the programs were built for; the polkit
// policy names the same file.
#ifdef TAVRIN_PORT_HELPER_PATH
inline constexpr const char* kPortHelperPath = TAVRIN_PORT_HELPER_PATH;
#else
inline constexpr const char* kPortHelperPath = "/usr/libexec/tavrin/tavrin-port";
#endif
inline constexpr const char* kPkexecPath = "/usr/bin/pkexec";
// polkit reads its actions from here alone, whatever Tavrin's prefix.
inline constexpr const char* kPortPolicyPath =
    "/usr/share/polkit-1/actions/example.tavrin.port.policy";

inline constexpr int kPortMessageMax = 256;
inline constexpr const char* kPortBind = "bind";
inline constexpr const char* kPortRelease = "release";
inline constexpr const char* kPortReleased = "released";
// Well past the longest operation: a whole-image write with its verify takes
// about 5 s, a read whose answer never comes 15 s; a window's success box
// left open keeps its operation running until this.
inline constexpr int kPortHoldLimitMs = 90 * 1000;

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
