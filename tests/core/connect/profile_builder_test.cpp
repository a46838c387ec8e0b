#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "core/app/gbk.h"
#include "core/connect/password_blob.h"
#include "core/connect/profile_builder.h"
#include "core/connect/profile_template.h"
#include "fakes/fake_cycle_counter.h"
#include "fakes/fake_files.h"
#include "fakes/fake_protection.h"
#include "fakes/fake_registry.h"

namespace korvan {
namespace {

using namespace korvan::testing;

class FixedPlaces : public Places {
public:
    std::filesystem::path temp = "/tmp/korvan-test";
    std::filesystem::path executablePath() override { return "/opt/korvan/Korvan3389"; }
    std::filesystem::path temporaryDirectory() override { return temp; }
    std::filesystem::path desktopDirectory() override { return "/home/u/Desktop"; }
    Result<std::filesystem::path> databasePath() override {
        return std::filesystem::path("/opt/korvan/Remote.db");
    }
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        out.push_back(text.substr(start, at - start));
    out.push_back(text.substr(start));
    return out;
}

struct Builder {
    SessionSettings settings;
    FakeFiles files;
    FixedPlaces places;
    FakeRegistry registry;
    FakeProtection protection;
    FakeCycleCounter counter;
    ProfileBuilder builder{settings, files, places, registry, protection, counter};
    HostList hosts;

    Builder() { settings.applyDefaults(); }

