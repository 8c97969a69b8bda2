#pragma once
// The simulated keyboard in real time: time the program spends reading the
// ports (about 1 us a status read) is owed, and paid by sleeping once a
// batch has accumulated, so that a poll costs wall time without spinning.

#include <algorithm>

#include "sim/sim_clock.h"

namespace tavrin::sim {

class TimeDebt {
public:
    static constexpr Micros kBatch = 200;

    // The clock's time: real time, or later by what is owed.
    Micros now(Micros real) const { return debt_ > 0 ? std::max(real, from_ + debt_) : real; }
    // Owes duration from real on; true once a batch is due.
    bool spend(Micros duration, Micros real) {
        if (duration > 0) {
            if (debt_ == 0) {
                from_ = real;
            }
            debt_ += duration;
        }
        return debt_ >= kBatch;
    }
    // Until when to sleep to pay everything owed (negative: nothing is);
    // the debt is settled.
    Micros settle() {
        const Micros until = debt_ > 0 ? from_ + debt_ : -1;
        debt_ = 0;
        return until;
    }

private:
    Micros from_ = 0;
    Micros debt_ = 0;
};

}  // namespace tavrin::sim
