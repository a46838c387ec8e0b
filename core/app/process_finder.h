#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ports/processes.h"

namespace korvan {

// Lists the running processes as two parallel lists: entry k of `names`
// (executable file names, exactly as the system reports them) belongs to
// entry k of `ids`. Matching and acting on them is the caller's business.
class ProcessFinder {
public:
    explicit ProcessFinder(Processes& port) : processes(port) {}

    // Empties both lists, then fills them in snapshot order, the caller's own
    // process included. Returns the number of entries; 0, with both lists
    // empty, when no snapshot could be taken. GUI thread.
    int listProcesses(std::vector<std::string>& names, std::vector<uint32_t>& ids);

private:
    Processes& processes;
};

}  // namespace korvan
