#include "core/store/text_cipher.h"

#include <gtest/gtest.h>

#include "core/app/gbk.h"

namespace korvan {
namespace {

constexpr std::string_view kKey = "QuorTil84362";

// Known answers, computed independently from the description of the
// stored format (a textbook RC4 gives other bytes).
TEST(TextCipher, MatchesKnownAnswers) {
    EXPECT_EQ(TextCipher::encipher("hello", kKey), "8B,11,80,B6,B2,");
    EXPECT_EQ(TextCipher::encipher(gbk("主机"), kKey), "35,83,57,20,");
    EXPECT_EQ(TextCipher::encipher("AAAAAAAAAA", ""), "50,CA,2B,36,F8,DD,16,83,FB,E5,");
    EXPECT_EQ(TextCipher::encipher("xyz", std::string(300, 'k')), "C5,0D,15,");
}

TEST(TextCipher, RoundTripsAnyTextWithoutZeroBytes) {
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    for (std::string text : {std::string("a"), gbk("主机参数 & <x>"), all, std::string(5000, 'q')}) {
        std::string cipher = TextCipher::encipher(text, kKey);
        EXPECT_EQ(cipher.size(), 3 * text.size());
        EXPECT_EQ(cipher.back(), ',');
        EXPECT_EQ(TextCipher::decipher(cipher, kKey), text);
    }
}

TEST(TextCipher, EmptyInEmptyOut) {
    EXPECT_EQ(TextCipher::encipher("", kKey), "");
    EXPECT_EQ(TextCipher::decipher("", kKey), "");
}

TEST(TextCipher, DecipherToleratesCaseAndCommas) {
    EXPECT_EQ(TextCipher::decipher("8b,11,80,b6,b2,", kKey), "hello");
    EXPECT_EQ(TextCipher::decipher("8B1180B6B2", kKey), "hello");
    EXPECT_EQ(TextCipher::decipher(",,8B,,11,80,B6,B2", kKey), "hello");
}

TEST(TextCipher, ForeignCharacterSpoilsOnlyItsPair) {
    std::string cipher = "8B,1G,80,B6,B2,";
    std::string plain = TextCipher::decipher(cipher, kKey);
    ASSERT_EQ(plain.size(), 5u);
    EXPECT_EQ(plain[0], 'h');
    EXPECT_NE(plain[1], 'e');
    EXPECT_EQ(plain.substr(2), "llo");
}

TEST(TextCipher, OddDigitCountReadsTheLastDigitAlone) {
    // The keystream's third byte is 'l' ^ 0x80; a lone digit d gives d ^ that.
    std::string third = TextCipher::decipher("8B,11,7", kKey);
    ASSERT_EQ(third.size(), 3u);
    EXPECT_EQ(static_cast<unsigned char>(third[2]), ('l' ^ 0x80) ^ 0x07);
}

TEST(TextCipher, DecipherStopsAtTheFirstZeroByte) {
    std::string cipher = TextCipher::encipher(std::string("ab\0cd", 5), kKey);
    EXPECT_EQ(TextCipher::decipher(cipher, kKey), "ab");
}

TEST(TextCipher, KeyUsesOnlyItsFirst256BytesAndRepeats) {
    std::string a(256, 'x');
    EXPECT_EQ(TextCipher::encipher("secret", a + "tail"), TextCipher::encipher("secret", a));
    EXPECT_EQ(TextCipher::encipher("secret", "ab"), TextCipher::encipher("secret", "abababab"));
    EXPECT_NE(TextCipher::encipher("secret", "ab"), TextCipher::encipher("secret", "ba"));
}

}  // namespace
}  // namespace korvan
