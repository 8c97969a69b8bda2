#pragma once
// Forced into the core suites of the Windows cross build: the few POSIX
// calls they make where a test depends on the Unix side of the machine.
// Under Wine that is the Unix user Wine runs as, which tools/ci-windows.sh
// passes in TAVRIN_UNIX_EUID; on Windows itself nobody is root.

#include <cstdlib>

inline unsigned geteuid() {
    const char* euid = std::getenv("TAVRIN_UNIX_EUID");
    return euid != nullptr && *euid != '\0' ? static_cast<unsigned>(std::atoi(euid)) : 1000u;
}
