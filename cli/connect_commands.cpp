// profile, connect, close-all: the connect commands of the window, from a
// script. They run the same core code; the console stands in for the window.
#include <chrono>
#include <iostream>
#include <set>
#include <thread>

#include "cli/context.h"
#include "core/app/gbk.h"
#include "core/app/paths.h"
#include "core/connect/connect_commands.h"
#include "core/connect/profile_builder.h"
#include "core/connect/session_closer.h"
#include "core/ports/cycle_counter.h"
#include "core/ports/dialogs.h"
#include "core/ports/processes.h"
#include "core/ports/protection.h"
#include "core/ports/registry.h"

namespace korvan::cli {
namespace {

// The window's dialogs on a console: waits are plain sleeps, there is no
// window to disable, and nothing is asked: running the command was the
// answer. Messages go to standard error.
class ConsoleDialogs final : public Dialogs {
public:
    Answer messageBox(std::string_view text, Icon, Buttons buttons, Owner) override {
        if (buttons == Buttons::YesNo) return Answer::Yes;
        std::cerr << "korvanctl: " << gbkToUtf8Lenient(text) << '\n';
        return Answer::Ok;
    }
    void waitProcessingEvents(int milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    void setMainWindowEnabled(bool) override {}
    std::optional<std::string> askMaskedText(std::string_view, std::string_view) override {
        return std::nullopt;
    }
};

// The system's processes, telling the user about every client that could
// not be started; the window passes over those silently, a script should
// learn of them.
class ReportingProcesses final : public Processes {
public:
    explicit ReportingProcesses(Processes& system) : inner(system) {}
    std::vector<ProcessEntry> list() override { return inner.list(); }
    Result<void> start(std::string_view commandLine) override {
        auto started = inner.start(commandLine);
        if (started) {
            std::cout << "started " << gbkToUtf8Lenient(commandLine) << '\n';
        } else {
            failures++;
            fail("cannot start " + gbkToUtf8Lenient(commandLine) + ": " + started.error().detail);
        }
        return started;
    }
    bool kill(uint32_t id) override { return inner.kill(id); }
    int failures = 0;

private:
    Processes& inner;
};

struct Connection {
    std::unique_ptr<Registry> registry = makeSystemRegistry();
    std::unique_ptr<Protection> protection = makeSystemProtection();
    std::unique_ptr<CycleCounter> counter = makeSystemCycleCounter();
    std::unique_ptr<Processes> processes = makeSystemProcesses();
};

// Rows as the user counts them (from 1) to row indices, or a message.
std::optional<std::string> checkRows(const std::vector<int>& rows, const HostList& hosts) {
    for (int r : rows) {
        if (r < 1 || r > hosts.rowCount()) {
            return "no row " + std::to_string(r) + ": the database has " +
                   std::to_string(hosts.rowCount()) + (hosts.rowCount() == 1 ? " host" : " hosts");
        }
    }
    return std::nullopt;
}

int profile(Context& context, int row) {
    auto db = context.load(true);
    if (!db) return fail(db.error().detail);
    auto& d = db.value();
    if (auto refusal = checkRows({row}, d.hosts)) return fail(*refusal);
    Connection c;
    ProfileBuilder builder(d.settings, context.files(), context.places(), *c.registry,
                           *c.protection, *c.counter);
    builder.BuildProfile(d.hosts, row - 1);
    if (!context.files().exists(builder.currentProfile()))
        return fail("cannot write " + pathToUtf8(builder.currentProfile()));
    std::cout << pathToUtf8(builder.currentProfile()) << '\n';
    return 0;
}

int connect(Context& context, const std::vector<int>& rows) {
    auto db = context.load(true);
    if (!db) return fail(db.error().detail);
    auto& d = db.value();
    if (auto refusal = checkRows(rows, d.hosts)) return fail(*refusal);
    Connection c;
    ConsoleDialogs dialogs;
    ReportingProcesses processes(*c.processes);
    ProfileBuilder builder(d.settings, context.files(), context.places(), *c.registry,
                           *c.protection, *c.counter);
    ConnectCommands commands(d.hosts, d.settings, builder, dialogs, processes);
    // The rows become the selection, and "连接主机" takes it from there:
    // one row connects at once, several in ascending order with the pauses.
    d.hosts.clearSelection();
    for (int r : rows) d.hosts.selectRow(r - 1);
    commands.connectHostChosen();
    return processes.failures == 0 ? 0 : 1;
}

int closeAll() {
    ConsoleDialogs dialogs;
    auto processes = makeSystemProcesses();
    int ended = SessionCloser(dialogs, *processes).endAllClients();
    std::cout << "ended " << ended << (ended == 1 ? " client" : " clients") << '\n';
    return 0;
}

}  // namespace

void addConnectCommands(CLI::App& app, Context& context) {
    {
        auto* cmd =
            app.add_subcommand("profile", "write the connection profile of a row, print its path");
        context.addDbOption(*cmd);
        static int row = 0;
        cmd->add_option("ROW", row, "row number, counted from 1")->required();
        cmd->callback([&context] { context.exitCode = profile(context, row); });
    }
    {
        auto* cmd =
            app.add_subcommand("connect", "start the RDP client on rows, as \"连接主机\" does");
        context.addDbOption(*cmd);
        static std::vector<int> rows;
        cmd->add_option("ROWS", rows, "row numbers, counted from 1")->required();
        cmd->callback([&context] { context.exitCode = connect(context, rows); });
    }
    {
        auto* cmd = app.add_subcommand("close-all", "end every process named exactly mstsc.exe");
        cmd->callback([&context] { context.exitCode = closeAll(); });
    }
}

}  // namespace korvan::cli
