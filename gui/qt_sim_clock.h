#pragma once
// The window's real-time clock on Qt: a Qt timer wakes the simulated
// keyboard's events, and waits sleep in Qt's event dispatcher.

#include <QTimer>

#include "app/real_clock.h"

namespace tavrin::gui {

class QtSimClock : public app::RealClock {
public:
    QtSimClock();

private:
    void setWakeTimer(int ms) override;
    bool dispatchPending() override;
    void waitForEvents(platform::Micros wait) override;

    QTimer wake_;   // the earliest posted event
    QTimer bound_;  // the end of one wait
};

}  // namespace tavrin::gui
