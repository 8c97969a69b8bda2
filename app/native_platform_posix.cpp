// Outside Windows the program runs on the steady clock. A Linux machine with
// an i8042 keyboard port reaches the keyboard through the kernel's raw port
// (serio_raw); anywhere else there is no port driver and no system keyboard
// hook, and a controller that never answers.

#ifndef _WIN32

#include <unistd.h>

#include "app/native_platform.h"
#include "app/null_backends.h"
#include "app/real_clock.h"
#include "platform/clock_host.h"
#include "platform/std_file_system.h"

#ifdef __linux__
#include "app/raw_port_backend.h"
#include "platform/linux/port_client.h"
#include "platform/linux/raw_port_source.h"
#endif

namespace tavrin::app {

namespace {

class PosixPlatform : public NativePlatform {
public:
    PosixPlatform(const char* argv0, const NativeOptions& options)
        : files_(programFolder(argv0), "") {
#ifdef __linux__
        const std::filesystem::path devices =
            options.serioBus.empty() ? std::filesystem::path(platform::kSerioDevices)
                                     : std::filesystem::path(options.serioBus) / "devices";
        bus_ = std::make_unique<platform::SysfsSerioBus>(devices);
        std::string why;
        if (platform::findKeyboardPort(*bus_, why, options.serioPort)) {
            if (::geteuid() == 0) {
                platform::DirectRawPortSource::Paths paths;
                paths.devices = devices;
                source_ = std::make_unique<platform::DirectRawPortSource>(*bus_, paths);
            } else {
                // The privileged helper binds the port for each operation
                // and passes it over; started once, through pkexec, on the
                // first operation, and ended with the program.
                source_ = std::make_unique<platform::HelperRawPortSource>(
                    [this](std::string& reason, bool& busy) {
                        if (!helper_) {
                            helper_ =
                                platform::startPortHelper(platform::PortHelperLaunch{}, reason);
                        }
                        const int fd = helper_ ? helper_->hold(reason) : -1;
                        busy = helper_ && helper_->refusedBusy();
                        return fd;
                    },
                    [this] {
                        if (helper_) {
                            helper_->giveBack();
                        }
                    });
            }
            raw_ = std::make_unique<RawPortBackend>(*bus_, *source_, host_, host_, options.trace);
            raw_->usePort(options.serioPort);
            ports_ = raw_.get();
            events_ = raw_.get();
            hooks_ = raw_.get();
        } else {
            reason_ = "no i8042 keyboard port on this machine";
        }
#else
        (void)options;
#endif
    }

    platform::PortDriver& ports() override {
        return *ports_;
    }
    platform::TickCounter& ticks() override {
        return host_;
    }
    platform::EventPump& events() override {
        return *events_;
    }
    platform::Timer& timer1() override {
        return host_;
    }
    platform::KeyboardHookApi& hooks() override {
        return *hooks_;
    }
    platform::VersionQuery& version() override {
        return host_;
    }
    platform::FileSystem& files() override {
        return files_;
    }
    platform::Registry& registry() override {
        return registry_;
    }
    platform::ProgramLauncher& launcher() override {
        return launcher_;
    }
    platform::EventPump& aroundEventLoop(platform::EventPump& loop) override {
#ifdef __linux__
        if (raw_) {
            raw_->runBetween(loop);
            return *raw_;
        }
#endif
        return loop;
    }
    std::string portUnavailableReason() const override {
#ifdef __linux__
        if (raw_) {
            return raw_->reason();
        }
#endif
        return reason_;
    }
    std::string portTrouble() const override {
#ifdef __linux__
        if (raw_) {
            return raw_->trouble();
        }
#endif
        return {};
    }
    platform::SystemSecurity& security() override {
        return security_;
    }

private:
    app::RealClock clock_;
    platform::ClockHost host_{clock_};
    AbsentPortDriver absent_;
    platform::StdFileSystem files_;
    AbsentRegistry registry_;
    AbsentLauncher launcher_;
    AbsentSystemSecurity security_;
    std::string reason_;
    platform::PortDriver* ports_ = &absent_;
    platform::EventPump* events_ = &host_;
    platform::KeyboardHookApi* hooks_ = &host_;
#ifdef __linux__
    std::unique_ptr<platform::SerioBus> bus_;
    std::unique_ptr<platform::PortSession> helper_;  // tavrin-port, for the session
    std::unique_ptr<platform::RawPortSource> source_;
    std::unique_ptr<RawPortBackend> raw_;
#endif
};

}  // namespace

std::unique_ptr<NativePlatform> makeNativePlatform(const char* argv0,
                                                   const NativeOptions& options) {
    return std::make_unique<PosixPlatform>(argv0, options);
}

}  // namespace tavrin::app

#endif
