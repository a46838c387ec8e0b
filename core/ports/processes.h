#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/result.h"

namespace korvan {

struct ProcessEntry {
    std::string name;  // executable file name without directory, as the system reports it (GBK)
    uint32_t id = 0;
};

// Running processes. GUI thread (or a single-threaded tool).
class Processes {
public:
    virtual ~Processes() = default;

    // Every running process, the caller included, in the order the system's
    // snapshot yields them. Empty when no snapshot could be taken.
    virtual std::vector<ProcessEntry> list() = 0;

    // Starts a program from a GBK command line; the program is found by the
    // system's usual search when named without a directory. Does not wait.
    virtual Result<void> start(std::string_view commandLine) = 0;

    // Ends the process with exit code 0. False when it could not be ended.
    virtual bool kill(uint32_t id) = 0;
};

std::unique_ptr<Processes> makeSystemProcesses();

}  // namespace korvan
