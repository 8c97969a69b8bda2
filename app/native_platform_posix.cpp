// Outside Windows there is no port driver and no system keyboard hook: the
// program runs on the steady clock with a controller that never answers.

#ifndef _WIN32

#include "app/native_platform.h"
#include "app/null_backends.h"
#include "platform/std_file_system.h"
#include "sim/real_clock.h"
#include "sim/sim_host.h"

namespace tavrin::app {

namespace {

class PosixPlatform : public NativePlatform {
public:
    explicit PosixPlatform(const char* argv0) : files_(programFolder(argv0), "") {}

    platform::PortDriver& ports() override { return ports_; }
    platform::TickCounter& ticks() override { return host_; }
    platform::EventPump& events() override { return host_; }
    platform::Timer& timer1() override { return host_; }
    platform::KeyboardHookApi& hooks() override { return host_; }
    platform::VersionQuery& version() override { return host_; }
    platform::FileSystem& files() override { return files_; }
    platform::Registry& registry() override { return registry_; }
    platform::ProgramLauncher& launcher() override { return launcher_; }
    platform::SystemSecurity& security() override { return security_; }

private:
    sim::RealClock clock_;
    sim::SimHost host_{clock_};
    AbsentPortDriver ports_;
    platform::StdFileSystem files_;
    AbsentRegistry registry_;
    AbsentLauncher launcher_;
    AbsentSystemSecurity security_;
};

}  // namespace

std::unique_ptr<NativePlatform> makeNativePlatform(const char* argv0) {
    return std::make_unique<PosixPlatform>(argv0);
}

}  // namespace tavrin::app

#endif
