#ifndef _WIN32

#include <unistd.h>

#include "platform/privileges.h"

namespace tavrin::platform {

bool runningAsAdministrator() {
    return geteuid() == 0;
}

}  // namespace tavrin::platform

#endif
