#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

#include "core/ports/connector.h"

namespace korvan {

// An IPv4 address in network order: 127.0.0.1 is {127, 0, 0, 1}. Four
// bytes and nothing else, the same layout as the sockets APIs' in_addr.
struct Ipv4Address {
    std::array<std::uint8_t, 4> octets{};
};

// The few socket operations a reachability sweep needs, so that the
// scheduling itself (window, deadlines, lookups, stop) is written once for
// every platform. One object serves one probe() call and belongs to the
// thread that makes it, except wake(), which any thread may call.
class ProbeSockets {
public:
    // A connecting socket, as the platform names it (a descriptor or a SOCKET).
    using Handle = std::uintptr_t;

    enum class Start {
        Connecting,    // in progress; `socket` is set and is the caller's to close
        Connected,     // connected at once, already closed again
        Failed,        // refused or otherwise failed at once; nothing to close
        NoDescriptor,  // the process is out of descriptors; nothing to close
    };

    enum class State {
        Pending,  // still connecting
        Ended,    // the connect has ended; connected() tells how
        Failed,   // the connect has failed; no need to ask connected()
    };

    // Resolves a name with the system's resolver and returns its first IPv4
    // address, or nothing. Called on a helper thread that may outlive the
    // probe, which is why it is a plain function holding no state. Blocks as
    // long as the resolver does; never throws.
    using Resolver = std::optional<Ipv4Address> (*)(const std::string& host);

    virtual ~ProbeSockets() = default;

    // The address written in `host` if it is a numeric IPv4 address.
    virtual std::optional<Ipv4Address> parseNumeric(const std::string& host) const = 0;

    // Starts a non-blocking TCP connect. See Start for who closes what.
    virtual Start startConnect(Ipv4Address address, std::uint16_t port, Handle& socket) = 0;

    // Waits until one of `sockets` has ended or failed its connect, wake()
    // has been called since the last wait, or `timeout` has passed; it may
    // also return early for no reason. On return states[i] describes
    // sockets[i] (the two spans have the same size, which may be zero).
    virtual void wait(std::span<const Handle> sockets, std::span<State> states,
                      std::chrono::milliseconds timeout) = 0;

    // Whether a socket whose connect has ended is connected.
    virtual bool connected(Handle socket) = 0;

    virtual void close(Handle socket) = 0;

    // Whether wake() can cut a wait short. If not, the scheduler waits in
    // short slices so that a stop or a finished lookup is still seen soon.
    virtual bool canWake() const = 0;

    // Ends the current or the next wait early. Any thread; does nothing if
    // canWake() is false.
    virtual void wake() = 0;

    virtual Resolver resolver() const = 0;
};

// Connector::probe() on top of `sockets`, with the same promises: at most
// options.parallel attempts in flight, each bounded by options.timeout, name
// lookups on detached helper threads, done(index, reachable) once per target
// on the calling thread, a stop wakes the wait at once. Every socket it
// opened is closed when it returns. Never throws.
void scheduleProbes(ProbeSockets& sockets, std::span<const ProbeTarget> targets,
                    const ProbeOptions& options, std::stop_token stop,
                    const std::function<void(std::size_t index, bool reachable)>& done);

}  // namespace korvan
