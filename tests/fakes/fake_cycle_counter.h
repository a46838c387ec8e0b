#pragma once

#include <deque>

#include "core/ports/cycle_counter.h"

namespace korvan::testing {

// Returns the queued readings in turn, then counts up from `next`.
class FakeCycleCounter : public CycleCounter {
public:
    std::deque<uint32_t> readings;
    uint32_t next = 0;
    int reads = 0;

    uint32_t read() override {
        ++reads;
        if (!readings.empty()) {
            uint32_t r = readings.front();
            readings.pop_front();
            return r;
        }
        return next++;
    }
};

}  // namespace korvan::testing
