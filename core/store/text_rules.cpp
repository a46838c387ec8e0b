#include "core/store/text_rules.h"

#include <cmath>
#include <limits>

#include "core/app/gbk.h"

namespace korvan {

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, separator.size(), separator) == 0) {
            pieces.emplace_back(text.substr(start, i - start));
            i += separator.size();
            start = i;
        } else {
            i += isGbkLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        }
    }
    if (start < text.size()) pieces.emplace_back(text.substr(start));
    return pieces;
}

double textToNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i++] - '0');
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value += (text[i++] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (!digits) return 0;
    return negative ? -value : value;
}

long long textToInteger(std::string_view text) {
    double v = std::trunc(textToNumber(text));
    constexpr double lo = static_cast<double>(std::numeric_limits<long long>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<long long>::max());
    if (v <= lo) return std::numeric_limits<long long>::min();
    if (v >= hi) return std::numeric_limits<long long>::max();
    return static_cast<long long>(v);
}

std::optional<AddressParts> splitAddress(std::string_view address) {
    auto parts = SplitText(address, ":");
    if (parts.empty()) return std::nullopt;
    if (parts.size() == 1) return AddressParts{parts[0], std::string(kDefaultRdpPort)};
    return AddressParts{parts[0], parts[1]};
}

AddressParts profileAddress(std::string_view address) {
    auto parts = SplitText(address, ":");
    if (parts.size() < 2) return AddressParts{std::string(address), std::string(kDefaultRdpPort)};
    return AddressParts{parts[0], parts[1]};
}

}  // namespace korvan
