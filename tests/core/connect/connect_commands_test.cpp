#include <gtest/gtest.h>

#include "core/app/gbk.h"
#include "core/app/texts.h"
#include "core/connect/connect_commands.h"
#include "fakes/fake_cycle_counter.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_protection.h"
#include "fakes/fake_registry.h"

namespace korvan {
namespace {

using namespace korvan::testing;
using Strings = std::vector<std::string>;

class TempPlaces : public Places {
public:
    std::filesystem::path temp = "/tmp";
    std::filesystem::path executablePath() override { return "/opt/k/k"; }
    std::filesystem::path temporaryDirectory() override { return temp; }
    std::filesystem::path desktopDirectory() override { return "/tmp"; }
    Result<std::filesystem::path> databasePath() override {
        return std::filesystem::path("/opt/k/Remote.db");
    }
};

// Profile writes go into the dialogs' log as "build:<user>", so that one
// trace shows builds, waits, launches and the window state in order.
class LoggedFiles : public FakeFiles {
public:
    explicit LoggedFiles(FakeDialogs& log) : dialogs(log) {}
    Result<void> writePrivate(const std::filesystem::path& path, std::string_view data) override {
        auto at = data.find("username:s:") + 11;
        dialogs.note("build:" + std::string(data.substr(at, data.find('\r', at) - at)));
        return FakeFiles::writePrivate(path, data);
    }
    FakeDialogs& dialogs;
};

struct Connect {
    SessionSettings settings;
    FakeDialogs dialogs;
    LoggedFiles files{dialogs};
    TempPlaces places;
    FakeRegistry registry;
    FakeProtection protection;
    FakeCycleCounter counter;
    FakeProcesses processes;
    HostList hosts;
    ProfileBuilder builder{settings, files, places, registry, protection, counter};
    ConnectCommands commands{hosts, settings, builder, dialogs, processes};

