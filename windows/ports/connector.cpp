// Reachability tests with Winsock: non-blocking connects watched by
// select(), a loopback datagram socket to wake the wait when the caller
// stops, and name lookups on helper threads so that a slow resolver never
// holds the caller.
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
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace korvan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMostInFlight = FD_SETSIZE - 1;

bool startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// Wakes a select() from any thread: a datagram socket on loopback that the
// wait watches for reading, and that a waker sends one byte to.
class WakeSocket {
public:
    WakeSocket() {
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (s == INVALID_SOCKET) return;
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        u_long on = 1;
        if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
            ioctlsocket(s, FIONBIO, &on) != 0) {
            closesocket(s);
            s = INVALID_SOCKET;
        }
    }
    ~WakeSocket() {
        if (s != INVALID_SOCKET) closesocket(s);
    }
    WakeSocket(const WakeSocket&) = delete;
    WakeSocket& operator=(const WakeSocket&) = delete;

    bool valid() const { return s != INVALID_SOCKET; }
    SOCKET handle() const { return s; }
    void wake() const {
        if (!valid()) return;
        char byte = 1;
        sendto(s, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    void drain() const {
        char buffer[64];
        while (recv(s, buffer, sizeof buffer, 0) > 0) {
        }
    }

private:
    SOCKET s = INVALID_SOCKET;
    sockaddr_in address{};
};

// A name lookup running on a thread of its own. The lookup cannot be
// interrupted, so the caller may give up on it: it then marks the job
// abandoned, and the helper thread, which holds the job by shared pointer,
// finishes quietly without touching anything else. `waker` is used only
// while the job is not abandoned, under the mutex, so never after the
// caller's wake socket is gone.
struct Lookup {
    std::mutex mutex;
    bool finished = false;
    bool abandoned = false;
    std::optional<in_addr> address;
    const WakeSocket* waker = nullptr;
};

void runLookup(std::shared_ptr<Lookup> job, std::string host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::optional<in_addr> found;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) == 0) {
        for (addrinfo* a = list; a; a = a->ai_next) {
            if (a->ai_family == AF_INET && a->ai_addr) {
                found = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
                break;
            }
        }
        freeaddrinfo(list);
    }
    std::lock_guard lock(job->mutex);
    job->finished = true;
    job->address = found;
    if (!job->abandoned && job->waker) job->waker->wake();
}

struct Attempt {
    std::size_t index = 0;
    std::uint16_t port = 0;
    Clock::time_point deadline;
    SOCKET s = INVALID_SOCKET;       // connecting socket, or none while looking up
    std::shared_ptr<Lookup> lookup;  // set while the name is being looked up
};

enum class Start { Connecting, Connected, Failed, NoSocket };

Start startConnect(Attempt& attempt, in_addr address) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return WSAGetLastError() == WSAEMFILE ? Start::NoSocket : Start::Failed;
    u_long on = 1;
    if (ioctlsocket(s, FIONBIO, &on) != 0) {
        closesocket(s);
        return Start::Failed;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(attempt.port);
    to.sin_addr = address;
    if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        closesocket(s);
        return Start::Connected;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        closesocket(s);
        return Start::Failed;
    }
    attempt.s = s;
    return Start::Connecting;
}

