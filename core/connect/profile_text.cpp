#include "core/connect/profile_text.h"

namespace korvan {
namespace {

unsigned char lowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

bool matchesAt(std::string_view text, size_t at, std::string_view placeholder) {
    if (text.size() - at < placeholder.size()) return false;
    for (size_t i = 0; i < placeholder.size(); ++i) {
        if (lowerAscii(static_cast<unsigned char>(text[at + i])) !=
            lowerAscii(static_cast<unsigned char>(placeholder[i])))
            return false;
    }
    return true;
}

std::string replaceAll(std::string_view text, const Replacement& pair) {
    if (pair.placeholder.empty() || text.size() < pair.placeholder.size()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (matchesAt(text, i, pair.placeholder)) {
            out += pair.value;
            i += pair.placeholder.size();
            continue;
        }
        // 0x80 counts as a lead byte here, as the profile writer always did.
        size_t step = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
        out.append(text.substr(i, step));
        i += step;
    }
    return out;
}

}  // namespace

std::string MultiReplace(std::string_view text, std::span<const Replacement> pairs) {
    std::string current(text);
    for (const auto& pair : pairs) current = replaceAll(current, pair);
    return current;
}

int32_t RandomInRange(CycleCounter& counter, int32_t min, int32_t max) {
    if (max < min) return 0;
    uint32_t span = static_cast<uint32_t>(max) - static_cast<uint32_t>(min) + 1u;
    uint32_t mixed = counter.read() * 23u + 7u;
    // A span of 2^32 (the whole range) wraps to 0: every value is allowed.
    uint32_t offset = span == 0 ? mixed : mixed % span;
    return static_cast<int32_t>(static_cast<uint32_t>(min) + offset);
}

std::string RandomLetters(CycleCounter& counter, int count, int caseMode) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        int mode = caseMode;
        if (mode != 0 && mode != 1) mode = RandomInRange(counter, 1, 2) == 1 ? 0 : 1;
        out += static_cast<char>(mode == 0 ? RandomInRange(counter, 97, 122)
                                           : RandomInRange(counter, 65, 90));
    }
    return out;
}

std::string RandomDigits(CycleCounter& counter, int count, int parityMode) {
    static constexpr char kOdd[] = "13579";
    static constexpr char kEven[] = "02468";
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (parityMode == 0)
            out += static_cast<char>('0' + RandomInRange(counter, 1, 10) - 1);
        else
            out += (parityMode == 1 ? kOdd : kEven)[RandomInRange(counter, 1, 5) - 1];
    }
    return out;
}

}  // namespace korvan
