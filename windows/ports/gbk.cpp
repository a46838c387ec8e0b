// GBK conversions through the Win32 API with code page 936 named explicitly,
// so that they are right on a Windows of any language.
#include "core/app/gbk.h"

#include <windows.h>

namespace korvan {
namespace {

constexpr UINT kGbk = 936;

std::optional<std::u16string> toWide(UINT codePage, std::string_view text) {
    if (text.empty()) return std::u16string();
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

std::optional<std::string> fromWide(UINT codePage, std::u16string_view text) {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    BOOL lossy = FALSE;
    // WC_ERR_INVALID_CHARS works only for UTF-8; for code page 936 a lost
    // character shows through the used-default flag.
    DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL* lossyOut = codePage == CP_UTF8 ? nullptr : &lossy;
    int n = WideCharToMultiByte(codePage, flags, wide, static_cast<int>(text.size()), nullptr, 0,
                                nullptr, lossyOut);
    if (n <= 0 || lossy) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide, static_cast<int>(text.size()), out.data(), n,
                        nullptr, lossyOut);
    if (lossy) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    auto wide = toWide(CP_UTF8, utf8);
    if (!wide) return std::nullopt;
    return fromWide(kGbk, *wide);
}

std::optional<std::string> gbkToUtf8(std::string_view gbkText) {
    auto wide = toWide(kGbk, gbkText);
    if (!wide) return std::nullopt;
    return fromWide(CP_UTF8, *wide);
}

std::optional<std::u16string> gbkToUtf16(std::string_view gbkText) { return toWide(kGbk, gbkText); }

std::optional<std::string> utf16ToGbk(std::u16string_view utf16) { return fromWide(kGbk, utf16); }

}  // namespace korvan
