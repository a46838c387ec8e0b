#include "core/ports/cycle_counter.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#else
#include <chrono>
#endif

namespace korvan {
namespace {

class SystemCycleCounter final : public CycleCounter {
public:
    uint32_t read() override {
#if defined(__x86_64__) || defined(__i386__)
        return static_cast<uint32_t>(__rdtsc());
#else
        // No time-stamp counter to read: the steady clock in nanoseconds
        // changes just as fast for the purpose of picking file names.
        return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
    }
};

}  // namespace

std::unique_ptr<CycleCounter> makeSystemCycleCounter() {
    return std::make_unique<SystemCycleCounter>();
}

}  // namespace korvan
