// check: one reachability sweep over the stored hosts, printed as it goes.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <optional>

#include "cli/context.h"
#include "core/app/gbk.h"
#include "core/app/texts.h"
#include "core/monitor/checker.h"
#include "core/ports/connector.h"
#include "core/ports/gui_thread.h"
#include "core/ports/timers.h"

namespace korvan::cli {
namespace {

// The main thread plays the GUI thread: posted work waits here until
// runUntil() takes it.
class MainThreadQueue : public GuiThread {
public:
    void post(std::function<void()> work) override {
        {
            std::lock_guard lock(mutex);
            queue.push_back(std::move(work));
        }
        arrived.notify_one();
    }

    template <typename Done>
    void runUntil(Done done) {
        while (!done()) {
            std::function<void()> work;
            {
                std::unique_lock lock(mutex);
                arrived.wait(lock, [&] { return !queue.empty(); });
                work = std::move(queue.front());
                queue.pop_front();
            }
            work();
        }
    }

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::function<void()>> queue;
};

// One sweep needs no timer.
class NoTimers : public Timers {
public:
    void setPeriod(Id, int) override {}
    int period(Id) const override { return 0; }
};

// A whole number in [low, high], or nullopt.
std::optional<long long> parseWhole(const std::string& text, long long low, long long high) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

constexpr long long kMostTimeout = 600000;
constexpr long long kMostParallel = 1000;

int check(Context& context, const std::string& timeoutText, const std::string& parallelText) {
    auto timeout = parseWhole(timeoutText, 1, kMostTimeout);
    if (!timeout)
        return fail("--timeout wants milliseconds from 1 to " + std::to_string(kMostTimeout) +
                    ", not \"" + timeoutText + "\"");
    auto parallel = parseWhole(parallelText, 1, kMostParallel);
    if (!parallel)
        return fail("--parallel wants a number from 1 to " + std::to_string(kMostParallel) +
                    ", not \"" + parallelText + "\"");

    auto db = context.load(true);
    if (!db) return fail(db.error().detail);
    HostList& hosts = db.value().hosts;

    CellColourTable colours;
    NoTimers timers;
    MainThreadQueue mainThread;
    auto connector = makeSystemConnector();
    Checker checker(hosts, colours, timers, mainThread, *connector,
                    {std::chrono::milliseconds(*timeout), static_cast<int>(*parallel)});

    int online = 0, offline = 0, skipped = 0;
    int printed = 0;  // rows before this one have their line
    auto line = [&](int row, const std::string& status) {
        std::cout << row + 1 << '\t' << gbkToUtf8Lenient(hosts.cellText(row, kColumnNote)) << '\t'
                  << gbkToUtf8Lenient(hosts.cellText(row, kColumnAddress)) << '\t' << status
                  << '\n';
    };
    // Rows without an address are not tested; their lines come in row order
    // among the others.
    auto skipTo = [&](int row) {
        for (; printed < row; ++printed) {
            line(printed, "(no address)");
            ++skipped;
        }
    };
    bool finished = false;
    checker.setListener(
        {[&](int row, bool up) {
             skipTo(row);
             line(row, std::string(textUtf8(up ? TextId::StatusOnline : TextId::StatusOffline)));
             ++(up ? online : offline);
             printed = row + 1;
             std::cout.flush();
         },
         [&] { finished = true; }});

    auto start = std::chrono::steady_clock::now();
    checker.arm();
    if (!checker.checkAllHosts()) return fail("cannot start the check");
    mainThread.runUntil([&] { return finished; });
    skipTo(hosts.rowCount());
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char took[32];
    std::snprintf(took, sizeof took, "%.1f", seconds);
    std::cout << "online " << online << ", offline " << offline << ", skipped " << skipped << " ("
              << hosts.rowCount() << " hosts in " << took << " s)\n";
    return 0;
}

}  // namespace

void addCheckCommand(CLI::App& app, Context& context) {
    auto* cmd =
        app.add_subcommand("check", "test every stored host's port once and print the statuses");
    context.addDbOption(*cmd);
    static std::string timeout = "5000", parallel = "64";
    cmd->add_option("--timeout", timeout, "milliseconds per attempt (default 5000)");
    cmd->add_option("--parallel", parallel, "attempts in flight at once (default 64)");
    cmd->callback([&context] { context.exitCode = check(context, timeout, parallel); });
}

}  // namespace korvan::cli
