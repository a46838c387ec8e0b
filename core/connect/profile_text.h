#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "core/ports/cycle_counter.h"

namespace korvan {

// One substitution: every occurrence of `placeholder` becomes `value`.
struct Replacement {
    std::string_view placeholder;
    std::string_view value;
};

// Applies the replacements one after another, each to the result of the one
// before, so a later pair also acts on what earlier pairs inserted. Within
// one pair the scan never revisits inserted text and matches do not
// overlap. A byte of 0x80 or above is stepped over together with the byte
// after it, so a match never starts on the second byte of a GBK character.
// ASCII letters match regardless of case. An empty placeholder changes
// nothing.
std::string MultiReplace(std::string_view text, std::span<const Replacement> pairs);

// min + ((c * 23 + 7) mod 2^32) mod (max - min + 1), c a fresh counter read,
// all in unsigned 32-bit arithmetic; 0 when max < min. No state between
// calls: profile names stay the same from build to build only when the
// counter does.
int32_t RandomInRange(CycleCounter& counter, int32_t min, int32_t max);

// `count` letters. Case mode 0: "a".."z"; 1: "A".."Z"; any other: each
// letter first draws 1 (lower) or 2 (upper). Empty for count <= 0.
std::string RandomLetters(CycleCounter& counter, int count, int caseMode);

// `count` digits. Parity mode 0: "0".."9"; 1: odd digits; any other: even
// digits. Empty for count <= 0.
std::string RandomDigits(CycleCounter& counter, int count, int parityMode);

}  // namespace korvan
