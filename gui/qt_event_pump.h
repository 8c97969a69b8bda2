#pragma once
// The window's event pump and Timer1 on Qt: waits and captures of the core
// run Qt's event loop, so the windows stay drawn and clickable while the
// keyboard is busy.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/event_pump.h"
#include "platform/timer.h"

namespace tavrin::gui {

// One pass of Qt's event loop: handles what is pending; when nothing was,
// sleeps in the event dispatcher until the next event or at most maxWait,
// and handles what came. True when something was handled before waiting.
// The bound timer is the caller's, kept so that waits cost no allocation.
bool pumpQtEvents(std::chrono::microseconds maxWait, QTimer& bound);

class QtEventPump : public platform::EventPump {
public:
    QtEventPump();
    void processEvents(std::uint32_t maxWaitMs) override;

private:
    QTimer bound_;
};

// Timer1: a 1000 ms Qt timer. Enabling a running timer keeps its phase.
class QtTimer1 : public platform::Timer {
public:
    explicit QtTimer1(int intervalMs = 1000);
    void setHandler(std::function<void()> handler) override;
    void setEnabled(bool enabled) override;
    bool enabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace tavrin::gui
