#include "core/ports/cycle_counter.h"

#include <intrin.h>

namespace korvan {
namespace {

class TimeStampCounter final : public CycleCounter {
public:
    uint32_t read() override { return static_cast<uint32_t>(__rdtsc()); }
};

}  // namespace

std::unique_ptr<CycleCounter> makeSystemCycleCounter() {
    return std::make_unique<TimeStampCounter>();
}

}  // namespace korvan
