#include "ui/sys_info.h"

namespace tavrin::ui {

void StartSysInfo(platform::Registry& registry, platform::FileSystem& files,
                  platform::ProgramLauncher& launcher, platform::OperatorDialogs& dialogs) {
    using platform::RegistryRoot;
    std::string path;
    if (auto value = registry.GetKeyValue(RegistryRoot::LocalMachine,
                                          "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH")) {
        path = *value;
    } else if (auto folder =
                   registry.GetKeyValue(RegistryRoot::LocalMachine,
                                        "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO")) {
        std::string candidate = *folder + "\\MSINFO32.EXE";
        if (files.fileExists(candidate)) {
            path = candidate;
        }
    }
    if (path.empty() || !launcher.startProgram(path)) {
        dialogs.MsgBox(kSysInfoUnavailable, "", platform::MsgIcon::None, platform::MsgButtons::Ok);
    }
}

}  // namespace tavrin::ui
