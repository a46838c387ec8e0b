#include "core/monitor/checker.h"

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "core/app/texts.h"
#include "core/store/text_rules.h"

namespace korvan {

std::uint16_t reachabilityPort(std::string_view portText) {
    long long port = textToInteger(portText);
    if (port <= 0) port = 1;
    return static_cast<std::uint16_t>(port % 65536);
}

std::optional<ProbeTarget> reachabilityTarget(std::string_view address) {
    auto parts = splitAddress(address);
    if (!parts) return std::nullopt;
    return ProbeTarget{std::move(parts->host), reachabilityPort(parts->port)};
}

// Posted work finds the checker through this, and only on the GUI thread:
// the checker clears `checker` when it goes away and bumps `generation` when
// it stops a sweep, so work that was already queued then does nothing.
struct Checker::Link {
    Checker* checker = nullptr;
    std::uint64_t generation = 0;
};

struct Checker::RowResult {
    int row = 0;
    bool online = false;
    std::string address;  // as tested, to recognise the row's host
};

namespace {

struct SweepRow {
    int row = 0;
    std::string address;
    std::optional<ProbeTarget> target;
};

}  // namespace

Checker::Checker(HostList& hostList, CellColourTable& colourTable, Timers& timerPort,
                 GuiThread& guiThread, Connector& connectorPort, CheckerOptions checkerOptions)
    : hosts(hostList),
      colours(colourTable),
      timers(timerPort),
      gui(guiThread),
      connector(connectorPort),
      options(checkerOptions),
      link(std::make_shared<Link>()) {
    link->checker = this;
    options.parallel = std::max(1, options.parallel);
    options.timeout = std::max(options.timeout, std::chrono::milliseconds(1));
}

Checker::~Checker() {
    stop();
    link->checker = nullptr;
}

void Checker::arm() {
    isIdle = true;
    timers.setPeriod(Timers::Id::OnlineCheck, kFirstCheckDelay);
}

void Checker::tick() {
    if (hosts.sortMode()) return;
    timers.setPeriod(Timers::Id::OnlineCheck, kCheckPeriod);
    checkAllHosts();
}

void Checker::refresh() {
    stop();
    isIdle = true;
    timers.setPeriod(Timers::Id::OnlineCheck, kEarlyCheckDelay);
}

void Checker::requestEarlyCheck() { timers.setPeriod(Timers::Id::OnlineCheck, kEarlyCheckDelay); }

void Checker::stop() {
    // Bumping the generation first is what keeps queued results out; the
    // join only has to wait for the worker to notice the stop, which wakes
    // its poll at once.
    ++link->generation;
    if (worker.joinable()) {
        worker.request_stop();
        worker.join();
    }
}

bool Checker::checkAllHosts() {
    if (!isIdle) return false;
    // The previous worker posted its last result and has ended or is about
    // to: joining it takes no time.
    if (worker.joinable()) worker.join();

    std::vector<SweepRow> rows;
    rows.reserve(static_cast<size_t>(hosts.rowCount()));
    for (int r = 0; r < hosts.rowCount(); ++r) {
        const std::string& address = hosts.cellText(r, kColumnAddress);
        rows.push_back({r, address, reachabilityTarget(address)});
    }

    isIdle = false;
    auto shared = link;
    std::uint64_t generation = link->generation;
    GuiThread& guiThread = gui;
    Connector& connectorPort = connector;
    ProbeOptions probeOptions{options.timeout, options.parallel};
    auto post = [shared, generation, &guiThread](std::vector<RowResult> batch) {
        guiThread.post([shared, generation, batch = std::move(batch)] {
            if (shared->checker && shared->generation == generation) shared->checker->apply(batch);
        });
    };

    auto sweep = [rows = std::move(rows), post, shared, generation, &guiThread, &connectorPort,
                  probeOptions](std::stop_token stop) {
        std::vector<ProbeTarget> targets;
        std::vector<size_t> rowOfTarget;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (!rows[i].target) continue;
            targets.push_back(*rows[i].target);
            rowOfTarget.push_back(i);
        }
        // Results come in the order the attempts end; they are handed on in
        // row order, each as soon as every row before it is known.
        enum : signed char { Pending = -1, Offline = 0, Online = 1, Skipped = 2 };
        std::vector<signed char> state(rows.size(), Pending);
        for (size_t i = 0; i < rows.size(); ++i)
            if (!rows[i].target) state[i] = Skipped;
        size_t next = 0;
        auto flush = [&] {
            std::vector<RowResult> batch;
            for (; next < rows.size() && state[next] != Pending; ++next)
                if (state[next] != Skipped)
                    batch.push_back({rows[next].row, state[next] == Online, rows[next].address});
            if (!batch.empty()) post(std::move(batch));
        };
        flush();
        connectorPort.probe(targets, probeOptions, stop, [&](size_t index, bool reachable) {
            state[rowOfTarget[index]] = reachable ? Online : Offline;
            flush();
        });
        if (stop.stop_requested()) return;
        guiThread.post([shared, generation] {
            if (shared->checker && shared->generation == generation) shared->checker->finish();
        });
    };

    try {
        worker = std::jthread(std::move(sweep));
    } catch (const std::system_error&) {
        // No thread to be had: stay idle, so that the next tick tries again.
        isIdle = true;
        return false;
    }
    return true;
}

void Checker::apply(const std::vector<RowResult>& results) {
    for (const auto& r : results) {
        if (r.row >= hosts.rowCount() || hosts.cellText(r.row, kColumnAddress) != r.address)
            continue;
        hosts.setCellText(r.row, kColumnStatus,
                          text(r.online ? TextId::StatusOnline : TextId::StatusOffline));
        colours.setCellColour(r.row, kColumnStatus, r.online ? kColourBlue : kColourBlack,
                              kColourWhite);
        colours.setCellColour(r.row, kColumnNote, kColourBlue, kColourWhite);
        if (events.rowChecked) events.rowChecked(r.row, r.online);
    }
}

void Checker::finish() {
    isIdle = true;
    if (events.sweepFinished) events.sweepFinished();
}

}  // namespace korvan
