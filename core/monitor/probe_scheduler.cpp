#include "core/monitor/probe_scheduler.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace korvan {
namespace {

using Clock = std::chrono::steady_clock;
using Handle = ProbeSockets::Handle;
using Start = ProbeSockets::Start;
using State = ProbeSockets::State;

// Without a wake-up, the longest a stop or a finished lookup goes unseen.
constexpr std::chrono::milliseconds kWaitSlice{50};
// Upper bound of one wait, whatever the deadlines.
constexpr std::chrono::milliseconds kLongestWait{60000};

// A name lookup running on a thread of its own. The lookup cannot be
// interrupted, so the caller may give up on it: it then marks the job
// abandoned, and the helper thread, which holds the job by shared pointer,
// finishes quietly without touching anything else. `waker` is used only
// while the job is not abandoned, under the mutex, and every job is
// abandoned before its probe returns, so the helper never wakes sockets
// that are gone.
struct Lookup {
    std::mutex mutex;
    bool finished = false;
    bool abandoned = false;
    std::optional<Ipv4Address> address;
    ProbeSockets* waker = nullptr;
};

void runLookup(std::shared_ptr<Lookup> job, std::string host, ProbeSockets::Resolver resolve) {
    std::optional<Ipv4Address> found = resolve(host);
    std::lock_guard lock(job->mutex);
    job->finished = true;
    job->address = found;
    if (!job->abandoned) job->waker->wake();
}

struct Attempt {
    std::size_t index = 0;
    std::uint16_t port = 0;
    Clock::time_point deadline;
    std::optional<Handle> socket;    // set while connecting
    std::shared_ptr<Lookup> lookup;  // set while the name is being looked up
    // Set while the name is looked up but no descriptor was free to connect.
    std::optional<Ipv4Address> resolved;
};

Start startConnect(ProbeSockets& sockets, Attempt& attempt, Ipv4Address address) {
    Handle socket{};
    Start s = sockets.startConnect(address, attempt.port, socket);
    if (s == Start::Connecting) attempt.socket = socket;
    return s;
}

// Closes the attempt's socket and leaves its lookup, if any, to finish alone.
void letGo(ProbeSockets& sockets, Attempt& attempt) {
    if (attempt.socket) sockets.close(*attempt.socket);
    if (attempt.lookup) {
        std::lock_guard lock(attempt.lookup->mutex);
        attempt.lookup->abandoned = true;
    }
}

// What an attempt whose lookup has finished comes to: nothing yet while
// its connect is under way.
std::optional<bool> connectLookedUp(ProbeSockets& sockets, Attempt& attempt) {
    std::optional<Ipv4Address> address;
    {
        std::lock_guard lock(attempt.lookup->mutex);
        if (!attempt.lookup->finished) return std::nullopt;
        address = attempt.lookup->address;
    }
    attempt.lookup.reset();
    if (!address) return false;
    Start s = startConnect(sockets, attempt, *address);
    if (s == Start::NoDescriptor) {
        // Tried again before new targets start, like a numeric address.
        attempt.resolved = address;
        return std::nullopt;
    }
    if (s == Start::Connecting) return std::nullopt;
    return s == Start::Connected;
}

void run(ProbeSockets& sockets, std::span<const ProbeTarget> targets, const ProbeOptions& options,
         std::stop_token& stop, const std::function<void(std::size_t, bool)>& done) {
    std::vector<Attempt> inFlight;
    std::size_t limit = static_cast<std::size_t>(std::max(1, options.parallel));
    std::size_t next = 0;
    // Closes sockets and lets go of lookups however the run ends.
    struct Cleanup {
        ProbeSockets& sockets;
        std::vector<Attempt>& attempts;
        ~Cleanup() {
            for (auto& a : attempts) letGo(sockets, a);
        }
    } cleanup{sockets, inFlight};
    std::stop_callback wakeOnStop(stop, [&sockets] { sockets.wake(); });

    std::vector<Handle> connecting;
    std::vector<State> states;
    while (!stop.stop_requested() && (next < targets.size() || !inFlight.empty())) {
        // Looked-up names that found no descriptor free go first. While a
        // socket of ours is open they keep waiting for it and the window
        // stays this size; without one, none will free up.
        for (std::size_t i = 0; i < inFlight.size();) {
            Attempt& a = inFlight[i];
            if (!a.resolved) {
                ++i;
                continue;
            }
            Start s = startConnect(sockets, a, *a.resolved);
            if (s == Start::NoDescriptor &&
                std::any_of(inFlight.begin(), inFlight.end(),
                            [](const Attempt& other) { return other.socket.has_value(); })) {
                limit = std::min(limit, inFlight.size());
                ++i;
                continue;
            }
            a.resolved.reset();
            if (s == Start::Connecting) {
                ++i;
                continue;
            }
            std::size_t index = a.index;
            inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
            done(index, s == Start::Connected);
        }
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
            if (auto numeric = sockets.parseNumeric(target.host)) {
                Start s = startConnect(sockets, attempt, *numeric);
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
            job->waker = &sockets;
            try {
                std::thread(runLookup, job, target.host, sockets.resolver()).detach();
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
        auto wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(nearest - Clock::now()),
                               std::chrono::milliseconds::zero(), kLongestWait);
        if (!sockets.canWake()) wait = std::min(wait, kWaitSlice);
        connecting.clear();
        for (const auto& a : inFlight)
            if (a.socket) connecting.push_back(*a.socket);
        states.assign(connecting.size(), State::Pending);
        sockets.wait(connecting, states, wait);
        if (stop.stop_requested()) break;

        // The states follow, in order, the attempts that had a socket during
        // the wait; one that gets its socket below, when its lookup is done,
        // takes no state.
        auto now = Clock::now();
        std::size_t waited = 0;
        for (std::size_t i = 0; i < inFlight.size();) {
            Attempt& a = inFlight[i];
            std::optional<bool> outcome;
            if (a.socket) {
                State state = states[waited++];
                if (state == State::Failed)
                    outcome = false;
                else if (state == State::Ended)
                    outcome = sockets.connected(*a.socket);
            } else if (a.lookup) {
                outcome = connectLookedUp(sockets, a);
            }
            if (!outcome && now >= a.deadline) outcome = false;
            if (!outcome) {
                ++i;
                continue;
            }
            letGo(sockets, a);
            std::size_t index = a.index;
            inFlight.erase(inFlight.begin() + static_cast<std::ptrdiff_t>(i));
            done(index, *outcome);
        }
    }
}

}  // namespace

void scheduleProbes(ProbeSockets& sockets, std::span<const ProbeTarget> targets,
                    const ProbeOptions& options, std::stop_token stop,
                    const std::function<void(std::size_t, bool)>& done) {
    try {
        run(sockets, targets, options, stop, done);
    } catch (const std::exception&) {
        // Only allocation can throw here; the hosts not reported are simply
        // left as they are.
    }
}

}  // namespace korvan
