#include <gtest/gtest.h>

#include "core/app/gbk.h"
#include "core/connect/password_blob.h"
#include "fakes/fake_protection.h"

namespace korvan {
namespace {

using testing::FakeProtection;

TEST(ToUtf16, IsTheWholeTextWithItsTerminatorInLittleEndian) {
    EXPECT_EQ(ToUtf16(""), std::string(2, '\0'));
    EXPECT_EQ(ToUtf16("Ab1"), std::string("A\0b\0"
                                          "1\0\0\0",
                                          8));
    // One double-byte character is one code unit: U+4E2D.
    EXPECT_EQ(ToUtf16(gbk("中")), std::string("\x2D\x4E\0\0", 4));
    // The password ends at a zero byte, as the stored C text does.
    EXPECT_EQ(ToUtf16(std::string("ab\0cd", 5)), std::string("a\0b\0\0\0", 6));
    // A byte that is not GBK costs one character, not the rest of the text.
    EXPECT_EQ(ToUtf16("a\xFF"), std::string("a\0\xFD\xFF\0\0", 6));
}

TEST(PasswordField, IsAlways512Bytes) {
    std::string shortField = PasswordField(ToUtf16("pw"));
    ASSERT_EQ(shortField.size(), kPasswordFieldSize);
    EXPECT_EQ(shortField.substr(0, 6), std::string("p\0w\0\0\0", 6));
    EXPECT_EQ(shortField.find_first_not_of('\0', 6), std::string::npos);

    std::string longField = PasswordField(ToUtf16(std::string(300, 'x')));
    ASSERT_EQ(longField.size(), kPasswordFieldSize);
    // Only the first 256 code units, no terminator among them.
    for (size_t i = 0; i < kPasswordFieldSize; i += 2) {
        ASSERT_EQ(longField[i], 'x') << i;
        ASSERT_EQ(longField[i + 1], '\0') << i;
    }
}

TEST(ByteToHex, TwoUpperCaseDigits) {
    EXPECT_EQ(ByteToHex(0x00), "00");
    EXPECT_EQ(ByteToHex(0x05), "05");
    EXPECT_EQ(ByteToHex(0xA0), "A0");
    EXPECT_EQ(ByteToHex(0xFF), "FF");
    EXPECT_EQ(HexBlob(std::string("\x01\x0A\xFF", 3)), "010AFF0");
    EXPECT_EQ(HexBlob(""), "0");
}

TEST(ProtectPassword, ProtectsThe512ByteFieldWithDescriptionPsw) {
    FakeProtection protection;
    std::string blob = ProtectPassword(protection, gbk("密码pw"));
    ASSERT_EQ(protection.calls.size(), 1u);
    EXPECT_EQ(protection.calls[0].description, u"psw");
    EXPECT_EQ(protection.calls[0].data, PasswordField(ToUtf16(gbk("密码pw"))));

    // Odd length, upper-case hex pairs of the output and a final "0".
    auto expectedOutput = protection.protect(protection.calls[0].data, u"psw").value();
    EXPECT_EQ(blob.size(), 2 * expectedOutput.size() + 1);
    EXPECT_EQ(blob, HexBlob(expectedOutput));
    EXPECT_EQ(blob.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(blob.back(), '0');
}

TEST(ProtectPassword, EmptyPasswordStillGivesAFullField) {
    FakeProtection protection;
    protection.outputs = {std::string("\x05\xA0", 2)};
    EXPECT_EQ(ProtectPassword(protection, ""), "05A00");
    EXPECT_EQ(protection.calls[0].data, std::string(kPasswordFieldSize, '\0'));
}

TEST(ProtectPassword, FailedOrEmptyProtectionGivesZero) {
    FakeProtection protection;
    protection.failFrom = 0;
    EXPECT_EQ(ProtectPassword(protection, "pw"), "0");
    FakeProtection empty;
    empty.outputs = {""};
    EXPECT_EQ(ProtectPassword(empty, "pw"), "0");
}

}  // namespace
}  // namespace korvan
