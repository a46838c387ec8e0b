#pragma once

#include <string>
#include <string_view>

namespace korvan {

// The stream cipher of Remote.db: an RC4 relative whose key schedule and
// keystream differ from textbook RC4 in three places (see text_cipher.cpp).
// Those differences are the stored format; do not "fix" them.
//
// Pure functions, safe on any thread.
namespace TextCipher {

// For every byte of `plain`: two upper-case hex digits and a ",", the final
// comma included. An empty text gives an empty text.
std::string encipher(std::string_view plain, std::string_view key);

// Commas are ignored, digits are read in pairs (a lone last digit alone),
// lower case is accepted, and a foreign character spoils only its pair.
// The result ends before the first zero byte. Never fails.
std::string decipher(std::string_view cipher, std::string_view key);

}  // namespace TextCipher
}  // namespace korvan
