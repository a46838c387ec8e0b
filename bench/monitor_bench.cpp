// One reachability sweep over 1,000 loopback hosts: a third listening, a
// third refusing, a third never answering (backlog-0 listeners whose accept
// queue is full, so the kernel drops further SYNs). With a 5 s time-out and
// 64 attempts in flight the floor is about 333 x 5 s / 64 = 26 s; one at a
// time it would be 333 x 5 s, almost 28 minutes, for the silent third alone.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/app/texts.h"
#include "core/monitor/checker.h"
#include "tests/core/monitor/loopback.h"
#include "tests/fakes/fake_gui_thread.h"
#include "tests/fakes/fake_timers.h"

namespace {

using korvan::testing::Endpoint;

constexpr int kHosts = 1000;

// Each listener, refusal and silent port takes a descriptor or two.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Hosts {
    std::vector<std::unique_ptr<Endpoint>> endpoints;
    std::vector<std::string> addresses;
    int expectedOnline = 0;
};

Hosts makeHosts() {
    Hosts h;
    for (int i = 0; i < kHosts; ++i) {
        std::string ip = "127.42." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        switch (i % 3) {
            case 0:
                h.endpoints.push_back(std::make_unique<Endpoint>(ip, 64));
                ++h.expectedOnline;
                break;
            case 1:
                h.endpoints.push_back(std::make_unique<Endpoint>(ip, -1));
                break;
            default:
                h.endpoints.push_back(std::make_unique<Endpoint>(ip, 0));
                h.endpoints.back()->fillQueue();
                break;
        }
        h.addresses.push_back(h.endpoints.back()->target());
    }
    return h;
}

void BM_SweepLoopback(benchmark::State& state) {
    raiseDescriptorLimit();
    Hosts setup = makeHosts();
    korvan::HostList hosts;
    for (const auto& address : setup.addresses)
        hosts.setCellText(hosts.appendRow(), korvan::kColumnAddress, address);
    auto connector = korvan::makeSystemConnector();
    korvan::CheckerOptions options{std::chrono::milliseconds(state.range(0)),
                                   static_cast<int>(state.range(1))};
    double wall = 0, cpu = 0;
    int online = 0;
    for (auto _ : state) {
        korvan::CellColourTable colours;
        korvan::testing::FakeTimers timers;
        korvan::testing::FakeGuiThread gui;
        korvan::Checker checker(hosts, colours, timers, gui, *connector, options);
        online = 0;
        checker.setListener({[&](int, bool up) { online += up; }, {}});
        double cpuBefore = cpuSeconds();
        auto start = std::chrono::steady_clock::now();
        checker.arm();
        checker.tick();
        if (!gui.runUntil([&] { return checker.idle(); }, std::chrono::minutes(5))) {
            state.SkipWithError("the sweep did not end");
            break;
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds() - cpuBefore;
        state.PauseTiming();
        for (auto& e : setup.endpoints) e->drain();
        state.ResumeTiming();
    }
    if (online != setup.expectedOnline) state.SkipWithError("wrong number of hosts online");
    auto n = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / n;
    state.counters["cpu_s"] = cpu / n;
    state.counters["online"] = online;
}

// Arguments: time-out in ms, attempts in flight.
BENCHMARK(BM_SweepLoopback)
    ->Args({5000, 64})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
