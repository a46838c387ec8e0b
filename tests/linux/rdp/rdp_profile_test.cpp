#include "linux/rdp/rdp_profile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "core/app/gbk.h"
#include "linux/rdp/freerdp_options.h"

namespace korvan::rdp {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// Every NAME.KV in tests/data/rdp beside its NAME.args (see the README there).
TEST(RdpProfile, FixturesGiveTheirOptionsOrTheirError) {
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(KORVAN_RDP_DATA)) {
        if (entry.path().extension() != ".KV") continue;
        ++cases;
        SCOPED_TRACE(entry.path().filename().string());
        auto expectedPath = entry.path();
        expectedPath.replace_extension(".args");
        ASSERT_TRUE(fs::exists(expectedPath));
        std::string expected = readFile(expectedPath);

        auto connection = readConnection(parseProfile(readFile(entry.path())));
        std::string actual =
            connection ? joinLines(freerdpArguments(connection.value(), SessionKind::Normal))
                       : "error: " + connection.error().detail + "\n";
        EXPECT_EQ(actual, expected);
    }
    EXPECT_GE(cases, 5);
}

TEST(RdpProfile, LinesSplitAtTheFirstTwoColonsOnly) {
    auto profile =
        parseProfile(gbk("full address:s:a:1\r\n\r\nno colons here\r\nonly:one\r\n"
                         "alternate shell:s:\r\nusername:s:用户\n"));
    ASSERT_EQ(profile.lines.size(), 3u);
    EXPECT_EQ(profile.lines[0].name, "full address");
    EXPECT_EQ(profile.lines[0].type, "s");
    EXPECT_EQ(profile.lines[0].value, "a:1");
    EXPECT_EQ(profile.value("ALTERNATE SHELL"), "");
    EXPECT_EQ(profile.value("username"), gbk("用户"));
    EXPECT_EQ(profile.value("password 51"), std::nullopt);
}

TEST(RdpProfile, UserNameAndHostReachFreeRdpInUtf8) {
    auto connection =
        readConnection(parseProfile(gbk("full address:s:主机:3389\r\nusername:s:管理员")));
    ASSERT_TRUE(connection) << connection.error().detail;
    EXPECT_EQ(connection.value().host, "主机");
    EXPECT_EQ(connection.value().user, "管理员");

    // A byte sequence that is not GBK is refused rather than sent garbled.
    auto bad = readConnection(parseProfile("full address:s:h:3389\r\nusername:s:\x81\x20"));
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().detail, "the user name is not GBK text");
}

TEST(RdpProfile, AddressWithoutPortUsesTheRdpPort) {
    auto connection = readConnection(parseProfile("full address:s:server"));
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection.value().port, 3389u);
    EXPECT_EQ(freerdpArguments(connection.value(), SessionKind::Admin),
              (std::vector<std::string>{"/v:server:3389", "/admin", "/cert:ignore",
                                        "/from-stdin:force"}));
}

TEST(ClientArguments, PathAndSwitch) {
    struct Case {
        std::vector<std::string> args;
        std::string path;  // empty: refused
        SessionKind session = SessionKind::Normal;
    };
    const Case cases[] = {
        {{"/tmp/Korvan_qTfA6028.KV", "/console"}, "/tmp/Korvan_qTfA6028.KV"},
        {{"/tmp/Korvan_qTfA6028.KV", "/Console"}, "/tmp/Korvan_qTfA6028.KV"},
        {{"/tmp/Korvan_qTfA6028.KV", "/Admin"}, "/tmp/Korvan_qTfA6028.KV", SessionKind::Admin},
        {{"/tmp/Korvan_qTfA6028.KV", "/ADMIN"}, "/tmp/Korvan_qTfA6028.KV", SessionKind::Admin},
        {{"/tmp/my dir/K.KV", "/console"}, "/tmp/my dir/K.KV"},  // quoted by the caller
        {{"/tmp/my", "dir/K.KV", "/Admin"}, "/tmp/my dir/K.KV", SessionKind::Admin},  // not quoted
        {{"/tmp/K.KV"}, "/tmp/K.KV"},
        {{}, ""},
        {{"/console"}, ""},
        {{"/Admin"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        auto command = parseClientArguments(c.args);
        if (c.path.empty()) {
            ASSERT_FALSE(command);
            EXPECT_EQ(command.error().code, ErrorCode::Invalid);
            continue;
        }
        ASSERT_TRUE(command);
        EXPECT_EQ(command.value().profilePath, c.path);
        EXPECT_EQ(command.value().session, c.session);
    }
}

}  // namespace
}  // namespace korvan::rdp
