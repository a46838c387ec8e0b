// The system connector and the checker on real loopback sockets.
#include "core/ports/connector.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>

#include "core/app/texts.h"
#include "core/monitor/checker.h"
#include "fakes/fake_gui_thread.h"
#include "fakes/fake_timers.h"
#include "loopback.h"

namespace korvan {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::Endpoint;

constexpr auto kShortTimeout = 300ms;

// Probes and collects every answer, checking that each target is reported
// exactly once.
std::map<std::size_t, bool> probeAll(const std::vector<ProbeTarget>& targets, ProbeOptions options,
                                     std::stop_token stop = {}) {
    auto connector = makeSystemConnector();
    std::map<std::size_t, bool> answers;
    connector->probe(targets, options, stop, [&](std::size_t i, bool ok) {
        EXPECT_LT(i, targets.size());
        EXPECT_TRUE(answers.emplace(i, ok).second) << "reported twice: " << i;
    });
    return answers;
}

TEST(SystemConnector, ListeningRefusedUnansweringAndUnusableHosts) {
    Endpoint listening("127.0.0.1", 16);
    auto refused = testing::refusingEndpoint("127.0.0.1");
    Endpoint silent("127.0.0.1", 0);
    silent.fillQueue();

    std::vector<ProbeTarget> targets = {
        {"127.0.0.1", listening.port},
        {"127.0.0.1", refused.port},
        {"127.0.0.1", silent.port},
        {"", listening.port},           // empty host
        {"localhost", listening.port},  // resolved by the system
        {"no-such-host.invalid", listening.port},
        {"127.0.0.1", 0},  // port 0 never connects
    };
    auto start = Clock::now();
    auto answers = probeAll(targets, {kShortTimeout, 64});
    auto took = Clock::now() - start;
    ASSERT_EQ(answers.size(), targets.size());
    EXPECT_TRUE(answers[0]);
    EXPECT_FALSE(answers[1]);
    EXPECT_FALSE(answers[2]);
    EXPECT_FALSE(answers[3]);
    EXPECT_TRUE(answers[4]);
    EXPECT_FALSE(answers[5]);
    EXPECT_FALSE(answers[6]);
    // The silent port is given up only when its time-out has passed.
    EXPECT_GE(took, kShortTimeout);
}

TEST(SystemConnector, AnsweredConnectionsAreClosedAtOnce) {
    Endpoint listening("127.0.0.1", 16);
    auto answers = probeAll({{"127.0.0.1", listening.port}}, {kShortTimeout, 1});
    ASSERT_TRUE(answers[0]);
    // The probe's end is closed already, with nothing sent.
    EXPECT_TRUE(listening.nextConnectionClosedByPeer());
}

TEST(SystemConnector, ManyUnansweringHostsShareOneTimeOut) {
    std::vector<std::unique_ptr<Endpoint>> silent;
    std::vector<ProbeTarget> targets;
    for (int i = 0; i < 8; ++i) {
        silent.push_back(std::make_unique<Endpoint>("127.0.0.1", 0));
        silent.back()->fillQueue();
        targets.push_back({"127.0.0.1", silent.back()->port});
    }
    auto answers = probeAll(targets, {kShortTimeout, 64});
    ASSERT_EQ(answers.size(), targets.size());
    for (auto& [i, ok] : answers) EXPECT_FALSE(ok) << i;
}

TEST(SystemConnector, StopWakesTheWaitAndReportsNoMore) {
    Endpoint silent("127.0.0.1", 0);
    silent.fillQueue();
    std::vector<ProbeTarget> targets(3, ProbeTarget{"127.0.0.1", silent.port});
    std::stop_source stop;
    std::atomic<int> reported = 0;
    auto start = Clock::now();
    std::jthread stopper([&] {
        std::this_thread::sleep_for(100ms);
        stop.request_stop();
    });
    auto connector = makeSystemConnector();
    connector->probe(targets, {30s, 64}, stop.get_token(), [&](std::size_t, bool) { ++reported; });
    EXPECT_LT(Clock::now() - start, 10s);  // far below the 30 s time-out
    EXPECT_EQ(reported, 0);

    // A stop requested before the call reports nothing either.
    connector->probe(targets, {30s, 64}, stop.get_token(), [&](std::size_t, bool) { ++reported; });
    EXPECT_EQ(reported, 0);
}

TEST(CheckerOnLoopback, StatusesAndColoursFromRealPorts) {
    Endpoint listening("127.0.0.1", 16);
    auto refused = testing::refusingEndpoint("127.0.0.1");
    Endpoint silent("127.0.0.1", 0);
    silent.fillQueue();

    HostList hosts;
    for (const auto& address : {listening.target(), refused.target(), silent.target()}) {
        int row = hosts.appendRow();
        hosts.setCellText(row, kColumnAddress, address);
        hosts.setCellText(row, kColumnStatus, text(TextId::StatusChecking));
    }
    CellColourTable colours;
    testing::FakeTimers timers;
    testing::FakeGuiThread gui;
    auto connector = makeSystemConnector();
    Checker checker(hosts, colours, timers, gui, *connector, {kShortTimeout, 64});
    checker.arm();
    checker.tick();
    ASSERT_TRUE(gui.runUntil([&] { return checker.idle(); }));

    EXPECT_EQ(hosts.cellText(0, kColumnStatus), text(TextId::StatusOnline));
    EXPECT_EQ(colours.lookup(0, kColumnStatus).text, kColourBlue);
    EXPECT_EQ(hosts.cellText(1, kColumnStatus), text(TextId::StatusOffline));
    EXPECT_EQ(colours.lookup(1, kColumnStatus).text, kColourBlack);
    EXPECT_EQ(hosts.cellText(2, kColumnStatus), text(TextId::StatusOffline));
    for (int row = 0; row < 3; ++row) EXPECT_EQ(colours.lookup(row, kColumnNote).text, kColourBlue);
}

TEST(CheckerOnLoopback, StopDuringALongWaitReturnsPromptly) {
    Endpoint silent("127.0.0.1", 0);
    silent.fillQueue();
    HostList hosts;
    hosts.setCellText(hosts.appendRow(), kColumnAddress, silent.target());
    CellColourTable colours;
    testing::FakeTimers timers;
    testing::FakeGuiThread gui;
    auto connector = makeSystemConnector();
    Checker checker(hosts, colours, timers, gui, *connector, {30s, 64});
    checker.arm();
    checker.tick();
    std::this_thread::sleep_for(50ms);
    auto start = Clock::now();
    checker.stop();
    EXPECT_LT(Clock::now() - start, 5s);
    gui.runPending();
    EXPECT_EQ(hosts.cellText(0, kColumnStatus), "");
}

}  // namespace
}  // namespace korvan
