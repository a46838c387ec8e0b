#include "linux/rdp/client_launch.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "core/app/gbk.h"
#include "core/connect/password_blob.h"
#include "core/connect/profile_builder.h"
#include "core/ports/cycle_counter.h"
#include "core/ports/places.h"
#include "core/ports/registry.h"
#include "linux/rdp/rdp_profile.h"

namespace korvan::rdp {
namespace {

namespace fs = std::filesystem;

// The profile comes from the same builder and ports the connect command
// uses, so these tests hold the writer and the client to one contract. The
// protection key and the profiles live in a directory of the test's own.
class ClientLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "korvan-rdp-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        fs::create_directories(root / "tmp");
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("TMPDIR", (root / "tmp").c_str(), 1);
        settings.applyDefaults();
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("TMPDIR");
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // Builds the profile of one row; texts are given in UTF-8.
    fs::path buildProfile(const std::string& address, const std::string& user,
                          const std::string& password) {
        HostList hosts;
        int row = hosts.appendRow();
        hosts.setCellText(row, kColumnAddress, gbk(address));
        hosts.setCellText(row, kColumnUser, gbk(user));
        hosts.setCellText(row, kColumnPassword, gbk(password));
        ProfileBuilder builder(settings, *files, *places, *registry, *protection, *counter);
        builder.BuildProfile(hosts, row);
        return builder.currentProfile();
    }

    Result<ClientLaunch> launch(const fs::path& profile, const std::string& sessionSwitch) {
        std::vector<std::string> args{profile.string(), sessionSwitch};
        return prepareLaunch(args, *files, *protection);
    }

    fs::path root;
    SessionSettings settings;
    std::unique_ptr<Files> files = makeSystemFiles();
    std::unique_ptr<Places> places = makeSystemPlaces();
    std::unique_ptr<Registry> registry = makeSystemRegistry();
    std::unique_ptr<Protection> protection = makeSystemProtection();
    std::unique_ptr<CycleCounter> counter = makeSystemCycleCounter();
};

TEST_F(ClientLaunchTest, ProfileFromTheBuilderGivesOptionsAndPassword) {
    settings.screenMode = "2";
    settings.driveMapping = "*";
    auto profile = buildProfile("10.0.0.5:3390", "管理员", "Pass 密码!");
    ASSERT_TRUE(fs::exists(profile));

    auto result = launch(profile, "/Admin");
    ASSERT_TRUE(result) << result.error().detail;
    EXPECT_EQ(
        result.value().freerdpArgs,
        (std::vector<std::string>{"/v:10.0.0.5:3390", "/u:管理员", "/f", "/bpp:16", "/audio-mode:2",
                                  "+drives", "/admin", "/cert:ignore", "/from-stdin:force"}));
    EXPECT_EQ(result.value().password, "Pass 密码!");
    for (const auto& arg : result.value().freerdpArgs)
        EXPECT_EQ(arg.find("密码"), std::string::npos) << "password leaked into " << arg;
}

TEST_F(ClientLaunchTest, PasswordsOfEveryLengthSurviveTheField) {
    const std::string longPassword(300, 'x');  // the field keeps 256 units, no terminator
    const struct {
        std::string password;
        std::string expected;
    } cases[] = {{"", ""},
                 {"a", "a"},
                 {"中文密码", "中文密码"},
                 {longPassword, longPassword.substr(0, 256)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password.size());
        auto result = launch(buildProfile("h", "u", c.password), "/console");
        ASSERT_TRUE(result) << result.error().detail;
        EXPECT_EQ(result.value().password, c.expected);
    }
}

TEST_F(ClientLaunchTest, BadBlobsAreRefusedWithAReason) {
    const std::string good = ProtectPassword(*protection, "secret");
    std::string damaged = good;
    damaged[10] = damaged[10] == 'A' ? 'B' : 'A';
    const struct {
        std::string blob;
        std::string_view reason;
    } cases[] = {
        {"", "not hexadecimal pairs"},
        {"0", "no protected password"},
        {good.substr(0, good.size() - 1), "not hexadecimal pairs"},  // even length
        {good.substr(0, good.size() - 1) + "1", "not hexadecimal pairs"},
        {"ZZ" + good.substr(2), "non-hexadecimal"},
        {damaged, "cannot be unprotected"},
        {"00112233440", "cannot be unprotected"},  // too short to be sealed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blob);
        auto password = unsealPassword(c.blob, *protection);
        ASSERT_FALSE(password);
        EXPECT_NE(password.error().detail.find(c.reason), std::string::npos)
            << password.error().detail;
    }
    ASSERT_TRUE(unsealPassword(good, *protection));
}

TEST_F(ClientLaunchTest, AnotherUsersProfileCannotBeUnsealed) {
    auto profile = buildProfile("h", "u", "secret");
    ::setenv("XDG_CONFIG_HOME", (root / "someone-else").c_str(), 1);
    auto other = makeSystemProtection();
    ASSERT_TRUE(other->protect("make that user's key", u"psw"));
    std::vector<std::string> args{profile.string(), "/console"};
    auto result = prepareLaunch(args, *files, *other);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().detail.find(profile.string()), std::string::npos);
    EXPECT_NE(result.error().detail.find("cannot be unprotected"), std::string::npos);
}

TEST_F(ClientLaunchTest, PasswordWithALineBreakIsRefused) {
    // FreeRDP reads the password as one line: the rest would be lost.
    auto result = launch(buildProfile("h", "u", "first\nsecond"), "/console");
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().detail.find("line break"), std::string::npos);
}

TEST_F(ClientLaunchTest, MissingProfileNamesThePath) {
    auto result = launch(root / "tmp" / "Korvan_none0000.KV", "/console");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, ErrorCode::NotFound);
    EXPECT_NE(result.error().detail.find("Korvan_none0000.KV"), std::string::npos);
}

}  // namespace
}  // namespace korvan::rdp
