#pragma once

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/ports/processes.h"

namespace korvan::testing {

// A process table in memory. start() records the command line and, unless
// told to fail, adds nothing to the table (tests add what they need);
// kill() removes the process unless its id is protected.
class FakeProcesses : public Processes {
public:
    std::vector<ProcessEntry> running;  // what list() returns, in this order
    bool snapshotFails = false;         // list() gives nothing
    int listCalls = 0;

    std::vector<std::string> started;  // every start() command line, in order
    bool startFails = false;
    std::function<void(const std::string&)> onStart;  // runs after recording

    std::vector<uint32_t> killed;        // every id kill() ended, in order
    std::vector<uint32_t> killAttempts;  // every id kill() was asked for
    std::set<uint32_t> unkillable;       // kill() refuses these

    std::vector<ProcessEntry> list() override {
        ++listCalls;
        if (snapshotFails) return {};
        return running;
    }

    Result<void> start(std::string_view commandLine) override {
        started.emplace_back(commandLine);
        if (onStart) onStart(started.back());
        if (startFails) return makeError(ErrorCode::NotFound, "no such program");
        return {};
    }

    bool kill(uint32_t id) override {
        killAttempts.push_back(id);
        if (unkillable.count(id)) return false;
        auto it = std::find_if(running.begin(), running.end(),
                               [id](const ProcessEntry& e) { return e.id == id; });
        if (it == running.end()) return false;
        running.erase(it);
        killed.push_back(id);
        return true;
    }
};

}  // namespace korvan::testing
