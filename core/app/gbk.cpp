#include "core/app/gbk.h"

#include <cstdint>

namespace korvan {
namespace {

// Length of the UTF-8 sequence that starts with `lead`, 1 for a stray byte.
size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

std::string utf8ToGbkLenient(std::string_view utf8) {
    if (auto whole = utf8ToGbk(utf8)) return *whole;
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = utf8SequenceLength(static_cast<unsigned char>(utf8[i]));
        if (i + n > utf8.size()) n = utf8.size() - i;
        auto piece = utf8ToGbk(utf8.substr(i, n));
        out += piece ? *piece : std::string("?");
        i += n;
    }
    return out;
}

std::string gbkToUtf8Lenient(std::string_view gbkText) {
    if (auto whole = gbkToUtf8(gbkText)) return *whole;
    std::string out;
    for (size_t i = 0; i < gbkText.size();) {
        size_t n = isGbkLeadByte(static_cast<unsigned char>(gbkText[i])) ? 2 : 1;
        if (i + n > gbkText.size()) n = gbkText.size() - i;
        auto piece = gbkToUtf8(gbkText.substr(i, n));
        out += piece ? *piece : std::string("\xEF\xBF\xBD");
        i += n;
    }
    return out;
}

std::string gbk(std::string_view utf8Literal) {
    return utf8ToGbkLenient(utf8Literal);
}

}  // namespace korvan