    // Rows 0..n-1 with users u0..u(n-1).
    explicit Connect(int rows = 8) {
        settings.applyDefaults();
        for (int i = 0; i < rows; ++i) {
            int r = hosts.appendRow();
            hosts.setCellText(r, kColumnAddress, "10.0.0." + std::to_string(i));
            hosts.setCellText(r, kColumnUser, "u" + std::to_string(i));
            hosts.setCellText(r, kColumnPassword, "p");
        }
        processes.onStart = [this](const std::string& line) { dialogs.note("start:" + line); };
    }
    std::string launch() const {
        return "start:mstsc.exe " + builder.CurrentProfilePath() + " /console";
    }
};

TEST(ConnectCommands, NoSelectionShowsTheNoticeAndWritesNothing) {
    for (int via = 0; via < 2; ++via) {
        Connect c;
        if (via == 0)
            c.commands.connectHostChosen();
        else
            c.commands.listDoubleClicked();
        EXPECT_EQ(c.dialogs.trace(), Strings{"box:" + text(TextId::NoHostSelected)});
        auto box = c.dialogs.messageBoxes().at(0);
        EXPECT_EQ(box.icon, Dialogs::Icon::Information);
        EXPECT_EQ(box.buttons, Dialogs::Buttons::Ok);
        EXPECT_TRUE(c.files.written.empty());
        EXPECT_TRUE(c.registry.writes.empty());
        EXPECT_TRUE(c.processes.started.empty());
    }
}

TEST(ConnectCommands, OneSelectedRowConnectsWithoutBatchWaits) {
    Connect c;
    c.hosts.selectRow(5);
    c.commands.connectHostChosen();
    EXPECT_EQ(c.dialogs.trace(), (Strings{"build:u5", "wait:10", c.launch()}));
    EXPECT_EQ(c.settings.targetHost, "10.0.0.5");
}

TEST(ConnectCommands, DoubleClickConnectsTheLowestSelectedRow) {
    Connect c;
    c.hosts.selectRow(6);
    c.hosts.selectRow(3);
    c.commands.listDoubleClicked();
    EXPECT_EQ(c.dialogs.trace(), (Strings{"build:u3", "wait:10", c.launch()}));
}

TEST(ConnectCommands, DoubleClickInSortModeDoesNothing) {
    Connect c;
    c.hosts.selectRow(2);
    c.hosts.setSortMode(true);
    c.commands.listDoubleClicked();
    EXPECT_TRUE(c.dialogs.events.empty());
    EXPECT_TRUE(c.processes.started.empty());
}

TEST(ConnectCommands, SeveralSelectedRowsConnectInAscendingOrderWithPacing) {
    Connect c;
    for (int r : {4, 1, 7}) c.hosts.selectRow(r);
    Strings launches;
    c.processes.onStart = [&](const std::string& line) {
        c.dialogs.note("start:" + line);
        launches.push_back("start:" + line);
    };
    c.commands.connectHostChosen();
    ASSERT_EQ(launches.size(), 3u);
    EXPECT_EQ(c.dialogs.trace(),
              (Strings{"disable", "wait:200", "build:u1", "wait:200", launches[0], "wait:200",
                       "build:u4", "wait:200", launches[1], "wait:200", "build:u7", "wait:200",
                       launches[2], "enable"}));
    // Each client gets its own new profile.
    EXPECT_EQ(c.files.written.size(), 3u);
    EXPECT_NE(launches[0], launches[1]);
    EXPECT_TRUE(c.dialogs.mainWindowEnabled);
}

TEST(ConnectCommands, BatchGoesOnWhenAClientCannotStart) {
    Connect c;
    c.processes.startFails = true;
    c.hosts.selectRow(0);
    c.hosts.selectRow(1);
    c.commands.connectHostChosen();
    EXPECT_EQ(c.processes.started.size(), 2u);
    EXPECT_EQ(c.dialogs.messageBoxes().size(), 0u);
    EXPECT_EQ(c.dialogs.trace().back(), "enable");
}

TEST(ConnectCommands, ConnectAllAsksThenConnectsEveryRow) {
    Connect c(3);
    c.dialogs.answers = {Dialogs::Answer::Yes};
    c.commands.connectAllChosen();
    auto t = c.dialogs.trace();
    ASSERT_EQ(t.size(), 2u + 1u + 3u * 4u + 1u);
    EXPECT_EQ(t[0], "wait:10");
    EXPECT_EQ(t[1], "box:" + text(TextId::AskConnectAll));
    EXPECT_EQ(t[2], "disable");
    EXPECT_EQ(t[4], "build:u0");
    EXPECT_EQ(t[8], "build:u1");
    EXPECT_EQ(t[12], "build:u2");
    EXPECT_EQ(t.back(), "enable");
    auto box = c.dialogs.messageBoxes().at(0);
    EXPECT_EQ(box.icon, Dialogs::Icon::Information);
    EXPECT_EQ(box.buttons, Dialogs::Buttons::YesNo);
}

TEST(ConnectCommands, ConnectAllCountsRowsAfterTheAnswer) {
    Connect c(1);
    c.dialogs.answers = {Dialogs::Answer::Yes};
    // A row added while the question is up (a timer tick) is connected too.
    c.dialogs.onWait = [&](int) {
        if (c.hosts.rowCount() == 1) c.hosts.setCellText(c.hosts.appendRow(), kColumnUser, "late");
    };
    c.commands.connectAllChosen();
    EXPECT_EQ(c.processes.started.size(), 2u);
}

TEST(ConnectCommands, ConnectAllAnsweredOtherwiseDoesNothing) {
    for (auto answer : {Dialogs::Answer::No, Dialogs::Answer::Closed}) {
        Connect c;
        c.dialogs.answers = {answer};
        c.commands.connectAllChosen();
        EXPECT_EQ(c.dialogs.trace(), (Strings{"wait:10", "box:" + text(TextId::AskConnectAll)}));
        EXPECT_TRUE(c.processes.started.empty());
    }
}

TEST(ConnectCommands, ConnectAllOnAnEmptyListStillTogglesTheWindow) {
    Connect c(0);
    c.dialogs.answers = {Dialogs::Answer::Yes};
    c.commands.connectAllChosen();
    EXPECT_EQ(c.dialogs.trace(),
              (Strings{"wait:10", "box:" + text(TextId::AskConnectAll), "disable", "enable"}));
}

TEST(ConnectCommands, SessionSwitchEndsTheCommandLine) {
    Connect c;
    c.settings.sessionSwitch = "Admin";
    c.hosts.selectRow(0);
    c.commands.connectHostChosen();
    ASSERT_EQ(c.processes.started.size(), 1u);
    EXPECT_EQ(c.processes.started[0], "mstsc.exe " + c.builder.CurrentProfilePath() + " /Admin");
}

TEST(RdpCommandLine, QuotesOnlyAPathWithABlank) {
    EXPECT_EQ(RdpCommandLine("C:\\Temp\\Korvan_qTfA6028.KV", "console"),
              "mstsc.exe C:\\Temp\\Korvan_qTfA6028.KV /console");
    EXPECT_EQ(RdpCommandLine("C:\\Users\\Jo Smith\\Temp\\Korvan_qTfA6028.KV", "Admin"),
              "mstsc.exe \"C:\\Users\\Jo Smith\\Temp\\Korvan_qTfA6028.KV\" /Admin");
    EXPECT_EQ(RdpCommandLine(gbk("C:\\用户\\Korvan_a.KV"), "Console"),
              gbk("mstsc.exe C:\\用户\\Korvan_a.KV /Console"));
}

TEST(ConnectCommands, TemporaryDirectoryWithABlankIsQuoted) {
    Connect c;
    c.places.temp = "/home/jo smith/tmp";
    c.hosts.selectRow(0);
    c.commands.connectHostChosen();
    ASSERT_EQ(c.processes.started.size(), 1u);
    EXPECT_EQ(c.processes.started[0],
              "mstsc.exe \"" + c.builder.CurrentProfilePath() + "\" /console");
    EXPECT_EQ(c.builder.currentProfile().parent_path(), c.places.temp);
}

}  // namespace
}  // namespace korvan
