// The probe scheduler against scripted sockets: descriptor exhaustion,
// immediate answers, lookups on helper threads and stops, none of which
// real loopback sockets can be made to do on demand.
#include "core/monitor/probe_scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <semaphore>
#include <set>
#include <span>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace korvan {
namespace {

using namespace std::chrono_literals;
using Handle = ProbeSockets::Handle;
using Start = ProbeSockets::Start;
using State = ProbeSockets::State;

// The scheduler's longest wait when the sockets cannot be woken.
constexpr std::chrono::milliseconds kSlice{50};
// Longest a fake wait really blocks, so that a scheduler that forgets to
// wake it fails an assertion instead of hanging the run.
constexpr std::chrono::milliseconds kLongestRealWait{2000};

// What one connect does, looked up by its port.
struct Script {
    Start start = Start::Connecting;
    int waits = 1;  // waits it takes the connect to end (each returns at once); negative: never
    State end = State::Ended;
    bool connected = true;
};

// Sockets that follow a script. Everything except wake() runs on the
// scheduler's thread; breaches of the interface's rules are collected in
// `faults` rather than asserted, because the helper threads may see them too.
class FakeProbeSockets final : public ProbeSockets {
public:
    struct WaitCall {
        std::size_t sockets = 0;
        std::chrono::milliseconds timeout{};
        bool woken = false;
        bool ranOut = false;  // blocked for the whole time it was given
    };

    std::map<std::uint16_t, Script> scripts;  // ports not listed: defaults
    // The connect to the first port stays pending until one to the second
    // has been tried.
    std::map<std::uint16_t, std::uint16_t> pendingUntilTried;
    std::optional<std::size_t> descriptorLimit;  // open sockets allowed at once
    bool wakeSupported = true;
    Resolver resolve = nullptr;
    std::function<void()> onWait;  // at the start of every wait

    std::vector<std::uint16_t> started;  // ports, every start but NoDescriptor
    std::vector<Ipv4Address> addresses;  // same order as `started`
    int noDescriptor = 0;
    std::size_t mostOpen = 0;
    std::vector<WaitCall> waits;
    std::vector<std::string> faults;

    std::size_t openCount() const { return open.size(); }

    // From now on any wake() is one too many.
    void retire() {
        std::lock_guard lock(mutex);
        retired = true;
    }
    int lateWakes() {
        std::lock_guard lock(mutex);
        return late;
    }

    std::optional<Ipv4Address> parseNumeric(const std::string& host) const override {
        Ipv4Address a;
        unsigned parts[4]{};
        char tail = 0;
        if (std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                        &tail) != 4)
            return std::nullopt;
        for (int i = 0; i < 4; ++i) a.octets[i] = static_cast<std::uint8_t>(parts[i]);
        return a;
    }

    Start startConnect(Ipv4Address address, std::uint16_t port, Handle& socket) override {
        tried.insert(port);
        if (descriptorLimit && open.size() >= *descriptorLimit) {
            ++noDescriptor;
            return Start::NoDescriptor;
        }
        started.push_back(port);
        addresses.push_back(address);
        Script script = scripts.count(port) ? scripts[port] : Script{};
        if (script.start != Start::Connecting) return script.start;
        socket = nextHandle++;
        open[socket] = {port, script, script.waits};
        mostOpen = std::max(mostOpen, open.size());
        return Start::Connecting;
    }

