#include "app/session.h"

#include <filesystem>
#include <system_error>

#include "app/keyboard_image_file.h"
#include "app/null_backends.h"
#include "platform/std_file_system.h"

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

// The simulated keyboard behind every seam; files in the program folder.
class Session::SimulatedBackends : public NativePlatform {
public:
    SimulatedBackends(platform::Clock& clock, const sim::SimulatedKeyboard::Options& options,
                      const char* argv0)
        : keyboard(clock, options), files_(programFolder(argv0), "") {}

    platform::PortDriver& ports() override { return keyboard.ports(); }
    platform::TickCounter& ticks() override { return keyboard.host(); }
    platform::EventPump& events() override { return keyboard.host(); }
    platform::Timer& timer1() override { return keyboard.host(); }
    platform::KeyboardHookApi& hooks() override { return keyboard.host(); }
    platform::VersionQuery& version() override { return keyboard.host(); }
    platform::FileSystem& files() override { return files_; }
    platform::Registry& registry() override { return registry_; }
    platform::ProgramLauncher& launcher() override { return launcher_; }
    platform::SystemSecurity& security() override { return security_; }

    sim::SimulatedKeyboard keyboard;

private:
    platform::StdFileSystem files_;
    AbsentRegistry registry_;
    AbsentLauncher launcher_;
    AbsentSystemSecurity security_;
};

Session::Session(const SessionSettings& settings, FrontEnd frontEnd, const char* argv0)
    : settings_(settings), frontEnd_(std::move(frontEnd)) {
    if (settings.simulate) {
        auto simulated =
            std::make_unique<SimulatedBackends>(*frontEnd_.simClock, frontEnd_.simulator, argv0);
        simulated_ = simulated.get();
        backends_ = std::move(simulated);
    } else {
        NativeOptions native;
        native.serioBus = settings.serioBus;
        native.serioPort = settings.serioPort;
        native.trace = &trace_;
        backends_ = makeNativePlatform(argv0, native);
    }
    NativePlatform& b = *backends_;
    // A toolkit's own loop and timer wait for the machine, not for the simulation.
    const bool toolkitLoop = !simulated_ && frontEnd_.nativeEvents != nullptr;
    const bool toolkitTimer = !simulated_ && frontEnd_.nativeTimer1 != nullptr;
    logging_ = std::make_unique<LoggingPortDriver>(
        b.ports(), b.ticks(), [this](std::uint32_t tick, std::uint8_t byte) {
            wireLog_.record(static_cast<std::int32_t>(tick - startTick_), byte);
        });
    events_ = std::make_unique<NotifyingPump>(
        toolkitLoop ? b.aroundEventLoop(*frontEnd_.nativeEvents) : b.events(),
        frontEnd_.afterEvents);
    window_ = std::make_unique<ui::MsrWindow>(ui::Platform{
        *logging_, b.ticks(), *events_, toolkitTimer ? *frontEnd_.nativeTimer1 : b.timer1(),
        b.hooks(), b.version(), b.files(), frontEnd_.dialogs, b.registry(), b.launcher()});
}

Session::~Session() = default;

bool Session::prepare(std::string& error) {
    std::error_code ec;
    if (simulated_ && settings_.makeImageFolder && !settings_.simImage.empty()) {
        const auto folder = std::filesystem::path(settings_.simImage).parent_path();
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec) &&
            !std::filesystem::create_directories(folder, ec)) {
            error =
                "cannot make the folder " + folder.string() + " for the simulated keyboard's image";
            return false;
        }
    }
    if (simulated_ && !settings_.simImage.empty()) {
        KeyboardEeprom eeprom{};
        const ImageFileLoad image =
            loadKeyboardImage(simulated_->files(), settings_.simImage, eeprom);
        if (image.state == ImageFileState::Refused) {
            error = "cannot take " + settings_.simImage +
                    " as the simulated keyboard's image: " + image.reason +
                    "; it is left as it is";
            return false;
        }
        if (image.state == ImageFileState::Loaded) {
            simulated_->keyboard.firmware().setEeprom(eeprom);
        }
    }
    startTick_ = backends_->ticks().GetTickCount();
    // Both are opened here, before the keyboard's port is first taken.
    std::string why;
    if (!settings_.wireLog.empty() && !wireLog_.open(settings_.wireLog, &why)) {
        error = "cannot write the wire log " + settings_.wireLog +
                (why.empty() ? " (" + wireLog_.openError() + ")" : ": " + why);
        return false;
    }
    if (!settings_.trace.empty() && !trace_.open(settings_.trace, &why)) {
        error = "cannot write the trace " + settings_.trace +
                (why.empty() ? " (" + trace_.openError() + ")" : ": " + why);
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
    if (!trace_.close()) {
        if (!error.empty()) {
            error += "; ";
        }
        error += "cannot write the trace " + settings_.trace;
        ok = false;
    }
    if (prepared_ && simulated_ && !settings_.simImage.empty()) {
        const platform::SaveResult saved = saveKeyboardImage(
            simulated_->files(), settings_.simImage, simulated_->keyboard.firmware().eeprom());
        if (!saved) {
            if (!error.empty()) {
                error += "; ";
            }
            error += "cannot save the simulated keyboard to " + settings_.simImage + " (" +
                     std::string(saved.reason()) + ")";
            ok = false;
        }
    }
    return ok;
}

sim::SimulatedKeyboard* Session::keyboard() {
    return simulated_ ? &simulated_->keyboard : nullptr;
}

}  // namespace tavrin::app
