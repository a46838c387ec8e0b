#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvan {

// The one converter between the system's GBK (code page 936) texts and
// Unicode. Everything inside the core is GBK bytes; UTF-8 and UTF-16 exist
// only at the edges: the command line, the windowing layer, the UTF-16
// password field. The implementation is per platform (iconv on Linux,
// MultiByteToWideChar/WideCharToMultiByte with code page 936 on Windows) so
// that both builds agree with the system they run on.
//
// All functions are thread-safe. The strict forms return nullopt when the
// input is not valid in its encoding or has no GBK form; the lenient forms
// replace what cannot be converted with '?' (U+FFFD towards Unicode).

std::optional<std::string> utf8ToGbk(std::string_view utf8);
std::optional<std::string> gbkToUtf8(std::string_view gbk);
std::optional<std::u16string> gbkToUtf16(std::string_view gbk);
std::optional<std::string> utf16ToGbk(std::u16string_view utf16);

std::string utf8ToGbkLenient(std::string_view utf8);
std::string gbkToUtf8Lenient(std::string_view gbk);

// True for a byte that starts a GBK double-byte character in the system's
// own byte rules (0x81..0xFF; some rules of the system use 0x80 and up and
// say so where they do).
constexpr bool isGbkLeadByte(unsigned char byte) { return byte >= 0x81; }

// A UTF-8 literal from our sources as GBK bytes. For fixed texts written in
// this codebase only: a literal without a GBK form is a programming error.
std::string gbk(std::string_view utf8Literal);

}  // namespace korvan