    void wait(std::span<const Handle> sockets, std::span<State> states,
              std::chrono::milliseconds timeout) override {
        if (onWait) onWait();
        WaitCall call{sockets.size(), timeout};
        if (states.size() != sockets.size()) faults.push_back("spans of different sizes");
        bool ready = false;
        for (std::size_t i = 0; i < sockets.size() && i < states.size(); ++i) {
            states[i] = State::Pending;
            auto it = open.find(sockets[i]);
            if (it == open.end()) {
                faults.push_back("waited on a socket that is not open");
                continue;
            }
            Live& live = it->second;
            auto hold = pendingUntilTried.find(live.port);
            if (hold != pendingUntilTried.end() && !tried.count(hold->second)) continue;
            if (live.remaining > 0) --live.remaining;
            if (live.remaining == 0) {
                states[i] = live.script.end;
                ready = true;
            }
            if (live.remaining > 0) ready = true;  // as if its wait had passed
        }
        // Only a wait on nothing that will ever end blocks, so that the
        // scheduler has to wake it (or slice it) to see a lookup or a stop.
        std::unique_lock lock(mutex);
        if (!ready) {
            call.ranOut = !woken.wait_for(lock, std::min(timeout, kLongestRealWait),
                                          [&] { return wakePending; });
            call.woken = wakePending;
        }
        wakePending = false;
        waits.push_back(call);
    }

    bool connected(Handle socket) override {
        auto it = open.find(socket);
        if (it == open.end() || it->second.remaining != 0) {
            faults.push_back("asked whether a socket connected before it ended");
            return false;
        }
        return it->second.script.connected;
    }

    void close(Handle socket) override {
        if (open.erase(socket) == 0) faults.push_back("closed a socket that is not open");
    }

    bool canWake() const override { return wakeSupported; }

    void wake() override {
        std::lock_guard lock(mutex);
        if (retired) ++late;
        if (!wakeSupported) return;
        wakePending = true;
        woken.notify_all();
    }

    Resolver resolver() const override { return resolve; }

private:
    struct Live {
        std::uint16_t port = 0;
        Script script;
        int remaining = 0;
    };
    std::map<Handle, Live> open;
    std::set<std::uint16_t> tried;
    Handle nextHandle = 100;

    std::mutex mutex;
    std::condition_variable woken;
    bool wakePending = false;
    bool retired = false;
    int late = 0;
};

std::optional<Ipv4Address> resolveKnown(const std::string& host) {
    if (host == "up.example") return Ipv4Address{{10, 9, 8, 7}};
    return std::nullopt;
}

// A lookup that stays in the resolver until the test opens the gate. The
// resolver is a plain function, hence the one gate shared by every test.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool left = false;

    void reset() {
        std::lock_guard lock(mutex);
        open = left = false;
    }
    void release() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    void awaitLeft() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return left; });
    }
};
Gate gate;

std::optional<Ipv4Address> resolveGated(const std::string&) {
    std::unique_lock lock(gate.mutex);
    gate.changed.wait(lock, [] { return gate.open; });
    gate.left = true;
    gate.changed.notify_all();
    return Ipv4Address{{10, 9, 8, 6}};
}

// Runs the scheduler and collects its answers, failing on a target reported
// twice, out of range, or after the call returned.
struct Recorder {
    std::map<std::size_t, bool> answers;
    std::atomic<bool> returned{false};

    void operator()(FakeProbeSockets& sockets, const std::vector<ProbeTarget>& targets,
                    ProbeOptions options, std::stop_token stop = {}) {
        scheduleProbes(sockets, targets, options, stop, [&](std::size_t i, bool reachable) {
            EXPECT_FALSE(returned.load()) << "reported after returning: " << i;
            EXPECT_LT(i, targets.size());
            EXPECT_TRUE(answers.emplace(i, reachable).second) << "reported twice: " << i;
        });
        returned = true;
        EXPECT_EQ(sockets.openCount(), 0u) << "sockets left open";
        EXPECT_EQ(sockets.faults, std::vector<std::string>{});
    }
};

ProbeTarget numeric(std::uint16_t port) { return {"10.0.0." + std::to_string(port), port}; }

