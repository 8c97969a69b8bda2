// The production real-time clock: posted events run once their time has
// come, and time spent is paid by sleeping.

#include "app/real_clock.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

TEST(RealClock, RunsPostedEventsAndCountsSpentTime) {
    app::RealClock clock;
    bool ran = false;
    platform::Micros at = clock.now() + 2'000;
    clock.post(at, [&] { ran = true; });
    while (!ran) {
        clock.runEvents(50'000);
    }
    EXPECT_GE(clock.now(), at);
    platform::Micros before = clock.now();
    for (int i = 0; i < 1000; ++i) {
        clock.spend(1);
    }
    EXPECT_GE(clock.now() - before, 1000);
}

}  // namespace
}  // namespace tavrin
