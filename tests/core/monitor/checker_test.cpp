#include "core/monitor/checker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/app/gbk.h"
#include "core/app/texts.h"
#include "fakes/fake_connector.h"
#include "fakes/fake_gui_thread.h"
#include "fakes/fake_timers.h"

namespace korvan {
namespace {

using testing::FakeConnector;
using testing::FakeGuiThread;
using testing::FakeTimers;

// "h0", "h1", ...; appended rather than prefixed, which keeps GCC 12's
// -Wrestrict false positive on `"h" + std::to_string(i)` away.
std::string hostName(int i) {
    std::string name = "h";
    name += std::to_string(i);
    return name;
}

TEST(ReachabilityTarget, AddressAndPortRules) {
    struct Case {
        const char* address;
        std::optional<std::pair<std::string, int>> expected;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"srv", {{"srv", 3389}}},
        {"srv:", {{"srv", 3389}}},
        {":3389", {{"", 3389}}},
        {"srv:abc", {{"srv", 1}}},
        {"srv:70000", {{"srv", 4464}}},
        {"10.0.0.5:3390.9", {{"10.0.0.5", 3390}}},
        {"srv:0", {{"srv", 1}}},
        {"srv:-7", {{"srv", 1}}},
        {"srv:65535", {{"srv", 65535}}},
        {"srv:65536", {{"srv", 0}}},
        {"srv:131073", {{"srv", 1}}},
        {"srv: 3390", {{"srv", 3390}}},
        {"srv:3390abc", {{"srv", 3390}}},
        {"srv:99999999999999999999999", {{"srv", 65535}}},  // clamped, then modulo
        {"srv:3390:extra", {{"srv", 3390}}},
        {"::", {{"", 1}}},
    };
    for (const auto& c : cases) {
        auto target = reachabilityTarget(c.address);
        ASSERT_EQ(target.has_value(), c.expected.has_value()) << c.address;
        if (!target) continue;
        EXPECT_EQ(target->host, c.expected->first) << c.address;
        EXPECT_EQ(target->port, c.expected->second) << c.address;
    }
    // A GBK host name is split whole, never inside a double-byte character.
    auto named = reachabilityTarget(gbk("服务器:3390"));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->host, gbk("服务器"));
    EXPECT_EQ(named->port, 3390);
}

class CheckerTest : public ::testing::Test {
protected:
    HostList hosts;
    CellColourTable colours;
    FakeTimers timers;
    FakeGuiThread gui;
    FakeConnector connector;
    std::optional<Checker> checker;
    std::vector<int> checkedRows;
    int finished = 0;

    void SetUp() override {
        checker.emplace(hosts, colours, timers, gui, connector, CheckerOptions{});
        checker->setListener(
            {[&](int row, bool) { checkedRows.push_back(row); }, [&] { ++finished; }});
    }

    int addHost(const std::string& note, const std::string& address) {
        int row = hosts.appendRow();
        hosts.setCellText(row, kColumnNote, note);
        hosts.setCellText(row, kColumnAddress, address);
        hosts.setCellText(row, kColumnStatus, text(TextId::StatusChecking));
        return row;
    }

    std::string status(int row) const { return hosts.cellText(row, kColumnStatus); }

    bool runSweep() {
        return gui.runUntil([&] { return checker->idle(); });
    }
};

TEST_F(CheckerTest, SweepWritesStatusesAndColoursAndSkipsEmptyAddresses) {
    connector.reachable = {{"up", true}, {"down", false}};
    addHost("a", "up:3390");
    addHost("b", "down");
    addHost("c", "");
    addHost("d", ":3389");
    checker->arm();
    checker->tick();
    EXPECT_FALSE(checker->idle());
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(finished, 1);

    EXPECT_EQ(status(0), text(TextId::StatusOnline));
    EXPECT_EQ(status(1), text(TextId::StatusOffline));
    EXPECT_EQ(status(2), text(TextId::StatusChecking));  // empty address: untouched
    EXPECT_EQ(status(3), text(TextId::StatusOffline));   // empty host never connects
    EXPECT_EQ(checkedRows, (std::vector<int>{0, 1, 3}));

    const CellColours blue{kColourBlue, kColourWhite}, black{kColourBlack, kColourWhite};
    EXPECT_EQ(colours.lookup(0, kColumnStatus), blue);
    EXPECT_EQ(colours.lookup(0, kColumnNote), blue);
    EXPECT_EQ(colours.lookup(1, kColumnStatus), black);
    EXPECT_EQ(colours.lookup(1, kColumnNote), blue);
    EXPECT_FALSE(colours.find(2, kColumnNote));
    EXPECT_FALSE(colours.find(1, kColumnStatus));  // black on white is the default: no entry

    auto seen = connector.targetsSeen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].port, 3390);
    EXPECT_EQ(seen[1].port, 3389);
    EXPECT_EQ(seen[2].host, "");
}

