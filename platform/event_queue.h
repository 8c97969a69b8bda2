#pragma once
// The clocks' queue of posted events, in time order and, at equal times, in
// the order they were posted.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/clock.h"

namespace tavrin::platform {

class EventQueue {
public:
    void post(Micros at, std::function<void()> fn);
    // Time of the earliest event, if any.
    std::optional<Micros> next() const;
    // Runs the events due at `now` that were posted before this call; those
    // they post run in a later pass, so an event that reposts itself for
    // the same instant cannot hold the pump forever. True if any ran.
    bool runDue(Micros now);
    std::size_t size() const { return events_.size(); }

private:
    std::map<std::pair<Micros, std::uint64_t>, std::function<void()>> events_;
    std::uint64_t nextSeq_ = 0;
};

// Posted events outlive nothing: an object that posts work holding `this`
// keeps one of these and wraps its callbacks, so events still queued on a
// clock after the object is gone do nothing.
class AliveToken {
public:
    template <class Fn>
    std::function<void()> guard(Fn fn) const {
        return [alive = std::weak_ptr<const bool>(alive_), fn = std::move(fn)]() mutable {
            if (!alive.expired()) {
                fn();
            }
        };
    }

private:
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace tavrin::platform
