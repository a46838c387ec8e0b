#pragma once

#include <cstdint>
#include <memory>

namespace korvan {

// A fast, free-running counter: the source of the random letters and
// digits in profile names. Windows and x86: the low 32 bits of the
// processor's time-stamp counter; elsewhere a high-resolution clock.
// Nothing depends on its rate; successive reads differ most of the time.
// Any thread; never fails.
class CycleCounter {
public:
    virtual ~CycleCounter() = default;
    virtual uint32_t read() = 0;
};

std::unique_ptr<CycleCounter> makeSystemCycleCounter();

}  // namespace korvan
