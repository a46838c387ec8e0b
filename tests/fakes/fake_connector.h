#pragma once

#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "core/ports/connector.h"

namespace korvan::testing {

// Answers from a table instead of the network. It can report in reverse
// order (as real attempts may end) and can hold a sweep after a number of
// answers until the test releases it or the caller stops it.
class FakeConnector : public Connector {
public:
    // host -> reachable; hosts not listed are unreachable.
    std::map<std::string, bool> reachable;
    bool reverseOrder = false;
    // Report this many answers, then wait for release() or a stop; -1: no hold.
    int holdAfter = -1;

    void probe(std::span<const ProbeTarget> targets, const ProbeOptions& options,
               std::stop_token stop, const std::function<void(std::size_t, bool)>& done) override {
        {
            std::lock_guard lock(mutex);
            ++calls;
            lastOptions = options;
            seen.assign(targets.begin(), targets.end());
        }
        int reported = 0;
        for (std::size_t k = 0; k < targets.size(); ++k) {
            std::size_t i = reverseOrder ? targets.size() - 1 - k : k;
            if (reported == holdAfter) {
                // A stop callback rather than condition_variable_any's
                // stop_token wait, which misses the stop with mingw's
                // libstdc++. Taking the mutex in the callback orders the stop
                // before or after the waiter's check, never in between.
                std::stop_callback wakeOnStop(stop, [this] {
                    { std::lock_guard lock(mutex); }
                    changed.notify_all();
                });
                std::unique_lock lock(mutex);
                ++holding;
                changed.notify_all();
                changed.wait(lock, [&] { return released || stop.stop_requested(); });
                --holding;
                if (stop.stop_requested()) return;
            }
            if (stop.stop_requested()) return;
            auto it = reachable.find(targets[i].host);
            done(i, it != reachable.end() && it->second);
            ++reported;
        }
    }

    void release() {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        changed.notify_all();
    }

    // Waits until a probe is held at holdAfter.
    bool waitUntilHeld() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return holding > 0; });
    }

    int callCount() {
        std::lock_guard lock(mutex);
        return calls;
    }
    std::vector<ProbeTarget> targetsSeen() {
        std::lock_guard lock(mutex);
        return seen;
    }
    ProbeOptions optionsSeen() {
        std::lock_guard lock(mutex);
        return lastOptions;
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    int holding = 0;
    int calls = 0;
    std::vector<ProbeTarget> seen;
    ProbeOptions lastOptions;
};

}  // namespace korvan::testing
