#pragma once

#include <map>
#include <utility>
#include <vector>

#include "core/ports/timers.h"

namespace korvan::testing {

// Timers that never tick by themselves: a test reads the periods that were
// set and calls the tick handler itself.
class FakeTimers : public Timers {
public:
    struct Call {
        Id timer;
        int milliseconds;
        bool operator==(const Call&) const = default;
    };

    std::vector<Call> calls;  // every setPeriod, in order
    std::map<Id, int> periods;

    void setPeriod(Id timer, int milliseconds) override {
        calls.push_back({timer, milliseconds});
        periods[timer] = milliseconds;
    }

    int period(Id timer) const override {
        auto it = periods.find(timer);
        return it == periods.end() ? 0 : it->second;
    }
};

}  // namespace korvan::testing
