#include "cli/session.h"

#include <filesystem>

#include "app/keyboard_image_file.h"
#include "sim/real_clock.h"
#include "sim/virtual_clock.h"

namespace tavrin::cli {

namespace {

std::string programFolder(const char* argv0) {
    std::error_code ec;
    auto path = std::filesystem::absolute(argv0 ? argv0 : ".", ec);
    return path.parent_path().string();
}

}  // namespace

// Every wait of a read or a write pumps events; between them the pump
// tells how many keys of the answer have arrived.
class Session::ProgressPump : public platform::EventPump {
public:
    ProgressPump(platform::EventPump& inner, std::ostream* progress)
        : inner_(inner), progress_(progress) {}
    void watch(ui::MsrWindow* window) { window_ = window; }

    void processEvents(std::uint32_t maxWaitMs) override {
        inner_.processEvents(maxWaitMs);
        if (progress_ == nullptr || window_ == nullptr) {
            return;
        }
        const auto& capture = window_->capture();
        const int keys = window_->counters().keyCount;
        const bool capturing = capture.hookInstalled();
        if (capturing && keys != shownKeys_) {
            shownKeys_ = keys;
            *progress_ << "\rreading: " << keys << " of " << capture.dumpBuffer().size() << " keys"
                       << std::flush;
            lineOpen_ = true;
        } else if (!capturing && lineOpen_) {
            *progress_ << '\n' << std::flush;
            lineOpen_ = false;
            shownKeys_ = -1;
        }
    }

private:
    platform::EventPump& inner_;
    std::ostream* progress_;
    ui::MsrWindow* window_ = nullptr;
    int shownKeys_ = -1;
    bool lineOpen_ = false;
};

Session::Session(const SessionSettings& settings, const CliOptions& options, const char* argv0,
                 CliDialogs& dialogs)
    : settings_(settings), dialogs_(dialogs) {
    if (settings.simulate) {
        if (options.virtualClock) {
            clock_ = std::make_unique<sim::VirtualClock>();
        } else {
            clock_ = std::make_unique<sim::RealClock>();
        }
        keyboard_ = std::make_unique<sim::SimulatedKeyboard>(*clock_, options.simulator);
        simFiles_ = std::make_unique<platform::StdFileSystem>(programFolder(argv0), "");
        if (!settings.simImage.empty()) {
            app::KeyboardEeprom eeprom{};
            if (app::loadKeyboardImage(*simFiles_, settings.simImage, eeprom)) {
                keyboard_->firmware().setEeprom(eeprom);
            }
        }
    } else {
        native_ = app::makeNativePlatform(argv0);
    }
    logging_ = std::make_unique<app::LoggingPortDriver>(
        rawPorts(), ticks(), [this](std::uint32_t tick, std::uint8_t byte) {
            wireLog_.record(static_cast<std::int32_t>(tick - startTick_), byte);
        });
    events_ = std::make_unique<ProgressPump>(rawEvents(), dialogs.progressStream());
    window_ = std::make_unique<ui::MsrWindow>(ui::Platform{*logging_, ticks(), *events_, timer1(),
                                                           hooks(), version(), files(), dialogs_,
                                                           registry(), launcher()});
    events_->watch(window_.get());
}

Session::~Session() = default;

bool Session::openWireLog() {
    startTick_ = ticks().GetTickCount();
    return settings_.wireLog.empty() || wireLog_.open(settings_.wireLog);
}

bool Session::finish(std::ostream& err) {
    bool ok = wireLog_.close();
    if (!ok) {
        err << "tavrin-cli: cannot write the wire log " << settings_.wireLog << '\n';
    }
    if (keyboard_ && !settings_.simImage.empty() &&
        !app::saveKeyboardImage(*simFiles_, settings_.simImage, keyboard_->firmware().eeprom())) {
        err << "tavrin-cli: cannot save the simulated keyboard to " << settings_.simImage << '\n';
        ok = false;
    }
    return ok;
}

platform::PortDriver& Session::rawPorts() {
    return keyboard_ ? keyboard_->ports() : native_->ports();
}
platform::TickCounter& Session::ticks() {
    return keyboard_ ? keyboard_->host() : native_->ticks();
}
platform::EventPump& Session::rawEvents() {
    return keyboard_ ? keyboard_->host() : native_->events();
}
platform::Timer& Session::timer1() {
    return keyboard_ ? keyboard_->host() : native_->timer1();
}
platform::KeyboardHookApi& Session::hooks() {
    return keyboard_ ? keyboard_->host() : native_->hooks();
}
platform::VersionQuery& Session::version() {
    return keyboard_ ? keyboard_->host() : native_->version();
}
platform::FileSystem& Session::files() {
    return keyboard_ ? *simFiles_ : native_->files();
}
platform::Registry& Session::registry() {
    return keyboard_ ? static_cast<platform::Registry&>(noRegistry_) : native_->registry();
}
platform::ProgramLauncher& Session::launcher() {
    return keyboard_ ? static_cast<platform::ProgramLauncher&>(noLauncher_) : native_->launcher();
}

}  // namespace tavrin::cli
