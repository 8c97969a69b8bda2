#include "gui/qt_sim_clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "gui/qt_event_pump.h"

namespace tavrin::gui {

QtSimClock::QtSimClock() {
    origin_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, [this] {
        runDue();
        arm();
    });
    bound_.setSingleShot(true);
    bound_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&bound_, &QTimer::timeout, [] {});
}

sim::Micros QtSimClock::realNow() const {
    return origin_.nsecsElapsed() / 1000;
}

sim::Micros QtSimClock::now() {
    return debt_.now(realNow());
}

void QtSimClock::payDebt() {
    const sim::Micros left = debt_.settle() - realNow();
    if (left > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(left));
    }
}

void QtSimClock::spend(sim::Micros duration) {
    if (debt_.spend(duration, realNow())) {
        payDebt();
    }
}

void QtSimClock::post(sim::Micros at, std::function<void()> fn) {
    queue_.post(at, std::move(fn));
    arm();
}

bool QtSimClock::runDue() {
    payDebt();
    return queue_.runDue(now());
}

void QtSimClock::arm() {
    auto next = queue_.next();
    if (!next) {
        wake_.stop();
        return;
    }
    sim::Micros delay = std::max<sim::Micros>(*next - now(), 0);
    wake_.start(static_cast<int>((delay + 999) / 1000));
}

void QtSimClock::runEvents(sim::Micros maxWait) {
    bool handled = runDue();
    arm();
    if (pumpQtEvents(std::chrono::microseconds(0), bound_) || handled) {
        return;
    }
    sim::Micros wait = std::max<sim::Micros>(maxWait, 0);
    if (auto next = queue_.next()) {
        wait = std::min(wait, std::max<sim::Micros>(*next - now(), 0));
    }
    if (wait > 0) {
        // The wake timer runs the keyboard's events from inside this wait.
        pumpQtEvents(std::chrono::microseconds(wait), bound_);
    }
    runDue();
    arm();
}

}  // namespace tavrin::gui
