#include "core/app/gbk.h"

#include <gtest/gtest.h>

namespace korvan {
namespace {

TEST(Gbk, ConvertsBothWaysWithTheBytesOfCodePage936) {
    // "主机" in code page 936 is D6 F7 BB FA.
    EXPECT_EQ(utf8ToGbk("主机"), std::string("\xD6\xF7\xBB\xFA"));
    EXPECT_EQ(gbkToUtf8("\xD6\xF7\xBB\xFA"), std::string("主机"));
    EXPECT_EQ(gbkToUtf16("a\xD6\xF7"), std::u16string(u"a主"));
    EXPECT_EQ(utf16ToGbk(u"a主"), std::string("a\xD6\xF7"));
    EXPECT_EQ(utf8ToGbk(""), std::string());
}

TEST(Gbk, StrictFormsRefuseWhatHasNoCounterpart) {
    EXPECT_FALSE(utf8ToGbk("\xF0\x9F\x98\x80").has_value());  // an emoji has no GBK form
    EXPECT_FALSE(gbkToUtf8("\xD6").has_value());              // a lone lead byte
    EXPECT_FALSE(utf8ToGbk("\xC3").has_value());              // broken UTF-8
}

TEST(Gbk, LenientFormsReplaceOnlyTheBadCharacter) {
    EXPECT_EQ(utf8ToGbkLenient("a\xF0\x9F\x98\x80主"), "a?\xD6\xF7");
    EXPECT_EQ(gbkToUtf8Lenient("a\xD6\xF7\xFF"), "a主\xEF\xBF\xBD");
}

}  // namespace
}  // namespace korvan
