// The Windows backends of every seam, for the front ends.

#ifdef _WIN32

#include "app/native_platform.h"

#include "platform/win32/win32_events.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_hooks.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system_security.h"
#include "platform/win32/win32_version.h"
#include "platform/win32/winio_port_driver.h"

namespace tavrin::platform::win32 {

namespace {

class Win32NativePlatform : public app::NativePlatform {
public:
    // The running executable's folder, not argv0: the driver library is
    // loaded from there, and argv0 is whatever the starter chose to pass.
    Win32NativePlatform() : ports_(files_.programFolder()) {}

    PortDriver& ports() override { return ports_; }
    TickCounter& ticks() override { return ticks_; }
    EventPump& events() override { return events_; }
    Timer& timer1() override { return timer1_; }
    KeyboardHookApi& hooks() override { return hooks_; }
    VersionQuery& version() override { return version_; }
    FileSystem& files() override { return files_; }
    Registry& registry() override { return registry_; }
    ProgramLauncher& launcher() override { return launcher_; }
    SystemSecurity& security() override { return security_; }

private:
    Win32FileSystem files_;
    WinIoPortDriver ports_;
    Win32Ticks ticks_;
    Win32EventPump events_;
    Win32Timer timer1_{1000};
    Win32Hooks hooks_;
    Win32Version version_;
    Win32Registry registry_;
    Win32Launcher launcher_;
    Win32SystemSecurity security_;
};

}  // namespace

}  // namespace tavrin::platform::win32

namespace tavrin::app {

std::unique_ptr<NativePlatform> makeNativePlatform(const char* argv0, const NativeOptions&) {
    (void)argv0;
    return std::make_unique<platform::win32::Win32NativePlatform>();
}

}  // namespace tavrin::app

#endif
