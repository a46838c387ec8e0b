#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <regex>
#include <set>

#include "core/app/gbk.h"
#include "core/connect/profile_template.h"
#include "core/connect/profile_text.h"
#include "fakes/fake_cycle_counter.h"

namespace korvan {
namespace {

using testing::FakeCycleCounter;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        out.push_back(text.substr(start, at - start));
    out.push_back(text.substr(start));
    return out;
}

TEST(ProfileTemplate, IsThirtyEightGbkLinesOf986Bytes) {
    const std::string& t = ProfileTemplate();
    EXPECT_EQ(t.size(), 986u);
    auto l = lines(t);
    ASSERT_EQ(l.size(), 38u);
    EXPECT_EQ(t.find('\n'), t.find("\r\n") + 1);  // no bare line feeds
    EXPECT_NE(t.back(), '\n');
    EXPECT_EQ(l[0], gbk("screen mode id:i:%1窗口2全屏%"));
    EXPECT_EQ(l[18], gbk("password 51:b:%密码%"));
    EXPECT_EQ(l[25], gbk("drivestoredirect:s:%0不加载*加载%"));
    EXPECT_EQ(l[31], "alternate shell:s:");
    EXPECT_EQ(l[32], "shell working directory:s:");
    EXPECT_EQ(l[33], "gatewayhostname:s:");
    EXPECT_EQ(l[37], "promptcredentialonce:i:1");
}

struct ReplaceCase {
    const char* name;
    std::string text;
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string expected;
};

TEST(MultiReplace, Cases) {
    const std::vector<ReplaceCase> cases = {
        {"every occurrence", "a%x%b%x%", {{"%x%", "1"}}, "a1b1"},
        {"letters match in any case", "%Ab%-%aB%", {{"%ab%", "v"}}, "v-v"},
        {"matches do not overlap", "aaa", {{"aa", "b"}}, "ba"},
        {"inserted text is not rescanned by its own pair", "%x%", {{"%x%", "%x%%x%"}}, "%x%%x%"},
        {"a later pair acts on earlier values",
         "%u%",
         {{"%u%", "<%p%>"}, {"%p%", "secret"}},
         "<secret>"},
        {"an earlier pair does not see later values", "%p%", {{"%u%", "x"}, {"%p%", "%u%"}}, "%u%"},
        {"empty placeholder changes nothing", "abc", {{"", "x"}}, "abc"},
        {"text shorter than placeholder", "%a", {{"%ab%", "x"}}, "%a"},
        {"empty value removes", "a%x%b", {{"%x%", ""}}, "ab"},
        // The second byte of a double-byte character never starts a match,
        // and 0x80 counts as a lead byte for this.
        {"no match on a trail byte", "\x81%x%", {{"%x%", "1"}}, "\x81%x%"},
        {"0x80 takes the next byte",
         "\x80"
         "ab",
         {{"ab", "1"}},
         "\x80"
         "ab"},
        {"match right after a double-byte character",
         "\xD6\xD0%x%",
         {{"%x%", "1"}},
         "\xD6\xD0"
         "1"},
        {"lone lead byte at the end", "%x%\x81", {{"%x%", "1"}}, "1\x81"},
    };
    for (const auto& c : cases) {
        std::vector<Replacement> pairs;
        for (const auto& [p, v] : c.pairs) pairs.push_back({p, v});
        EXPECT_EQ(MultiReplace(c.text, pairs), c.expected) << c.name;
    }
    // A GBK placeholder inside Chinese text.
    const std::string width = gbk("%宽%");
    std::vector<Replacement> one = {{width, "1024"}};
    EXPECT_EQ(MultiReplace(gbk("中%宽%文"), one), gbk("中1024文"));
}

TEST(RandomInRange, FollowsTheFormulaInUnsigned32BitArithmetic) {
    FakeCycleCounter counter;
    // (c * 23 + 7) mod 2^32, then mod the span.
    counter.readings = {0, 1, 100, 0xFFFFFFFFu, 0x0B21642Cu};
    EXPECT_EQ(RandomInRange(counter, 1, 10), 1 + 7 % 10);
    EXPECT_EQ(RandomInRange(counter, 97, 122), 97 + 30 % 26);
    EXPECT_EQ(RandomInRange(counter, 0, 1000), static_cast<int>(2307u % 1001u));
    EXPECT_EQ(RandomInRange(counter, 1, 5), static_cast<int>(1 + (0xFFFFFFFFu * 23u + 7u) % 5u));
    EXPECT_EQ(RandomInRange(counter, -5, 5),
              static_cast<int>(-5 + static_cast<int>((0x0B21642Cu * 23u + 7u) % 11u)));
    EXPECT_EQ(counter.reads, 5);
}

TEST(RandomInRange, EdgesOfTheRange) {
    FakeCycleCounter counter;
    EXPECT_EQ(RandomInRange(counter, 5, 4), 0);
    EXPECT_EQ(counter.reads, 0) << "an empty range does not read the counter";
    counter.readings = {12345};
    EXPECT_EQ(RandomInRange(counter, 7, 7), 7);
    counter.readings = {1};
    // The whole 32-bit range: the mixed value itself, reinterpreted.
    EXPECT_EQ(RandomInRange(counter, INT_MIN, INT_MAX), static_cast<int32_t>(INT_MIN + 30u));
}

TEST(RandomText, LettersAndDigitsPerMode) {
    FakeCycleCounter counter;
    // Reading 1 mixes to 30, reading 0 to 7.
    counter.readings = {1 /*30%26=4 -> e*/};
    EXPECT_EQ(RandomLetters(counter, 1, 0), "e");
    counter.readings = {1};
    EXPECT_EQ(RandomLetters(counter, 1, 1), "E");
    // Mixed case: first 1..2 (30%2=0 -> 1, lower), then the letter.
    counter.readings = {1, 1, 0 /*7%2=1 -> 2, upper*/, 0 /*7%26 -> H*/};
    EXPECT_EQ(RandomLetters(counter, 2, 2), "eH");
    EXPECT_EQ(counter.reads, 2 + 4) << "mixed case draws twice per letter";

    counter.readings = {0 /*7%10=7 -> 8-1*/};
    EXPECT_EQ(RandomDigits(counter, 1, 0), "7");
    counter.readings = {0 /*7%5=2 -> third*/};
    EXPECT_EQ(RandomDigits(counter, 1, 1), "5");
    counter.readings = {0, 1 /*30%5=0 -> first*/};
    EXPECT_EQ(RandomDigits(counter, 2, 2), "40");

    EXPECT_EQ(RandomLetters(counter, 0, 2), "");
    EXPECT_EQ(RandomDigits(counter, -3, 0), "");
}

TEST(RandomText, ProfileNamePartsOverManyReadings) {
    FakeCycleCounter counter;
    std::mt19937 readings(3389);
    for (int i = 0; i < 1600; ++i) counter.readings.push_back(static_cast<uint32_t>(readings()));
    counter.readings.push_back(0xFFFFFFFFu);
    std::regex lettersAndEven("[a-zA-Z]{4}[02468]{4}");
    std::set<char> seen;
    for (int i = 0; i < 200; ++i) {
        std::string s = RandomLetters(counter, 4, 2) + RandomDigits(counter, 4, 2);
        ASSERT_TRUE(std::regex_match(s, lettersAndEven)) << s;
        seen.insert(s.begin(), s.end());
    }
    // Every letter of both cases and every even digit turns up.
    EXPECT_EQ(seen.size(), 26u + 26u + 5u);
}

}  // namespace
}  // namespace korvan