TEST_F(CheckerTest, ResultsReachTheRowsInRowOrderWhateverOrderTheyEndIn) {
    connector.reverseOrder = true;
    for (int i = 0; i < 6; ++i) addHost("n", i == 2 ? "" : hostName(i));
    connector.reachable["h4"] = true;
    checker->arm();
    checker->tick();
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(checkedRows, (std::vector<int>{0, 1, 3, 4, 5}));
    EXPECT_EQ(status(4), text(TextId::StatusOnline));
}

TEST_F(CheckerTest, EmptyListSweepEndsIdle) {
    checker->arm();
    checker->tick();
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(connector.callCount(), 1);
    EXPECT_TRUE(connector.targetsSeen().empty());
}

TEST_F(CheckerTest, TimerPeriodsOfStartupTickRefreshAndImport) {
    using Call = FakeTimers::Call;
    const auto online = Timers::Id::OnlineCheck;
    EXPECT_FALSE(checker->idle());  // nothing starts before start-up has armed it
    checker->tick();
    EXPECT_EQ(connector.callCount(), 0);

    checker->arm();
    EXPECT_TRUE(checker->idle());
    checker->tick();
    ASSERT_TRUE(runSweep());
    checker->refresh();
    checker->requestEarlyCheck();
    EXPECT_EQ(
        timers.calls,
        (std::vector<Call>{
            {online, 60000}, {online, 100}, {online, 60000}, {online, 1000}, {online, 1000}}));
}

TEST_F(CheckerTest, SortModePausesTicksAndKeepsThePeriod) {
    addHost("a", "h");
    checker->arm();
    hosts.setSortMode(true);
    checker->tick();
    checker->tick();
    EXPECT_EQ(timers.period(Timers::Id::OnlineCheck), 100);
    EXPECT_TRUE(checker->idle());
    EXPECT_EQ(gui.runPending(), 0);
    EXPECT_EQ(connector.callCount(), 0);

    hosts.setSortMode(false);
    checker->tick();
    EXPECT_EQ(timers.period(Timers::Id::OnlineCheck), 60000);
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(connector.callCount(), 1);
}

TEST_F(CheckerTest, SortModeLetsARunningSweepFinish) {
    addHost("a", "h0");
    addHost("b", "h1");
    connector.holdAfter = 1;
    checker->arm();
    checker->tick();
    ASSERT_TRUE(connector.waitUntilHeld());
    hosts.setSortMode(true);
    connector.release();
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(status(1), text(TextId::StatusOffline));
}

TEST_F(CheckerTest, TicksDuringASweepStartNoSecondWorkerAndStopStillEndsIt) {
    for (int i = 0; i < 4; ++i) addHost("n", hostName(i));
    connector.holdAfter = 1;
    checker->arm();
    checker->tick();
    ASSERT_TRUE(connector.waitUntilHeld());
    checker->tick();
    checker->tick();
    EXPECT_FALSE(checker->checkAllHosts());
    EXPECT_EQ(connector.callCount(), 1);
    EXPECT_EQ(timers.period(Timers::Id::OnlineCheck), 60000);

    checker->stop();                // returns although the connector is still held
    EXPECT_FALSE(checker->idle());  // stopping alone does not make it idle
    gui.runPending();
    EXPECT_EQ(status(0), text(TextId::StatusChecking));  // posted before the stop, dropped
    EXPECT_EQ(finished, 0);
}

