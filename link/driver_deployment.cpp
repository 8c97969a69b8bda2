#include "link/driver_deployment.h"

namespace tavrin::link {

std::string GetSystemDir(platform::FileSystem& files) {
    std::string dir = files.GetSystemDirectory();
    if (dir.size() > 255) {
        dir.resize(255);
    }
    return dir;
}

bool CopyDriverFile(platform::FileSystem& files, const std::string& source,
                    const std::string& target, bool failIfExists) {
    return files.CopyFile(source, target, failIfExists);
}

void DeployDriverFiles(platform::FileSystem& files) {
    const std::string program = files.programFolder();
    const std::string system = GetSystemDir(files);
    for (const DriverFileRow& row : kDriverFiles) {
        const std::string& folder = row.folder == DeployFolder::Program ? program : system;
        std::string target = files.joinPath(folder, std::string(row.target));
        if (!files.fileExists(target)) {
            CopyDriverFile(files, files.joinPath(program, std::string(row.source)), target, false);
        }
    }
}

bool OpenPortDriver(platform::PortDriver& driver, platform::FileSystem& files) {
    if (driver.InitializeWinIo()) {
        return true;
    }
    const std::string program = files.programFolder();
    CopyDriverFile(files, files.joinPath(program, "\\winiosys3"),
                   files.joinPath(program, "\\winio3.sys"), false);
    CopyDriverFile(files, files.joinPath(program, "\\winiodll3"),
                   files.joinPath(program, "\\winio3.dll"), false);
    return driver.InitializeWinIo();
}

}  // namespace tavrin::link
