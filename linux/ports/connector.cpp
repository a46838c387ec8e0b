// Reachability tests with POSIX sockets: non-blocking connects watched by
// poll(), an eventfd to wake the wait when the caller stops, and name
// lookups on helper threads so that a slow resolver never holds the caller.
#include "core/ports/connector.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// A name lookup running on a thread of its own. The lookup cannot be
// interrupted, so the caller may give up on it: it then marks the job
// abandoned, and the helper thread, which holds the job by shared pointer,
// finishes quietly without touching anything else. `wakeFd` is written only
// while the job is not abandoned, under the mutex, so it is never written
// after the caller has closed it.
struct Lookup {
    std::mutex mutex;
    bool finished = false;
    bool abandoned = false;
    std::optional<in_addr> address;
    int wakeFd = -1;
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
    if (!job->abandoned && job->wakeFd >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = write(job->wakeFd, &one, sizeof one);
    }
}

struct Attempt {
    std::size_t index = 0;
    std::uint16_t port = 0;
    Clock::time_point deadline;
    int fd = -1;                     // connecting socket, or -1 while looking up
    std::shared_ptr<Lookup> lookup;  // set while the name is being looked up
};

enum class Start { Connecting, Connected, Failed, NoDescriptor };

Start startConnect(Attempt& attempt, in_addr address) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return (errno == EMFILE || errno == ENFILE) ? Start::NoDescriptor : Start::Failed;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(attempt.port);
    to.sin_addr = address;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        close(fd);
        return Start::Connected;
    }
    if (errno != EINPROGRESS) {
        close(fd);
        return Start::Failed;
    }
    attempt.fd = fd;
    return Start::Connecting;
}

class PosixConnector : public Connector {
public:
    void probe(std::span<const ProbeTarget> targets, const ProbeOptions& options,
               std::stop_token stop, const std::function<void(std::size_t, bool)>& done) override {
        int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        // Without a wake-up (no descriptor left) the waits below are cut
        // into short slices, so that a stop is still seen soon.
        try {
            run(targets, options, stop, done, wake);
        } catch (const std::exception&) {
            // Only allocation can throw here; the hosts not reported are
            // simply left as they are.
        }
        if (wake >= 0) close(wake);
    }

private:
    static void run(std::span<const ProbeTarget> targets, const ProbeOptions& options,
                    std::stop_token& stop, const std::function<void(std::size_t, bool)>& done,
                    int wake) {
        std::vector<Attempt> inFlight;
        std::size_t limit = static_cast<std::size_t>(std::max(1, options.parallel));
        std::size_t next = 0;
        // Closes sockets and lets go of lookups however the run ends.
        struct Cleanup {
            std::vector<Attempt>& attempts;
            ~Cleanup() {
                for (auto& a : attempts) {
                    if (a.fd >= 0) close(a.fd);
                    if (a.lookup) {
                        std::lock_guard lock(a.lookup->mutex);
                        a.lookup->abandoned = true;
                    }
                }
            }
        } cleanup{inFlight};
        std::stop_callback wakeOnStop(stop, [wake] {
            if (wake < 0) return;
            std::uint64_t one = 1;
            [[maybe_unused]] auto n = write(wake, &one, sizeof one);
        });

        std::vector<pollfd> fds;
        while (!stop.stop_requested() && (next < targets.size() || !inFlight.empty())) {
            // Start attempts until the window is full.
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
                    if (s == Start::NoDescriptor && !inFlight.empty()) {
                        // Out of descriptors: wait for one of ours to free up
                        // and keep the window this size from now on.
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
                job->wakeFd = wake;
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

            // Wait for a connect to end, a lookup to finish, a stop or the
            // nearest deadline.
            auto nearest = std::min_element(inFlight.begin(), inFlight.end(),
                                            [](const Attempt& a, const Attempt& b) {
                                                return a.deadline < b.deadline;
                                            })
                               ->deadline;
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(nearest - Clock::now());
            int timeout = static_cast<int>(std::clamp<long long>(wait.count(), 0, 60000));
            if (wake < 0) timeout = std::min(timeout, 50);
            fds.clear();
            if (wake >= 0) fds.push_back({wake, POLLIN, 0});
            for (const auto& a : inFlight)
                if (a.fd >= 0) fds.push_back({a.fd, POLLOUT, 0});
            int ready = poll(fds.data(), fds.size(), timeout);
            if (ready < 0 && errno != EINTR) ready = 0;
            if (wake >= 0 && fds[0].revents) {
                std::uint64_t count;
                [[maybe_unused]] auto n = read(wake, &count, sizeof count);
            }
            if (stop.stop_requested()) break;

            auto now = Clock::now();
            std::size_t f = wake >= 0 ? 1 : 0;
            for (std::size_t i = 0; i < inFlight.size();) {
                Attempt& a = inFlight[i];
                std::optional<bool> outcome;
                if (a.fd >= 0) {
                    short events = fds[f++].revents;
                    if (events & (POLLOUT | POLLERR | POLLHUP)) {
                        int error = 0;
                        socklen_t size = sizeof error;
                        if (getsockopt(a.fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                            error = errno;
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
                if (a.fd >= 0) close(a.fd);
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

std::unique_ptr<Connector> makeSystemConnector() { return std::make_unique<PosixConnector>(); }

}  // namespace korvan
