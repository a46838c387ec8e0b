#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ports/protection.h"

namespace korvan {

// The password field the RDP client unprotects: exactly this many bytes.
inline constexpr size_t kPasswordFieldSize = 512;

// The GBK text up to its first zero byte, terminator included, as UTF-16LE
// bytes: 2 * (characters + 1) bytes, the last two zero. A byte sequence
// that is not GBK becomes U+FFFD, character by character, rather than
// losing the rest of the password.
std::string ToUtf16(std::string_view gbkText);

// The UTF-16 form cut or zero-padded to kPasswordFieldSize bytes. A form
// longer than the field keeps its first 256 code units and no terminator.
std::string PasswordField(std::string_view utf16);

// Two upper-case hexadecimal digits, high nibble first: 0x05 -> "05".
std::string ByteToHex(uint8_t byte);

// The outer form of a blob: ByteToHex of every protected byte, then one
// more "0". No bytes give "0".
std::string HexBlob(std::string_view protectedBytes);

// The PasswordBlob of a GBK password: its field protected for the current
// user with the description "psw", in hexadecimal. Never fails outwardly:
// when protection fails the blob is "0", which the client cannot unprotect,
// and the session then asks for the password.
std::string ProtectPassword(Protection& protection, std::string_view gbkPassword);

}  // namespace korvan
