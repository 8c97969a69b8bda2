#include "cli/session.h"

#include "app/real_clock.h"
#include "platform/privileges.h"
#include "sim/virtual_clock.h"

namespace tavrin::cli {

std::unique_ptr<platform::Clock> makeClock(bool virtualClock) {
    if (virtualClock) {
        return std::make_unique<sim::VirtualClock>();
    }
    return std::make_unique<app::RealClock>();
}

namespace {

app::FrontEnd frontEnd(CliDialogs& dialogs, platform::Clock& clock, const CliOptions& options,
                       std::function<void()> afterEvents) {
    app::FrontEnd front(dialogs);
    front.simClock = &clock;
    front.simulator = options.simulator;
    front.afterEvents = std::move(afterEvents);
    return front;
}

// The reason of a failure, on the error stream.
bool told(bool ok, const std::string& error, std::ostream& err) {
    if (!ok) {
        err << "tavrin-cli: " << error << '\n';
    }
    return ok;
}

}  // namespace

Session::Session(const app::SessionSettings& settings, const CliOptions& options, const char* argv0,
                 CliDialogs& dialogs)
    : clock_(makeClock(options.virtualClock)),
      progress_(dialogs.showsProgress() ? &dialogs : nullptr),
      core_(settings,
            frontEnd(dialogs, *clock_, options,
                     [this] {
                         if (progress_ != nullptr) {
                             showProgress();
                         }
                     }),
            argv0) {}

// Every wait of a read or a write pumps events; after each the line tells
// how many keys of the answer have arrived.
void Session::showProgress() {
    const auto& capture = window().capture();
    const int keys = window().counters().keyCount;
    const bool capturing = capture.hookInstalled();
    if (capturing && keys != shownKeys_) {
        shownKeys_ = keys;
        progress_->progressLine("reading: " + std::to_string(keys) + " of " +
                                std::to_string(capture.dumpBuffer().size()) + " keys");
    } else if (!capturing && shownKeys_ >= 0) {
        progress_->endProgressLine();
        shownKeys_ = -1;
    }
}

bool Session::prepare(std::ostream& err) {
    std::string error;
    return told(core_.prepare(error), error, err);
}

bool Session::finish(std::ostream& err) {
    std::string error;
    return told(core_.finish(error), error, err);
}

}  // namespace tavrin::cli

namespace tavrin::cli {

bool hasAdministratorRights(const CliOptions& options) {
    return options.administrator.value_or(platform::runningAsAdministrator());
}

}  // namespace tavrin::cli
