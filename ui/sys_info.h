#pragma once
// frmAbout's "System Info....": finds the system information viewer through
// the registry and starts it.

#include <string>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace tavrin::ui {

inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

void StartSysInfo(platform::Registry& registry, platform::FileSystem& files,
                  platform::ProgramLauncher& launcher, platform::OperatorDialogs& dialogs);

}  // namespace tavrin::ui
