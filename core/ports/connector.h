#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stop_token>
#include <string>

namespace korvan {

// One TCP reachability test: a host (numeric IPv4 or a name, GBK) and a port.
struct ProbeTarget {
    std::string host;
    std::uint16_t port = 0;
};

struct ProbeOptions {
    // Bound for one attempt, name lookup included, from the moment it starts.
    std::chrono::milliseconds timeout{5000};
    // How many attempts may be in flight at once (at least 1).
    int parallel = 64;
};

// Tests whether hosts accept TCP connections (IPv4, stream). Owned by the
// one thread that calls it; implementations keep no state between calls
// that another thread could see.
class Connector {
public:
    virtual ~Connector() = default;

    // Tries to connect to every target, starting them in order with at most
    // options.parallel attempts in flight. A numeric IPv4 host is used as
    // it is; any other name is resolved by the system's resolver and its
    // first IPv4 address is used. An empty host, a name that does not
    // resolve, a refused connection and an attempt that outlasts the
    // time-out all count as unreachable. A connection that succeeds is
    // closed at once; nothing is read from it or written to it.
    //
    // Calls done(index, reachable) exactly once per target, on the calling
    // thread, in the order the attempts end (not the order of `targets`).
    // Returns once every target has been reported, or soon after `stop` is
    // requested (the wait is woken, never left to run into a time-out); the
    // targets not reported by then are simply not reported. Attempts in
    // flight are abandoned and their sockets closed before it returns. A
    // name lookup still running in the system's resolver is left to finish
    // on a helper thread of its own, which holds nothing of the caller's.
    // Never throws; `done` must not throw either.
    virtual void probe(std::span<const ProbeTarget> targets, const ProbeOptions& options,
                       std::stop_token stop,
                       const std::function<void(std::size_t index, bool reachable)>& done) = 0;
};

// The platform's sockets (POSIX or Winsock). Never null.
std::unique_ptr<Connector> makeSystemConnector();

}  // namespace korvan