    int addHost(std::string address, std::string user = "admin", std::string password = "pw") {
        int row = hosts.appendRow();
        hosts.setCellText(row, kColumnNote, gbk("备注"));
        hosts.setCellText(row, kColumnAddress, std::move(address));
        hosts.setCellText(row, kColumnUser, std::move(user));
        hosts.setCellText(row, kColumnStatus, gbk("在线"));
        hosts.setCellText(row, kColumnPassword, std::move(password));
        return row;
    }
    // Builds the row's profile and returns the file's lines.
    std::vector<std::string> build(int row) {
        builder.BuildProfile(hosts, row);
        return lines(files.contents.at(builder.currentProfile()));
    }
};

const std::string kKey(kLocalDevicesKey);

TEST(BuildProfile, AddressesGiveTheFullAddressLineAndTheRegistryValueName) {
    struct Case {
        std::string address, line18, valueName, port;
    } cases[] = {
        {"192.168.0.100", "full address:s:192.168.0.100:3389", "192.168.0.100", "3389"},
        {"192.168.0.200:3390", "full address:s:192.168.0.200:3390", "192.168.0.200", "3390"},
        {"srv:", "full address:s:srv::3389", "srv:", "3389"},
        {"a:b:c", "full address:s:a:b", "a", "b"},
        {"", "full address:s::3389", "", "3389"},
        {gbk("主机:3389"), gbk("full address:s:主机:3389"), gbk("主机"), "3389"},
    };
    for (const auto& c : cases) {
        Builder b;
        auto l = b.build(b.addHost(c.address));
        EXPECT_EQ(l[17], c.line18) << c.address;
        EXPECT_EQ(b.settings.targetPort, c.port) << c.address;
        ASSERT_EQ(b.registry.writes.size(), 1u) << c.address;
        EXPECT_EQ(b.registry.writes[0], FakeRegistry::Name(kKey, c.valueName));
        EXPECT_EQ(b.registry.values.at({kKey, c.valueName}).number, 76u);
    }
}

TEST(BuildProfile, DefaultsFillTheParameterLines) {
    Builder b;
    auto l = b.build(b.addHost("10.0.0.1", gbk("管理员"), "secret"));
    ASSERT_EQ(l.size(), 38u);
    EXPECT_EQ(l[0], "screen mode id:i:1");
    EXPECT_EQ(l[1], "desktopwidth:i:1024");
    EXPECT_EQ(l[2], "desktopheight:i:768");
    EXPECT_EQ(l[3], "session bpp:i:16");
    EXPECT_EQ(l[6], "keyboardhook:i:2");
    EXPECT_EQ(l[8], gbk("username:s:管理员"));
    EXPECT_EQ(l[18], "password 51:b:" + b.settings.targetPasswordBlob);
    EXPECT_EQ(l[19], "audiomode:i:2");
    EXPECT_EQ(l[25], "drivestoredirect:s:0");
    // Every other line is the template's own.
    auto t = lines(ProfileTemplate());
    for (int i : {4, 5, 7, 9, 16, 20, 27, 31, 32, 33, 37}) EXPECT_EQ(l[i], t[i]) << i;

    // The written bytes: 37 CR LF pairs, no final line end, no BOM.
    const std::string& bytes = b.files.contents.at(b.builder.currentProfile());
    size_t pairs = 0;
    for (size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++pairs;
    EXPECT_EQ(pairs, 37u);
    EXPECT_EQ(bytes.substr(0, 6), "screen");
    EXPECT_NE(bytes.back(), '\n');

    EXPECT_EQ(b.settings.targetHost, "10.0.0.1");
    EXPECT_EQ(b.settings.targetUser, gbk("管理员"));
    // The blob protects this row's password.
    EXPECT_EQ(b.protection.calls.back().data, PasswordField(ToUtf16("secret")));
}

TEST(BuildProfile, ChangedParametersAreInsertedAsTheyAre) {
    Builder b;
    b.settings.screenMode = "2";
    b.settings.desktopWidth = "1920";
    b.settings.desktopHeight = "1080";
    b.settings.colourDepth = "32";
    b.settings.keyboardMode = "0";
    b.settings.audioMode = "1";
    b.settings.driveMapping = "*";
    auto l = b.build(b.addHost("h"));
    EXPECT_EQ(l[0], "screen mode id:i:2");
    EXPECT_EQ(l[1], "desktopwidth:i:1920");
    EXPECT_EQ(l[2], "desktopheight:i:1080");
    EXPECT_EQ(l[3], "session bpp:i:32");
    EXPECT_EQ(l[6], "keyboardhook:i:0");
    EXPECT_EQ(l[19], "audiomode:i:1");
    EXPECT_EQ(l[25], "drivestoredirect:s:*");
}

TEST(BuildProfile, UserNameHoldingThePasswordPlaceholderGetsTheBlob) {
    Builder b;
    b.protection.outputs = {"\x01\x02"};
    auto l = b.build(b.addHost("h", gbk("x%密码%y")));
    EXPECT_EQ(l[8], "username:s:x01020y");
    EXPECT_EQ(l[18], "password 51:b:01020");
}

TEST(BuildProfile, FailedProtectionWritesZero) {
    Builder b;
    b.protection.failFrom = 0;
    auto l = b.build(b.addHost("h"));
    EXPECT_EQ(l[18], "password 51:b:0");
    EXPECT_EQ(b.settings.targetPasswordBlob, "0");
}

TEST(EnsureLocalDevicesValue, AnExistingValueIsLeftAlone) {
    Builder b;
    b.registry.values[{kKey, "h"}] = {false, 0};  // a value of another type
    b.build(b.addHost("h:3390"));
    EXPECT_TRUE(b.registry.writes.empty());
    EXPECT_FALSE(b.registry.values.at({kKey, "h"}).isDword);
}

TEST(EnsureLocalDevicesValue, AHostWithBackslashesStaysTheValueName) {
    Builder b;
    b.build(b.addHost("evil\\..\\Run\\x:3389"));
    ASSERT_EQ(b.registry.queries.size(), 1u);
    EXPECT_EQ(b.registry.queries[0], FakeRegistry::Name(kKey, "evil\\..\\Run\\x"));
    ASSERT_EQ(b.registry.writes.size(), 1u);
    EXPECT_EQ(b.registry.writes[0], FakeRegistry::Name(kKey, "evil\\..\\Run\\x"));
}

TEST(EnsureLocalDevicesValue, AFailedWriteIsIgnored) {
    Builder b;
    b.registry.failWrites = true;
    auto l = b.build(b.addHost("h"));
    EXPECT_EQ(l.size(), 38u);
    EXPECT_EQ(b.registry.writes.size(), 1u);
}

TEST(BuildProfile, EachProfileGetsANewRandomNameInTheTemporaryDirectory) {
    Builder b;
    int row = b.addHost("h");
    // Readings 0 and 1 mix to 7 and 30: letter case 2 (upper) then 'H',
    // case 1 (lower) then 'e'; digits pick "02468"[2] and [0].
    b.counter.readings = {0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 0, 1};
    b.builder.BuildProfile(b.hosts, row);
    EXPECT_EQ(b.builder.currentProfile(), b.places.temp / "Korvan_HeHe4040.KV");
    EXPECT_EQ(b.builder.CurrentProfilePath(), pathToGbk(b.places.temp / "Korvan_HeHe4040.KV"));

    std::regex name("Korvan_[a-zA-Z]{4}[02468]{4}\\.KV");
    std::set<std::filesystem::path> seen;
    for (int i = 0; i < 5; ++i) {
        b.builder.BuildProfile(b.hosts, row);
        EXPECT_TRUE(std::regex_match(b.builder.currentProfile().filename().string(), name));
        seen.insert(b.builder.currentProfile());
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(b.files.written.size(), 6u);
}

TEST(BuildProfile, AnUnwritableProfileStillBecomesCurrent) {
    Builder b;
    b.files.failWritesFrom = 0;
    b.builder.BuildProfile(b.hosts, b.addHost("h"));
    EXPECT_FALSE(b.builder.CurrentProfilePath().empty());
    EXPECT_TRUE(b.files.contents.empty());
    EXPECT_EQ(b.settings.targetHost, "h");
}

}  // namespace
}  // namespace korvan
