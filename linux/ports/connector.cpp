// Reachability tests with POSIX sockets: non-blocking connects watched by
// poll(), and an eventfd that wakes the wait when the caller stops or a name
// lookup finishes. The window of attempts, the deadlines and the lookups on
// helper threads are the core's scheduler; this file only supplies sockets.
#include "core/ports/connector.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/monitor/probe_scheduler.h"

namespace korvan {
namespace {

std::optional<Ipv4Address> resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0) return std::nullopt;
    std::optional<Ipv4Address> found;
    for (addrinfo* a = list; a && !found; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr)
            found = std::bit_cast<Ipv4Address>(
                reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr);
    }
    freeaddrinfo(list);
    return found;
}

int descriptor(ProbeSockets::Handle socket) { return static_cast<int>(socket); }

class PosixSockets final : public ProbeSockets {
public:
    // Without an eventfd (no descriptor left) the scheduler waits in short
    // slices instead.
    PosixSockets() : wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~PosixSockets() override {
        if (wakeFd >= 0) ::close(wakeFd);
    }
    PosixSockets(const PosixSockets&) = delete;
    PosixSockets& operator=(const PosixSockets&) = delete;

    std::optional<Ipv4Address> parseNumeric(const std::string& host) const override {
        in_addr numeric{};
        if (inet_pton(AF_INET, host.c_str(), &numeric) != 1) return std::nullopt;
        return std::bit_cast<Ipv4Address>(numeric);
    }

    Start startConnect(Ipv4Address address, std::uint16_t port, Handle& socket) override {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return (errno == EMFILE || errno == ENFILE) ? Start::NoDescriptor : Start::Failed;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr = std::bit_cast<in_addr>(address);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
            // Nothing is read: reachable is all we wanted to know.
            ::close(fd);
            return Start::Connected;
        }
        if (errno != EINPROGRESS) {
            ::close(fd);
            return Start::Failed;
        }
        socket = static_cast<Handle>(fd);
        return Start::Connecting;
    }

    void wait(std::span<const Handle> sockets, std::span<State> states,
              std::chrono::milliseconds timeout) override {
        fds.clear();
        if (wakeFd >= 0) fds.push_back({wakeFd, POLLIN, 0});
        for (Handle s : sockets) fds.push_back({descriptor(s), POLLOUT, 0});
        // On EINTR or any other failure every revents stays 0: nothing is
        // ready, and the caller looks at its deadlines and waits again.
        poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
        std::size_t f = 0;
        if (wakeFd >= 0 && fds[f++].revents) {
            std::uint64_t count;
            [[maybe_unused]] auto n = read(wakeFd, &count, sizeof count);
        }
        // An error or hang-up ends the connect as surely as writability;
        // SO_ERROR then tells which it was.
        for (State& state : states)
            state =
                (fds[f++].revents & (POLLOUT | POLLERR | POLLHUP)) ? State::Ended : State::Pending;
    }

    bool connected(Handle socket) override {
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(descriptor(socket), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        return error == 0;
    }

    void close(Handle socket) override { ::close(descriptor(socket)); }

    bool canWake() const override { return wakeFd >= 0; }

    void wake() override {
        if (wakeFd < 0) return;
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = write(wakeFd, &one, sizeof one);
    }

    Resolver resolver() const override { return resolve; }

private:
    const int wakeFd;
    std::vector<pollfd> fds;
};

class PosixConnector : public Connector {
public:
    void probe(std::span<const ProbeTarget> targets, const ProbeOptions& options,
               std::stop_token stop, const std::function<void(std::size_t, bool)>& done) override {
        PosixSockets sockets;
        scheduleProbes(sockets, targets, options, std::move(stop), done);
    }
};

}  // namespace

std::unique_ptr<Connector> makeSystemConnector() { return std::make_unique<PosixConnector>(); }

}  // namespace korvan
