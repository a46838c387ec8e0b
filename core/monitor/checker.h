#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "core/monitor/cell_colour_table.h"
#include "core/ports/connector.h"
#include "core/ports/gui_thread.h"
#include "core/ports/timers.h"
#include "core/store/host_list.h"

namespace korvan {

// Periods of the online-check timer, in milliseconds.
inline constexpr int kFirstCheckDelay = 100;   // armed at the end of start-up
inline constexpr int kCheckPeriod = 60000;     // set by every tick
inline constexpr int kEarlyCheckDelay = 1000;  // after a refresh or an import

// The port an address's port text stands for: its leading number cut
// toward zero (0 when it has none), 1 when that is 0 or less, then modulo
// 65536. "abc" -> 1, "70000" -> 4464, "3390.9" -> 3390, "65536" -> 0.
std::uint16_t reachabilityPort(std::string_view portText);

// What the reachability check tests for an address: nullopt for an empty
// address (the row is skipped and keeps its status); a host alone is tried
// on port 3389; "srv:" is srv on 3389; ":3389" has an empty host, which
// never connects.
std::optional<ProbeTarget> reachabilityTarget(std::string_view address);

struct CheckerOptions {
    std::chrono::milliseconds timeout{5000};  // per attempt, name lookup included
    int parallel = 64;                        // attempts in flight at once
};

// The reachability checker: about once a minute it tries a TCP connection to
// every host and writes "在线" or "离线" into the row's status cell, with the
// status cell blue (online) or black (offline) on white and the note cell
// blue on white.
//
// One sweep runs on one worker thread at a time. The rows to test are
// copied on the GUI thread when the sweep starts (rows added later wait for
// the next sweep); every result travels back through the GuiThread port,
// in row order, and is applied there, so the worker never touches the
// HostList or the CellColourTable. A result whose row has gone or now holds
// another address (rows deleted or edited meanwhile) is dropped.
//
// Everything but the worker runs on the GUI thread, and so must every call
// here. The ports are not owned and must outlive the checker.
class Checker {
public:
    // Told on the GUI thread, after the row has been written.
    struct Listener {
        std::function<void(int row, bool online)> rowChecked;
        // The sweep ended by itself (not stopped); every result is applied.
        std::function<void()> sweepFinished;
    };

    Checker(HostList& hosts, CellColourTable& colours, Timers& timers, GuiThread& gui,
            Connector& connector, CheckerOptions options = {});
    // Stops a running sweep (see stop()).
    ~Checker();

    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;

    // The last step of start-up: CheckerIdle := true and the first check in
    // 100 ms.
    void arm();

    // CheckerTick. In sort mode it does nothing at all (the period stays).
    // Otherwise the period becomes 60000 ms and, when no sweep is running,
    // a new one starts; a running sweep is left alone.
    void tick();

    // Starts a sweep now unless one is running (CheckerIdle false); true when
    // it started. The sweep ends with CheckerIdle true again once its last
    // result has been applied.
    bool checkAllHosts();

    // StopChecker: ends the running sweep, if any. Wakes the worker, waits
    // for it to leave (it is never killed mid-call) and makes sure that no
    // result of that sweep, not even one already posted, is applied after
    // this returns: rows not yet written keep their status. Does not touch
    // CheckerIdle. The wait is short: sockets are closed and a pending name
    // lookup is abandoned to a helper thread.
    void stop();

    // The refresh command's part: stop, CheckerIdle := true, check in 1 s.
    void refresh();
    // After an import: check in 1 s; a running sweep is left alone.
    void requestEarlyCheck();

    // CheckerIdle: true when no sweep is in progress.
    bool idle() const { return isIdle; }

    void setListener(Listener listener) { events = std::move(listener); }

private:
    struct Link;
    struct RowResult;
    void apply(const std::vector<RowResult>& results);
    void finish();

    HostList& hosts;
    CellColourTable& colours;
    Timers& timers;
    GuiThread& gui;
    Connector& connector;
    CheckerOptions options;
    Listener events;
    std::shared_ptr<Link> link;  // what posted work finds the checker by
    std::jthread worker;
    bool isIdle = false;
};

}  // namespace korvan
