// GBK conversions through glibc's iconv. "CP936" rather than "GBK": it is
// Windows' code page 936, which also maps 0x80 to the euro sign, so that
// both builds read and write the same bytes.
#include "core/app/gbk.h"

#include <cerrno>
#include <iconv.h>

namespace korvan {
namespace {

template <typename Out>
std::optional<Out> convert(const char* to, const char* from, const char* data, size_t size) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string buffer(size * 4 + 16, '\0');
    char* in = const_cast<char*>(data);
    size_t inLeft = size;
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    bool good = rc != static_cast<size_t>(-1) && inLeft == 0;
    if (good) {
        // Flush any shift state; the encodings used here have none, but the
        // call is cheap and keeps the contract of iconv.
        good = iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
    }
    iconv_close(cd);
    if (!good) return std::nullopt;
    size_t produced = buffer.size() - outLeft;
    Out result;
    using Unit = typename Out::value_type;
    result.resize(produced / sizeof(Unit));
    std::char_traits<char>::copy(reinterpret_cast<char*>(result.data()), buffer.data(),
                                 result.size() * sizeof(Unit));
    return result;
}

}  // namespace

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    return convert<std::string>("CP936", "UTF-8", utf8.data(), utf8.size());
}

std::optional<std::string> gbkToUtf8(std::string_view gbkText) {
    if (gbkText.empty()) return std::string();
    return convert<std::string>("UTF-8", "CP936", gbkText.data(), gbkText.size());
}

std::optional<std::u16string> gbkToUtf16(std::string_view gbkText) {
    if (gbkText.empty()) return std::u16string();
    return convert<std::u16string>("UTF-16LE", "CP936", gbkText.data(), gbkText.size());
}

std::optional<std::string> utf16ToGbk(std::u16string_view utf16) {
    if (utf16.empty()) return std::string();
    return convert<std::string>("CP936", "UTF-16LE", reinterpret_cast<const char*>(utf16.data()),
                                utf16.size() * sizeof(char16_t));
}

}  // namespace korvan
