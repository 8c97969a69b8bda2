#include "gui/qt_sim_clock.h"

#include <chrono>

#include "gui/qt_event_pump.h"

namespace tavrin::gui {

QtSimClock::QtSimClock() {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, [this] { wake(); });
    bound_.setSingleShot(true);
    bound_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&bound_, &QTimer::timeout, [] {});
}

void QtSimClock::setWakeTimer(int ms) {
    if (ms < 0) {
        wake_.stop();
    } else {
        wake_.start(ms);
    }
}

bool QtSimClock::dispatchPending() {
    return pumpQtEvents(std::chrono::microseconds(0), bound_);
}

void QtSimClock::waitForEvents(platform::Micros wait) {
    pumpQtEvents(std::chrono::microseconds(wait), bound_);
}

}  // namespace tavrin::gui
