#include "core/store/config_store.h"

#include <gtest/gtest.h>

#include "core/app/gbk.h"
#include "core/store/text_cipher.h"
#include "fakes/fake_files.h"

namespace korvan {
namespace {

using testing::FakeFiles;

const std::filesystem::path kDb = "/data/Remote.db";

void addHost(HostList& list, const std::string& note, const std::string& address,
             const std::string& user, const std::string& password) {
    int row = list.appendRow();
    list.setCellText(row, kColumnNote, note);
    list.setCellText(row, kColumnAddress, address);
    list.setCellText(row, kColumnUser, user);
    list.setCellText(row, kColumnStatus, gbk("在线"));
    list.setCellText(row, kColumnPassword, password);
}

SessionSettings defaults() {
    SessionSettings s;
    s.applyDefaults();
    return s;
}

std::string lines(std::initializer_list<const char*> parts) {
    std::string out;
    for (const char* p : parts) {
        if (!out.empty()) out += "\r\n";
        out += p;
    }
    return gbk(out);
}

TEST(ConfigStore, WritesTheDocumentByteForByte) {
    SessionSettings settings = defaults();
    HostList hosts;
    addHost(hosts, gbk("主机1"), "192.168.0.100", "administrator", "pw1");
    addHost(hosts, gbk("主机2"), "192.168.0.200:3389", "administrator", "p&w<2");
    FakeFiles files;
    ConfigStore store(files, kDb);
    ASSERT_TRUE(store.save(settings, hosts));
    std::string expected = lines({
        "<?xml version=\"1.0\" encoding=\"gb18030\"?>",
        "<主机参数>",
        "\t<分辨率:宽>1024</分辨率:宽>",
        "\t<分辨率:高>768</分辨率:高>",
        "\t<是否全屏>1</是否全屏>",
        "\t<颜色深度>16</颜色深度>",
        "\t<键盘资源>2</键盘资源>",
        "\t<硬盘资源>0</硬盘资源>",
        "\t<音频资源>2</音频资源>",
        "\t<连接方式>console</连接方式>",
        "\t<启动认证>0</启动认证>",
        "\t<启动密码/>",
        "\t<皮肤/>",
        "\t<Count>2</Count>",
        "\t<server_txt1>主机1</server_txt1>",
        "\t<IP1>192.168.0.100</IP1>",
        "\t<username1>administrator</username1>",
        "\t<password1>pw1</password1>",
        "\t<server_txt2>主机2</server_txt2>",
        "\t<IP2>192.168.0.200:3389</IP2>",
        "\t<username2>administrator</username2>",
        "\t<password2>p&amp;w&lt;2</password2>",
        "</主机参数>",
    });
    EXPECT_EQ(ConfigStore::documentText(settings, hosts), expected);
    const std::string& file = files.contents.at(kDb);
    EXPECT_EQ(file, TextCipher::encipher(expected, "QuorTil84362"));
    EXPECT_EQ(file.size(), 3 * expected.size());
    EXPECT_EQ(file.find_first_not_of("0123456789ABCDEF,"), std::string::npos);
    EXPECT_EQ(settings.hostCount, "2");
}

TEST(ConfigStore, RoundTripsSettingsAndHostsButNotStatus) {
    SessionSettings settings = defaults();
    settings.startupAuth = "1";
    settings.startupPassword = gbk("口令 x");
    settings.skin = gbk("经典");
    HostList hosts;
    addHost(hosts, gbk("备注 & <b>"), "10.0.0.1:3390", gbk("用户"), "  spaced pw  ");
    FakeFiles files;
    ConfigStore store(files, kDb);
    ASSERT_TRUE(store.save(settings, hosts));

    SessionSettings loaded = defaults();
    HostList back;
    ConfigStore again(files, kDb);
    LoadReport report = again.load(loaded, back);
    EXPECT_TRUE(report.fileFound);
    EXPECT_TRUE(report.documentRead);
    EXPECT_EQ(report.rowsAppended, 1);
    EXPECT_EQ(loaded.startupAuth, "1");
    EXPECT_EQ(loaded.startupPassword, gbk("口令 x"));
    EXPECT_EQ(loaded.skin, gbk("经典"));
    ASSERT_EQ(back.rowCount(), 1);
    EXPECT_EQ(back.cellText(0, kColumnNote), gbk("备注 & <b>"));
    EXPECT_EQ(back.cellText(0, kColumnUser), gbk("用户"));
    EXPECT_EQ(back.cellText(0, kColumnPassword), "spaced pw");  // the reader trims
    EXPECT_EQ(back.cellText(0, kColumnStatus), "");
}

TEST(ConfigStore, EmptyListSavesCountZeroAndLoadsEmpty) {
    SessionSettings settings = defaults();
    HostList hosts;
    FakeFiles files;
    ConfigStore store(files, kDb);
    ASSERT_TRUE(store.save(settings, hosts));
    std::string doc = TextCipher::decipher(files.contents.at(kDb), ConfigStore::kKey);
    EXPECT_NE(doc.find("\t<Count>0</Count>\r\n</"), std::string::npos);
    HostList back;
    SessionSettings loaded = defaults();
    EXPECT_EQ(ConfigStore(files, kDb).load(loaded, back).rowsAppended, 0);
    EXPECT_EQ(back.rowCount(), 0);
}

TEST(ConfigStore, SkippedRowsLeaveGapsAndVanishAfterARestart) {
    SessionSettings settings = defaults();
    HostList hosts;
    addHost(hosts, "a", "1.1.1.1", "u", "p");
    addHost(hosts, "b", "", "u", "p");         // no address
    addHost(hosts, "c", "3.3.3.3", " ", "p");  // user of one blank
    addHost(hosts, "d", "4.4.4.4", "  ", "p");  // two blanks are kept
    FakeFiles files;
    ASSERT_TRUE(ConfigStore(files, kDb).save(settings, hosts));
    std::string doc = ConfigStore::documentText(settings, hosts);
    EXPECT_NE(doc.find("<Count>4</Count>"), std::string::npos);
    EXPECT_EQ(doc.find("IP2"), std::string::npos);
    EXPECT_EQ(doc.find("IP3"), std::string::npos);
    EXPECT_NE(doc.find("<IP4>4.4.4.4</IP4>"), std::string::npos);

    HostList back;
    SessionSettings loaded = defaults();
    ConfigStore(files, kDb).load(loaded, back);
    ASSERT_EQ(back.rowCount(), 2);
    EXPECT_EQ(back.cellText(1, kColumnNote), "d");
    EXPECT_EQ(back.cellText(1, kColumnUser), "");  // "  " trimmed on reading
    EXPECT_NE(ConfigStore::documentText(loaded, back).find("<IP2>4.4.4.4</IP2>"),
              std::string::npos);
}

TEST(ConfigStore, MissingElementsKeepTheHolderOfTheHostBefore) {
    std::string doc = gbk(
        "<主机参数><Count>5</Count>"
        "<server_txt1>n1</server_txt1><IP1>a1</IP1><username1>u1</username1><password1>p1</password1>"
        "<server_txt2>n2</server_txt2><IP2>a2</IP2><username2>u2</username2><password2>p2</password2>"
        "<IP3>a3</IP3>"
        "<server_txt4>n4</server_txt4>"
        "<IP5>a5</IP5><IP7>a7</IP7></主机参数>");
    SessionSettings settings = defaults();
    HostList hosts;
    LoadReport report = ConfigStore::applyDocument(doc, settings, hosts);
    EXPECT_EQ(report.rowsAppended, 4);
    ASSERT_EQ(hosts.rowCount(), 4);
    EXPECT_EQ(hosts.cellText(2, kColumnAddress), "a3");
    EXPECT_EQ(hosts.cellText(2, kColumnUser), "u2");
    EXPECT_EQ(hosts.cellText(2, kColumnPassword), "p2");
    EXPECT_EQ(hosts.cellText(2, kColumnNote), "n2");
    EXPECT_EQ(hosts.cellText(3, kColumnAddress), "a5");  // Count 5 stops before IP7
    EXPECT_EQ(hosts.cellText(3, kColumnNote), "n4");
    EXPECT_EQ(settings.desktopWidth, "1024");  // absent settings keep the defaults
}

TEST(ConfigStore, CountMissingOrNotANumberLoadsNoHostsButSettings) {
    for (const char* count : {"", "<Count>abc</Count>", "<Count>-3</Count>"}) {
        std::string doc = gbk(std::string("<主机参数><颜色深度>32</颜色深度>") + count +
                              "<IP1>a</IP1></主机参数>");
        SessionSettings settings = defaults();
        HostList hosts;
        ConfigStore::applyDocument(doc, settings, hosts);
        EXPECT_EQ(hosts.rowCount(), 0) << count;
        EXPECT_EQ(settings.colourDepth, "32");
    }
    SessionSettings settings = defaults();
    HostList hosts;
    ConfigStore::applyDocument(gbk("<主机参数><Count>2.9</Count><IP1>a</IP1><IP2>b</IP2>"
                                   "<IP3>c</IP3></主机参数>"),
                               settings, hosts);
    EXPECT_EQ(hosts.rowCount(), 2);
}

TEST(ConfigStore, HugeCountCostsNothing) {
    SessionSettings settings = defaults();
    HostList hosts;
    ConfigStore::applyDocument(gbk("<主机参数><Count>9000000000000</Count><IP1>a</IP1>"
                                   "<IP08>x</IP08></主机参数>"),
                               settings, hosts);
    EXPECT_EQ(hosts.rowCount(), 1);
}

TEST(ConfigStore, LowerCaseHexAndMissingCommasStillLoad) {
    SessionSettings settings = defaults();
    settings.colourDepth = "24";
    HostList hosts;
    addHost(hosts, "n", "h", "u", "p");
    std::string cipher = TextCipher::encipher(ConfigStore::documentText(settings, hosts), ConfigStore::kKey);
    std::string mangled;
    for (char ch : cipher) {
        if (ch == ',' && mangled.size() % 5 == 0) continue;
        mangled += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    FakeFiles files;
    files.contents[kDb] = mangled + std::string("\0trailing", 9);
    SessionSettings loaded = defaults();
    HostList back;
    EXPECT_TRUE(ConfigStore(files, kDb).load(loaded, back).documentRead);
    EXPECT_EQ(loaded.colourDepth, "24");
    EXPECT_EQ(back.rowCount(), 1);
}

TEST(ConfigStore, MissingFileGivesDefaultsAndNoCopy) {
    FakeFiles files;
    ConfigStore store(files, kDb);
    SessionSettings settings = defaults();
    HostList hosts;
    LoadReport report = store.load(settings, hosts);
    EXPECT_FALSE(report.fileFound);
    EXPECT_EQ(settings.desktopWidth, "1024");
    ASSERT_TRUE(store.save(settings, hosts));
    EXPECT_EQ(files.written, std::vector<std::filesystem::path>{kDb});
}

TEST(ConfigStore, DamagedFileIsKeptAsideBeforeItIsReplaced) {
    FakeFiles files;
    files.contents[kDb] = "not a cipher text at all";
    files.contents["/data/Remote.db.bad"] = "an older damaged copy";
    ConfigStore store(files, kDb);
    SessionSettings settings = defaults();
    HostList hosts;
    LoadReport report = store.load(settings, hosts);
    EXPECT_TRUE(report.fileFound);
    EXPECT_FALSE(report.documentRead);
    EXPECT_EQ(hosts.rowCount(), 0);

    ASSERT_TRUE(store.save(settings, hosts));
    EXPECT_EQ(files.contents.at("/data/Remote.db.bad"), "an older damaged copy");
    EXPECT_EQ(files.contents.at("/data/Remote.db.bad2"), "not a cipher text at all");
    ASSERT_TRUE(store.save(settings, hosts));  // only once
    EXPECT_EQ(files.written.size(), 3u);
}

TEST(ConfigStore, UnreadableFileIsNeverReplacedWithoutACopy) {
    FakeFiles files;
    files.contents[kDb] = "x";
    files.unreadable.push_back(kDb);
    ConfigStore store(files, kDb);
    SessionSettings settings = defaults();
    HostList hosts;
    store.load(settings, hosts);
    EXPECT_FALSE(store.save(settings, hosts));
    EXPECT_EQ(files.contents.at(kDb), "x");
}

TEST(ConfigStore, FailedWriteIsReported) {
    FakeFiles files;
    files.failWritesFrom = 0;
    SessionSettings settings = defaults();
    HostList hosts;
    auto result = ConfigStore(files, kDb).save(settings, hosts);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, ErrorCode::Io);
    EXPECT_TRUE(files.contents.empty());
}

}  // namespace
}  // namespace korvan
