#pragma once
// Whether the program runs with administrator rights: the port driver can
// only be installed and opened with them.

namespace tavrin::platform {

// Windows: member of the Administrators group in the process token (an
// elevated process); elsewhere: the effective user is root.
bool runningAsAdministrator();

}  // namespace tavrin::platform
