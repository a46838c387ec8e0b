// Reachability tests with Winsock: non-blocking connects watched by
// select(), and a loopback datagram socket that wakes the wait when the
// caller stops or a name lookup finishes. The window of attempts, the
// deadlines and the lookups on helper threads are the core's scheduler;
// this file only supplies sockets.
//
// select() rather than WSAPoll: WSAPoll on Windows before 10 (2004) does not
// report a refused connect, which would turn every refusal into a time-out.

// Room for the wake-up socket and a full window of attempts; must come
// before the Winsock headers.
#define FD_SETSIZE 1024
#include <winsock2.h>
#include <ws2tcpip.h>

#include "core/ports/connector.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "core/monitor/probe_scheduler.h"

namespace korvan {
namespace {

// One select() set holds the wake-up socket and every attempt in flight.
constexpr int kMostInFlight = FD_SETSIZE - 1;

bool startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

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

SOCKET winsockHandle(ProbeSockets::Handle socket) { return static_cast<SOCKET>(socket); }

class WinsockSockets final : public ProbeSockets {
public:
    // The wake-up is a datagram socket on loopback that the wait watches for
    // reading and that wake() sends one byte to. Without it the scheduler
    // waits in short slices instead.
    WinsockSockets() {
        wakeSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (wakeSocket == INVALID_SOCKET) return;
        wakeAddress.sin_family = AF_INET;
        wakeAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof wakeAddress;
        u_long on = 1;
        if (bind(wakeSocket, reinterpret_cast<sockaddr*>(&wakeAddress), sizeof wakeAddress) != 0 ||
            getsockname(wakeSocket, reinterpret_cast<sockaddr*>(&wakeAddress), &size) != 0 ||
            ioctlsocket(wakeSocket, FIONBIO, &on) != 0) {
            closesocket(wakeSocket);
            wakeSocket = INVALID_SOCKET;
        }
    }
    ~WinsockSockets() override {
        if (wakeSocket != INVALID_SOCKET) closesocket(wakeSocket);
    }
    WinsockSockets(const WinsockSockets&) = delete;
    WinsockSockets& operator=(const WinsockSockets&) = delete;

    std::optional<Ipv4Address> parseNumeric(const std::string& host) const override {
        in_addr numeric{};
        if (inet_pton(AF_INET, host.c_str(), &numeric) != 1) return std::nullopt;
        return std::bit_cast<Ipv4Address>(numeric);
    }

    Start startConnect(Ipv4Address address, std::uint16_t port, Handle& socket) override {
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET)
            return WSAGetLastError() == WSAEMFILE ? Start::NoDescriptor : Start::Failed;
        u_long on = 1;
        if (ioctlsocket(s, FIONBIO, &on) != 0) {
            closesocket(s);
            return Start::Failed;
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr = std::bit_cast<in_addr>(address);
        if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
            // Nothing is read: reachable is all we wanted to know.
            closesocket(s);
            return Start::Connected;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            closesocket(s);
            return Start::Failed;
        }
        socket = static_cast<Handle>(s);
        return Start::Connecting;
    }

    void wait(std::span<const Handle> sockets, std::span<State> states,
              std::chrono::milliseconds timeout) override {
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_ZERO(&readable);
        if (canWake()) FD_SET(wakeSocket, &readable);
        for (Handle s : sockets) {
            FD_SET(winsockHandle(s), &writable);
            FD_SET(winsockHandle(s), &failed);
        }
        if (readable.fd_count == 0 && writable.fd_count == 0) {
            // select() refuses empty sets: only lookups without a wake-up
            // are pending.
            std::this_thread::sleep_for(timeout);
        } else {
            long ms = static_cast<long>(timeout.count());
            timeval t{ms / 1000, (ms % 1000) * 1000};
            if (select(0, &readable, &writable, &failed, &t) == SOCKET_ERROR) {
                FD_ZERO(&readable);
                FD_ZERO(&writable);
                FD_ZERO(&failed);
            }
        }
        if (canWake() && FD_ISSET(wakeSocket, &readable)) {
            char buffer[64];
            while (recv(wakeSocket, buffer, sizeof buffer, 0) > 0) {
            }
        }
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            SOCKET s = winsockHandle(sockets[i]);
            states[i] = FD_ISSET(s, &failed)     ? State::Failed
                        : FD_ISSET(s, &writable) ? State::Ended
                                                 : State::Pending;
        }
    }

    bool connected(Handle socket) override {
        int error = 0;
        int size = sizeof error;
        if (getsockopt(winsockHandle(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                       &size) != 0)
            error = WSAGetLastError();
        return error == 0;
    }

    void close(Handle socket) override { closesocket(winsockHandle(socket)); }

    bool canWake() const override { return wakeSocket != INVALID_SOCKET; }

    void wake() override {
        if (!canWake()) return;
        char byte = 1;
        sendto(wakeSocket, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&wakeAddress),
               sizeof wakeAddress);
    }

    Resolver resolver() const override { return resolve; }

private:
    SOCKET wakeSocket = INVALID_SOCKET;
    sockaddr_in wakeAddress{};
    fd_set writable, failed, readable;
};

class WinsockConnector : public Connector {
public:
    void probe(std::span<const ProbeTarget> targets, const ProbeOptions& options,
               std::stop_token stop, const std::function<void(std::size_t, bool)>& done) override {
        if (!startWinsock()) {
            for (std::size_t i = 0; i < targets.size() && !stop.stop_requested(); ++i)
                done(i, false);
            return;
        }
        ProbeOptions bounded = options;
        bounded.parallel = std::min(options.parallel, kMostInFlight);
        WinsockSockets sockets;
        scheduleProbes(sockets, targets, bounded, std::move(stop), done);
    }
};

}  // namespace

std::unique_ptr<Connector> makeSystemConnector() { return std::make_unique<WinsockConnector>(); }

}  // namespace korvan
