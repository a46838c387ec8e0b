#include "core/editing/host_validation.h"

#include <gtest/gtest.h>

namespace korvan {
namespace {

TEST(RefuseHost, OneBlankCountsAsEmptyButOtherBlanksAreKept) {
    struct Case {
        HostFields fields;
        std::optional<TextId> refusal;
    } cases[] = {
        {{"n", "1.2.3.4", "u", "p"}, std::nullopt},
        {{"", "1.2.3.4", "u", "p"}, TextId::HostIncomplete},
        {{"n", " ", "u", "p"}, TextId::HostIncomplete},
        {{"n", "1.2.3.4", " ", "p"}, TextId::HostIncomplete},
        {{"n", "1.2.3.4", "u", ""}, TextId::HostPasswordRequired},
        {{"", "", "", ""}, TextId::HostIncomplete},  // completeness is checked first
        {{"  ", " x", "u ", "p"}, std::nullopt},
        {{"n", "a", "u", "   "}, std::nullopt},  // a password of blanks is accepted
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refuseHost(c.fields), c.refusal)
            << c.fields.note << "|" << c.fields.address << "|" << c.fields.user << "|" << c.fields.password;
    }
    EXPECT_TRUE(refusalIsWarning(TextId::HostPasswordRequired));
    EXPECT_FALSE(refusalIsWarning(TextId::HostIncomplete));
}

}  // namespace
}  // namespace korvan
