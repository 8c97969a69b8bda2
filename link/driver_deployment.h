#pragma once
// The port driver's files must sit where the system finds them before the
// driver can be opened: copied from the program folder when missing.

#include <array>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/port_driver.h"

namespace tavrin::link {

enum class DeployFolder { Program, System };

struct DriverFileRow {
    DeployFolder folder;
    std::string_view target;  // appended to the folder
    std::string_view source;  // in the program folder
};

inline constexpr std::array<DriverFileRow, 9> kDriverFiles{{
    {DeployFolder::Program, "\\winio.dll", "\\winiodll"},
    {DeployFolder::Program, "\\winio.sys", "\\winiosys"},
    {DeployFolder::System, "\\winio.dll", "\\winiodll"},
    {DeployFolder::System, "\\winio.sys", "\\winiosys"},
    {DeployFolder::Program, "\\winio3.dll", "\\winiodll3"},
    {DeployFolder::Program, "\\winio3.sys", "\\winiosys3"},
    {DeployFolder::System, "\\winio3.dll", "\\winiodll3"},
    {DeployFolder::System, "\\winio3.sys", "\\winiosys3"},
    {DeployFolder::System, "\\winio.vxd", "\\winio.vxd"},
}};

// At most 255 characters; empty when the system call fails.
std::string GetSystemDir(platform::FileSystem& files);
bool CopyDriverFile(platform::FileSystem& files, const std::string& source,
                    const std::string& target, bool failIfExists);

// Copies every missing target from its source (overwriting, results ignored).
void DeployDriverFiles(platform::FileSystem& files);

// Opens the driver; when that fails, copies the program folder's winio3
// files once more and tries again. True when the driver is open.
bool OpenPortDriver(platform::PortDriver& driver, platform::FileSystem& files);

}  // namespace tavrin::link
