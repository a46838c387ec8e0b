#include "core/store/text_rules.h"

#include <gtest/gtest.h>

#include "core/app/gbk.h"

namespace korvan {
namespace {

using Pieces = std::vector<std::string>;

TEST(SplitText, KeepsInnerAndLeadingEmptiesAndDropsTheLastOne) {
    EXPECT_EQ(SplitText("", ":"), Pieces{});
    EXPECT_EQ(SplitText("a", ":"), Pieces{"a"});
    EXPECT_EQ(SplitText("a:b", ":"), (Pieces{"a", "b"}));
    EXPECT_EQ(SplitText("a:", ":"), Pieces{"a"});
    EXPECT_EQ(SplitText("a::", ":"), (Pieces{"a", ""}));
    EXPECT_EQ(SplitText(":a", ":"), (Pieces{"", "a"}));
    EXPECT_EQ(SplitText("a:b:c", ":"), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(SplitText(":", ":"), Pieces{""});
}

TEST(SplitText, StepsOverDoubleByteCharactersWhole) {
    // 0x81 0x2F is not valid GBK, but the rule takes any byte from 0x81 on
    // as a lead byte, so its second byte is never a separator.
    std::string text = "x\x81/y/z";
    EXPECT_EQ(SplitText(text, "/"), (Pieces{"x\x81/y", "z"}));
    EXPECT_EQ(SplitText(gbk("主机1/地址"), "/"), (Pieces{gbk("主机1"), gbk("地址")}));
}

TEST(TextToNumber, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        long long value;
    } cases[] = {{"3389", 3389}, {"3390.9", 3390}, {"abc", 0}, {"", 0}, {"12abc", 12},
                 {" 7", 7},      {"-5", -5},       {"-2.7", -2}, {"+8", 8}, {".5", 0}};
    for (const auto& c : cases) EXPECT_EQ(textToInteger(c.text), c.value) << c.text;
    EXPECT_DOUBLE_EQ(textToNumber("2.5x"), 2.5);
    EXPECT_EQ(textToInteger("99999999999999999999999"), std::numeric_limits<long long>::max());
}

TEST(Address, CheckAndProfileFormsDifferOnlyBelowTwoParts) {
    struct Case {
        const char* address;
        bool checked;
        const char* checkHost;
        const char* profileHost;
        const char* port;
    } cases[] = {
        {"192.168.0.100", true, "192.168.0.100", "192.168.0.100", "3389"},
        {"192.168.0.200:3390", true, "192.168.0.200", "192.168.0.200", "3390"},
        {"srv:", true, "srv", "srv:", "3389"},
        {"a:b:c", true, "a", "a", "b"},
        {":3389", true, "", "", "3389"},
        {"srv::", true, "srv", "srv", ""},
        {"", false, "", "", "3389"},
    };
    for (const auto& c : cases) {
        auto check = splitAddress(c.address);
        ASSERT_EQ(check.has_value(), c.checked) << c.address;
        if (check) {
            EXPECT_EQ(check->host, c.checkHost) << c.address;
            EXPECT_EQ(check->port, c.port) << c.address;
        }
        auto profile = profileAddress(c.address);
        EXPECT_EQ(profile.host, c.profileHost) << c.address;
        EXPECT_EQ(profile.port, c.port) << c.address;
    }
}

}  // namespace
}  // namespace korvan
