#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/app/result.h"

namespace korvan::rdp {

// Starts `program` (looked up in PATH when it has no "/") with `args`,
// writes `password` and a line end to its standard input, closes that, and
// waits for it to end. The child dies with us: it gets SIGKILL when this
// process ends in any way (the parent-death signal), and SIGTERM, SIGINT
// and SIGHUP sent to us are passed on to it. Returns its exit status, or
// 128 + the signal that ended it. Error when it cannot be started.
// Single-threaded callers only (it forks and installs signal handlers).
Result<int> runWithPassword(const std::string& program, const std::vector<std::string>& args,
                            std::string_view password);

}  // namespace korvan::rdp