TEST_F(CheckerTest, StopMidSweepLeavesLaterRowsUntouchedAndKeepsColours) {
    for (int i = 0; i < 5; ++i) addHost("n", hostName(i));
    connector.reachable = {{"h0", true}, {"h1", true}, {"h2", true}, {"h3", true}, {"h4", true}};
    connector.holdAfter = 2;
    checker->arm();
    checker->tick();
    ASSERT_TRUE(connector.waitUntilHeld());
    // The first two results have reached the GUI thread; the rest have not.
    ASSERT_TRUE(gui.runUntil([&] { return checkedRows.size() == 2; }));
    checker->stop();
    connector.release();
    gui.runPending();
    EXPECT_EQ(status(1), text(TextId::StatusOnline));
    for (int row = 2; row < 5; ++row) {
        EXPECT_EQ(status(row), text(TextId::StatusChecking)) << row;
        EXPECT_FALSE(colours.find(row, kColumnNote)) << row;
    }
    // Stopping (as the close box does) never drops the colours already shown,
    // so a close the user declines leaves the list painted as it was.
    EXPECT_EQ(colours.lookup(0, kColumnStatus).text, kColourBlue);
    EXPECT_EQ(colours.lookup(1, kColumnNote).text, kColourBlue);
}

TEST_F(CheckerTest, RefreshStopsTheSweepAndTheNextTickStartsFromRowZero) {
    for (int i = 0; i < 3; ++i) addHost("n", hostName(i));
    connector.holdAfter = 1;
    checker->arm();
    checker->tick();
    ASSERT_TRUE(connector.waitUntilHeld());
    checker->refresh();
    EXPECT_TRUE(checker->idle());
    EXPECT_EQ(timers.period(Timers::Id::OnlineCheck), 1000);
    gui.runPending();
    EXPECT_TRUE(checkedRows.empty());

    connector.holdAfter = -1;
    connector.reachable["h0"] = true;
    checker->tick();
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(checkedRows, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(status(0), text(TextId::StatusOnline));
    EXPECT_EQ(connector.callCount(), 2);
}

TEST_F(CheckerTest, RowsDeletedOrChangedMeanwhileGetNoForeignResult) {
    for (int i = 0; i < 4; ++i) addHost("n", hostName(i));
    connector.reachable = {{"h0", true}, {"h1", true}, {"h2", true}, {"h3", true}};
    checker->arm();
    checker->tick();
    ASSERT_TRUE(gui.waitForPosts(5));  // four results and the end of the sweep, all queued
    hosts.deleteRow(3);
    hosts.setCellText(1, kColumnAddress, "elsewhere");
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(checkedRows, (std::vector<int>{0, 2}));
    EXPECT_EQ(status(1), text(TextId::StatusChecking));
    EXPECT_FALSE(colours.find(3, kColumnNote));

    // Rows that moved up hold other hosts now: their old rows' results miss.
    checkedRows.clear();
    checker->tick();
    ASSERT_TRUE(gui.waitForPosts(5 + 4));
    hosts.deleteRow(0);
    ASSERT_TRUE(runSweep());
    EXPECT_TRUE(checkedRows.empty());
}

TEST_F(CheckerTest, WorkQueuedForACheckerThatIsGoneDoesNothing) {
    addHost("a", "h0");
    checker->arm();
    checker->tick();
    ASSERT_TRUE(gui.waitForPosts(2));
    checker.reset();
    EXPECT_EQ(gui.runPending(), 2);
    EXPECT_EQ(status(0), text(TextId::StatusChecking));
}

TEST_F(CheckerTest, OptionsReachTheConnector) {
    checker.emplace(hosts, colours, timers, gui, connector,
                    CheckerOptions{std::chrono::milliseconds(250), 0});
    checker->arm();
    checker->tick();
    ASSERT_TRUE(runSweep());
    EXPECT_EQ(connector.optionsSeen().timeout, std::chrono::milliseconds(250));
    EXPECT_EQ(connector.optionsSeen().parallel, 1);  // at least one attempt at a time
}

}  // namespace
}  // namespace korvan
