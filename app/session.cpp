#include "app/session.h"

#include <filesystem>
#include <system_error>

#include "app/keyboard_image_file.h"

namespace tavrin::app {

std::string programFolder(const char* argv0) {
    std::error_code ec;
    auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    if (ec) {
        exe = std::filesystem::absolute(argv0 != nullptr ? argv0 : ".", ec);
    }
    return exe.parent_path().string();
}

class Session::NotifyingPump : public platform::EventPump {
public:
    NotifyingPump(platform::EventPump& inner, std::function<void()> after)
        : inner_(inner), after_(std::move(after)) {}
    void processEvents(std::uint32_t maxWaitMs) override {
        inner_.processEvents(maxWaitMs);
        if (after_) {
            after_();
        }
    }

private:
    platform::EventPump& inner_;
    std::function<void()> after_;
};

Session::Session(const SessionSettings& settings, FrontEnd frontEnd, const char* argv0)
    : settings_(settings), frontEnd_(std::move(frontEnd)) {
    if (settings.simulate) {
        keyboard_ =
            std::make_unique<sim::SimulatedKeyboard>(*frontEnd_.simClock, frontEnd_.simulator);
        simFiles_ = std::make_unique<platform::StdFileSystem>(programFolder(argv0), "");
    } else {
        native_ = makeNativePlatform(argv0);
    }
    logging_ = std::make_unique<LoggingPortDriver>(
        rawPorts(), ticks(), [this](std::uint32_t tick, std::uint8_t byte) {
            wireLog_.record(static_cast<std::int32_t>(tick - startTick_), byte);
        });
    events_ = std::make_unique<NotifyingPump>(rawEvents(), frontEnd_.afterEvents);
    window_ = std::make_unique<ui::MsrWindow>(
        ui::Platform{*logging_, ticks(), *events_, timer1(), hooks(), version(), files(),
                     frontEnd_.dialogs, registry(), launcher()});
}

Session::~Session() = default;

bool Session::prepare(std::string& error) {
    std::error_code ec;
    if (keyboard_ && !settings_.simImage.empty() &&
        std::filesystem::exists(settings_.simImage, ec)) {
        KeyboardEeprom eeprom{};
        if (!loadKeyboardImage(*simFiles_, settings_.simImage, eeprom)) {
            error = "cannot read the simulated keyboard's image " + settings_.simImage;
            return false;
        }
        keyboard_->firmware().setEeprom(eeprom);
    }
    startTick_ = ticks().GetTickCount();
    if (!settings_.wireLog.empty() && !wireLog_.open(settings_.wireLog)) {
        error = "cannot write the wire log " + settings_.wireLog;
        return false;
    }
    prepared_ = true;
    return true;
}

bool Session::finish(std::string& error) {
    if (!window_->ended()) {
        window_->Form_Unload();  // the front end ended some other way
    }
    bool ok = true;
    if (!wireLog_.close()) {
        error = "cannot write the wire log " + settings_.wireLog;
        ok = false;
    }
    if (prepared_ && keyboard_ && !settings_.simImage.empty() &&
        !saveKeyboardImage(*simFiles_, settings_.simImage, keyboard_->firmware().eeprom())) {
        if (!error.empty()) {
            error += "; ";
        }
        error += "cannot save the simulated keyboard to " + settings_.simImage;
        ok = false;
    }
    return ok;
}

platform::PortDriver& Session::rawPorts() {
    return keyboard_ ? static_cast<platform::PortDriver&>(keyboard_->ports()) : native_->ports();
}
platform::TickCounter& Session::ticks() {
    return keyboard_ ? static_cast<platform::TickCounter&>(keyboard_->host()) : native_->ticks();
}
platform::EventPump& Session::rawEvents() {
    if (keyboard_) {
        return keyboard_->host();
    }
    return frontEnd_.nativeEvents != nullptr ? *frontEnd_.nativeEvents : native_->events();
}
platform::Timer& Session::timer1() {
    if (keyboard_) {
        return keyboard_->host();
    }
    return frontEnd_.nativeTimer1 != nullptr ? *frontEnd_.nativeTimer1 : native_->timer1();
}
platform::KeyboardHookApi& Session::hooks() {
    return keyboard_ ? static_cast<platform::KeyboardHookApi&>(keyboard_->host())
                     : native_->hooks();
}
platform::VersionQuery& Session::version() {
    return keyboard_ ? static_cast<platform::VersionQuery&>(keyboard_->host()) : native_->version();
}
platform::FileSystem& Session::files() {
    return keyboard_ ? static_cast<platform::FileSystem&>(*simFiles_) : native_->files();
}
platform::Registry& Session::registry() {
    return keyboard_ ? static_cast<platform::Registry&>(noRegistry_) : native_->registry();
}
platform::ProgramLauncher& Session::launcher() {
    return keyboard_ ? static_cast<platform::ProgramLauncher&>(noLauncher_) : native_->launcher();
}

}  // namespace tavrin::app
