#include "gui/qt_event_pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

namespace tavrin::gui {

bool pumpQtEvents(std::chrono::microseconds maxWait, QTimer& bound) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) {
        return false;
    }
    QCoreApplication::sendPostedEvents();
    if (dispatcher->processEvents(QEventLoop::AllEvents)) {
        return true;
    }
    if (maxWait.count() <= 0) {
        return false;
    }
    // Round up: a wait that returns a little early only costs another pass,
    // one that never sleeps would spin.
    auto ms = static_cast<int>((maxWait.count() + 999) / 1000);
    bound.start(ms);
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    bound.stop();
    return false;
}

QtEventPump::QtEventPump() {
    bound_.setSingleShot(true);
    bound_.setTimerType(Qt::PreciseTimer);
    // An empty slot: the timer's only job is to wake the dispatcher.
    QObject::connect(&bound_, &QTimer::timeout, [] {});
}

void QtEventPump::processEvents(std::uint32_t maxWaitMs) {
    pumpQtEvents(std::chrono::milliseconds(maxWaitMs), bound_);
}

QtTimer1::QtTimer1(int intervalMs) {
    timer_.setInterval(intervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_) {
            handler_();
        }
    });
}

void QtTimer1::setHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

void QtTimer1::setEnabled(bool enabled) {
    if (enabled && !timer_.isActive()) {
        timer_.start();
    } else if (!enabled) {
        timer_.stop();
    }
}

}  // namespace tavrin::gui