TEST(ProbeScheduler, AnswersEveryKindOfTargetOnce) {
    // Port 0 is left out so that every port names its own script.
    struct Case {
        ProbeTarget target;
        std::optional<Script> script;
        bool reachable;
        bool connects;  // whether a connect is started at all
    };
    const std::vector<Case> cases = {
        {numeric(1), Script{Start::Connected}, true, true},
        {numeric(2), Script{Start::Failed}, false, true},
        {{"", 3}, std::nullopt, false, false},
        {numeric(4), Script{Start::Connecting, 3}, true, true},
        {numeric(5), Script{Start::Connecting, 1, State::Ended, false}, false, true},
        {numeric(6), Script{Start::Connecting, 2, State::Failed}, false, true},
        {{"up.example", 7}, Script{Start::Connecting, 2}, true, true},
        {{"nowhere.example", 8}, std::nullopt, false, false},
        {{"up.example", 9}, Script{Start::Connected}, true, true},
        {{"up.example", 10}, Script{Start::Failed}, false, true},
        {{"up.example", 11}, Script{Start::Connecting, 1, State::Ended, false}, false, true},
    };
    // Without a wake-up the finished lookups are only seen at the end of a slice.
    for (bool wakes : {true, false}) {
        SCOPED_TRACE(wakes ? "with wake-up" : "waits in slices");
        FakeProbeSockets sockets;
        sockets.wakeSupported = wakes;
        sockets.resolve = resolveKnown;
        std::vector<ProbeTarget> targets;
        for (const Case& c : cases) {
            targets.push_back(c.target);
            if (c.script) sockets.scripts[c.target.port] = *c.script;
        }
        Recorder run;
        run(sockets, targets, {1min, 4});

        ASSERT_EQ(run.answers.size(), cases.size());
        std::set<std::uint16_t> startedPorts(sockets.started.begin(), sockets.started.end());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            EXPECT_EQ(run.answers[i], cases[i].reachable) << "target " << i;
            EXPECT_EQ(startedPorts.count(cases[i].target.port), cases[i].connects ? 1u : 0u)
                << "target " << i;
        }
        // A looked-up name is connected to at the address the resolver gave.
        for (std::size_t s = 0; s < sockets.started.size(); ++s) {
            if (sockets.started[s] >= 7) {
                EXPECT_EQ(sockets.addresses[s].octets, (std::array<std::uint8_t, 4>{10, 9, 8, 7}));
            }
        }
        for (const auto& w : sockets.waits) {
            if (wakes) {
                EXPECT_FALSE(w.ranOut) << "a finished lookup did not wake the wait";
            } else {
                EXPECT_LE(w.timeout, kSlice);
            }
        }
    }
}