class WinsockConnector : public Connector {
public:
    void probe(std::span<const ProbeTarget> targets, const ProbeOptions& options,
               std::stop_token stop, const std::function<void(std::size_t, bool)>& done) override {
        if (!startWinsock()) {
            for (std::size_t i = 0; i < targets.size() && !stop.stop_requested(); ++i)
                done(i, false);
            return;
        }
        try {
            WakeSocket waker;
            run(targets, options, stop, done, waker);
        } catch (const std::exception&) {
            // Only allocation can throw here; the hosts not reported are
            // simply left as they are.
        }
    }

private:
    static void run(std::span<const ProbeTarget> targets, const ProbeOptions& options,
                    std::stop_token& stop, const std::function<void(std::size_t, bool)>& done,
                    const WakeSocket& waker) {
        std::vector<Attempt> inFlight;
        std::size_t limit =
            std::min(static_cast<std::size_t>(std::max(1, options.parallel)), kMostInFlight);
        std::size_t next = 0;
        // Closes sockets and lets go of lookups however the run ends.
        struct Cleanup {
            std::vector<Attempt>& attempts;
            ~Cleanup() {
                for (auto& a : attempts) {
                    if (a.s != INVALID_SOCKET) closesocket(a.s);
                    if (a.lookup) {
                        std::lock_guard lock(a.lookup->mutex);
                        a.lookup->abandoned = true;
                    }
                }
            }
        } cleanup{inFlight};
        std::stop_callback wakeOnStop(stop, [&waker] { waker.wake(); });

        fd_set writable, failed, readable;
        while (!stop.stop_requested() && (next < targets.size() || !inFlight.empty())) {
            while (next < targets.size() && inFlight.size() < limit && !stop.stop_requested()) {
                const ProbeTarget& target = targets[next];
                Attempt attempt;
                attempt.index = next;
                attempt.port = target.port;
                attempt.deadline = Clock::now() + options.timeout;
                if (target.host.empty()) {
                    ++next;
                    done(attempt.index, false);
                    continue;
                }
                in_addr numeric{};
                if (inet_pton(AF_INET, target.host.c_str(), &numeric) == 1) {
                    Start s = startConnect(attempt, numeric);
                    if (s == Start::NoSocket && !inFlight.empty()) {
                        // Out of sockets: wait for one of ours to free up and
                        // keep the window this size from now on.
                        limit = inFlight.size();
                        break;
                    }
                    ++next;
                    if (s == Start::Connecting)
                        inFlight.push_back(std::move(attempt));
                    else
                        done(attempt.index, s == Start::Connected);
                    continue;
                }
                auto job = std::make_shared<Lookup>();
                job->waker = &waker;
                try {
                    std::thread(runLookup, job, target.host).detach();
                } catch (const std::system_error&) {
                    ++next;
                    done(attempt.index, false);
                    continue;
                }
                ++next;
                attempt.lookup = std::move(job);
                inFlight.push_back(std::move(attempt));
            }
            if (inFlight.empty()) continue;

            auto nearest = std::min_element(inFlight.begin(), inFlight.end(),
                                            [](const Attempt& a, const Attempt& b) {
                                                return a.deadline < b.deadline;
                                            })
                               ->deadline;
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(nearest - Clock::now());
            long long ms = std::clamp<long long>(wait.count(), 0, 60000);
            // Without a wake-up socket the wait is cut into short slices, so
            // that a stop or a finished lookup is still seen soon.
            if (!waker.valid()) ms = std::min(ms, 50LL);
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_ZERO(&readable);
            if (waker.valid()) FD_SET(waker.handle(), &readable);
            for (const auto& a : inFlight) {
                if (a.s == INVALID_SOCKET) continue;
                FD_SET(a.s, &writable);
                FD_SET(a.s, &failed);
            }
            if (readable.fd_count == 0 && writable.fd_count == 0) {
                // select() refuses empty sets: only lookups without a
                // wake-up are pending.
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            } else {
                timeval t{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
                if (select(0, &readable, &writable, &failed, &t) == SOCKET_ERROR) {
                    FD_ZERO(&readable);
                    FD_ZERO(&writable);
                    FD_ZERO(&failed);
                }
            }
            if (waker.valid() && FD_ISSET(waker.handle(), &readable)) waker.drain();
            if (stop.stop_requested()) break;

            auto now = Clock::now();
            for (std::size_t i = 0; i < inFlight.size();) {
                Attempt& a = inFlight[i];
                std::optional<bool> outcome;
                if (a.s != INVALID_SOCKET) {
                    if (FD_ISSET(a.s, &failed)) {
                        outcome = false;
                    } else if (FD_ISSET(a.s, &writable)) {
                        int error = 0;
                        int size = sizeof error;
                        if (getsockopt(a.s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                                       &size) != 0)
                            error = WSAGetLastError();
                        outcome = error == 0;
                    }
                } else if (a.lookup) {
                    std::optional<in_addr> address;
                    bool finished;
                    {
                        std::lock_guard lock(a.lookup->mutex);
                        finished = a.lookup->finished;
                        address = a.lookup->address;
                    }
                    if (finished) {
                        a.lookup.reset();
                        if (!address) {
                            outcome = false;
                        } else {
                            Start s = startConnect(a, *address);
                            if (s != Start::Connecting) outcome = s == Start::Connected;
                        }
                    }
                }
                if (!outcome && now >= a.deadline) outcome = false;
                if (!outcome) {
                    ++i;
                    continue;
                }
                if (a.s != INVALID_SOCKET) closesocket(a.s);
                if (a.lookup) {
                    std::lock_guard lock(a.lookup->mutex);
                    a.lookup->abandoned = true;
                }
                std::size_t index = a.index;
                inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
                done(index, *outcome);
            }
        }
    }
};

}  // namespace

std::unique_ptr<Connector> makeSystemConnector() { return std::make_unique<WinsockConnector>(); }

}  // namespace korvan
