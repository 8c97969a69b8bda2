#pragma once
// The simulated keyboard in real time inside the window: its events are
// woken by a Qt timer, so the keyboard types while Qt's event loop runs,
// whether the program waits in an operation or sits idle, and a wait of
// the core sleeps in Qt's dispatcher instead of spinning.

#include <QElapsedTimer>
#include <QTimer>

#include "sim/event_queue.h"
#include "sim/sim_clock.h"
#include "sim/time_debt.h"

namespace tavrin::gui {

class QtSimClock : public sim::SimClock {
public:
    QtSimClock();

    sim::Micros now() override;
    void spend(sim::Micros duration) override;
    void post(sim::Micros at, std::function<void()> fn) override;
    void runEvents(sim::Micros maxWait) override;

    std::size_t pendingEvents() const { return queue_.size(); }

private:
    sim::Micros realNow() const;
    void payDebt();
    bool runDue();
    void arm();

    QElapsedTimer origin_;
    sim::TimeDebt debt_;
    sim::EventQueue queue_;
    QTimer wake_;   // the earliest posted event
    QTimer bound_;  // the end of one wait
};

}  // namespace tavrin::gui