TEST(ProbeScheduler, KeepsTheWindowAndShrinksItWhenDescriptorsRunOut) {
    struct Case {
        const char* name;
        int parallel;
        std::optional<std::size_t> descriptors;
        std::size_t mostOpen;
        int noDescriptor;  // refusals the scheduler runs into
    };
    const Case cases[] = {
        {"plenty of descriptors", 3, std::nullopt, 3, 0},
        {"window of one", 1, std::nullopt, 1, 0},
        // The first refusal sets the window to what is open; no more after it.
        {"three descriptors", 8, 3, 3, 1},
        // Nothing open to wait for: each target is given up at its first refusal.
        {"no descriptor at all", 4, 0, 0, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProbeSockets sockets;
        sockets.descriptorLimit = c.descriptors;
        std::vector<ProbeTarget> targets;
        for (std::uint16_t port = 1; port <= 10; ++port) {
            targets.push_back(numeric(port));
            sockets.scripts[port] = {Start::Connecting, port * 7 % 4 + 1, State::Ended,
                                     port % 2 == 0};
        }
        Recorder run;
        run(sockets, targets, {1min, c.parallel});

        ASSERT_EQ(run.answers.size(), targets.size());
        bool none = c.descriptors == std::size_t{0};
        for (std::size_t i = 0; i < targets.size(); ++i)
            EXPECT_EQ(run.answers[i], !none && targets[i].port % 2 == 0) << "target " << i;
        EXPECT_EQ(sockets.mostOpen, c.mostOpen);
        EXPECT_EQ(sockets.noDescriptor, c.noDescriptor);
        // Started in the order given, each once.
        EXPECT_TRUE(std::is_sorted(sockets.started.begin(), sockets.started.end()));
        EXPECT_EQ(std::set<std::uint16_t>(sockets.started.begin(), sockets.started.end()).size(),
                  sockets.started.size());
    }
}

// A name that resolves while every descriptor is taken waits for one, as a
// numeric address does, instead of being reported unreachable.
TEST(ProbeScheduler, LookedUpNameWaitsForADescriptor) {
    FakeProbeSockets sockets;
    sockets.resolve = resolveKnown;
    sockets.descriptorLimit = 1;
    // The one descriptor is freed only once the looked-up name has tried.
    sockets.pendingUntilTried[2] = 1;
    Recorder run;
    run(sockets, {{"up.example", 1}, numeric(2)}, {1min, 2});

    EXPECT_EQ(run.answers, (std::map<std::size_t, bool>{{0, true}, {1, true}}));
    EXPECT_GE(sockets.noDescriptor, 1);
    EXPECT_EQ(sockets.started, (std::vector<std::uint16_t>{2, 1}));
}

TEST(ProbeScheduler, GivesUpAConnectAtItsDeadline) {
    FakeProbeSockets sockets;
    sockets.scripts[1] = {Start::Connecting, -1};
    sockets.scripts[2] = {Start::Connecting, 1};
    sockets.scripts[3] = {Start::Connecting, -1};
    const ProbeOptions options{30ms, 2};
    Recorder run;
    run(sockets, {numeric(1), numeric(2), numeric(3)}, options);

    EXPECT_EQ(run.answers, (std::map<std::size_t, bool>{{0, false}, {1, true}, {2, false}}));
    ASSERT_FALSE(sockets.waits.empty());
    for (const auto& w : sockets.waits) EXPECT_LE(w.timeout, options.timeout);
}

// A stop from another thread while a connect and an unfinishable lookup are
// pending: the scheduler returns without reporting them, closes the socket,
// and the lookup, released later, touches nothing of the finished probe.
TEST(ProbeScheduler, StopEndsTheWaitWhileALookupIsStillRunning) {
    for (bool wakes : {true, false}) {
        SCOPED_TRACE(wakes ? "with wake-up" : "waits in slices");
        gate.reset();
        FakeProbeSockets sockets;
        sockets.wakeSupported = wakes;
        sockets.resolve = resolveGated;
        sockets.scripts[2] = {Start::Connecting, -1};

        std::stop_source stop;
        std::binary_semaphore waiting{0};
        bool signalled = false;
        sockets.onWait = [&] {
            if (!std::exchange(signalled, true)) waiting.release();
        };
        std::jthread stopper([&] {
            waiting.acquire();
            stop.request_stop();
        });

        Recorder run;
        run(sockets, {{"slow.example", 1}, numeric(2)}, {10min, 4}, stop.get_token());
        sockets.retire();
        stopper.join();

        EXPECT_TRUE(run.answers.empty());
        ASSERT_FALSE(sockets.waits.empty());
        if (wakes) {
            EXPECT_TRUE(sockets.waits.back().woken) << "the stop did not wake the wait";
        } else {
            for (const auto& w : sockets.waits) EXPECT_LE(w.timeout, kSlice);
        }

        gate.release();
        gate.awaitLeft();
        // The helper has only a lock and a flag left to go through; give a
        // wrongful wake-up the time to show.
        for (int i = 0; i < 50 && sockets.lateWakes() == 0; ++i) std::this_thread::sleep_for(1ms);
        EXPECT_EQ(sockets.lateWakes(), 0) << "the abandoned lookup woke the finished probe";
    }
}

TEST(ProbeScheduler, StopRequestedBeforehandStartsNothing) {
    FakeProbeSockets sockets;
    std::stop_source stop;
    stop.request_stop();
    Recorder run;
    run(sockets, {numeric(1), numeric(2)}, {1min, 2}, stop.get_token());
    EXPECT_TRUE(run.answers.empty());
    EXPECT_TRUE(sockets.started.empty());
}

}  // namespace
}  // namespace korvan
