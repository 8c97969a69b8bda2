#include "platform/event_queue.h"

namespace tavrin::platform {

void EventQueue::post(Micros at, std::function<void()> fn) {
    events_.emplace(std::make_pair(at, nextSeq_++), std::move(fn));
}

std::optional<Micros> EventQueue::next() const {
    if (events_.empty()) {
        return std::nullopt;
    }
    return events_.begin()->first.first;
}

bool EventQueue::runDue(Micros now) {
    const std::uint64_t postedBefore = nextSeq_;
    bool ran = false;
    for (auto it = events_.begin(); it != events_.end() && it->first.first <= now;) {
        if (it->first.second >= postedBefore) {
            ++it;
            continue;
        }
        auto fn = std::move(it->second);
        events_.erase(it);
        fn();
        ran = true;
        // fn may have posted or the map rebalanced: start from the front.
        it = events_.begin();
    }
    return ran;
}

}  // namespace tavrin::platform
