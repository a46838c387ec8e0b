#include "core/store/text_cipher.h"

#include <array>
#include <cstdint>
#include <utility>

namespace korvan::TextCipher {
namespace {

using Box = std::array<uint8_t, 256>;

// Key schedule. Unlike RC4 the running index becomes t + 1 after each
// exchange, so every sum after the first carries one more.
Box prepare(std::string_view key) {
    Box s;
    Box k{};
    const size_t length = key.size() < 256 ? key.size() : 256;
    for (size_t i = 0; i < 256; ++i) {
        s[i] = static_cast<uint8_t>(i);
        if (length != 0) k[i] = static_cast<uint8_t>(key[i % length]);
    }
    unsigned c = 0;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned t = (c + s[i] + k[i]) % 256;
        std::swap(s[i], s[t]);
        c = t + 1;
    }
    return s;
}

// Keystream. i walks the odd values 1, 3, ..., 255 only, and from the
// second byte on j advances by S[i] + 1 rather than S[i].
class Keystream {
public:
    explicit Keystream(std::string_view key) : s(prepare(key)) {}

    uint8_t next() {
        a = (a + 1) % 256 + 1;
        unsigned i = a - 1;
        b = (b + s[i]) % 256 + 1;
        unsigned j = b - 1;
        std::swap(s[i], s[j]);
        return s[(s[i] + s[j]) % 256];
    }

private:
    Box s;
    unsigned a = 0;
    unsigned b = 0;
};

int hexDigit(unsigned char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') ch = static_cast<unsigned char>(ch - 'a' + 'A');
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -2;  // a foreign character still counts, spoiling its pair
}

}  // namespace

std::string encipher(std::string_view plain, std::string_view key) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(plain.size() * 3);
    Keystream stream(key);
    for (char ch : plain) {
        uint8_t v = static_cast<uint8_t>(ch) ^ stream.next();
        out += kHex[v >> 4];
        out += kHex[v & 15];
        out += ',';
    }
    return out;
}

std::string decipher(std::string_view cipher, std::string_view key) {
    std::string digits;
    digits.reserve(cipher.size());
    for (char ch : cipher)
        if (ch != ',') digits += ch;

    std::string out;
    out.reserve(digits.size() / 2 + 1);
    Keystream stream(key);
    for (size_t pos = 0; pos < digits.size(); pos += 2) {
        int value = 0;
        for (size_t d = pos; d < pos + 2 && d < digits.size(); ++d)
            value = value * 16 + hexDigit(static_cast<unsigned char>(digits[d]));
        uint8_t plain = static_cast<uint8_t>(static_cast<unsigned>(value) & 0xFF) ^ stream.next();
        if (plain == 0) break;
        out += static_cast<char>(plain);
    }
    return out;
}

}  // namespace korvan::TextCipher
