#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

#include "core/ports/gui_thread.h"

namespace korvan::testing {

// A GUI thread that is the test's own thread: posted work (from any thread)
// waits in a queue until the test runs it, so the order of events is the
// test's to choose.
class FakeGuiThread : public GuiThread {
public:
    void post(std::function<void()> work) override {
        {
            std::lock_guard lock(mutex);
            queue.push_back(std::move(work));
            ++posted;
        }
        arrived.notify_all();
    }

    // Runs what is queued, including what that work posts, until the queue
    // is empty. Returns how many items ran.
    int runPending() {
        int ran = 0;
        while (auto work = take()) {
            work();
            ++ran;
        }
        return ran;
    }

    // Runs posted work as it arrives until `done` holds or `limit` passes.
    // Returns `done()`.
    template <typename Done>
    bool runUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            {
                std::unique_lock lock(mutex);
                if (!arrived.wait_until(lock, deadline, [&] { return !queue.empty(); }))
                    return done();
            }
            runPending();
        }
        return true;
    }

    // Waits until `count` items have been posted in all (none run).
    bool waitForPosts(std::size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, limit, [&] { return posted >= count; });
    }

    std::size_t pending() const {
        std::lock_guard lock(mutex);
        return queue.size();
    }

    std::size_t postedCount() const {
        std::lock_guard lock(mutex);
        return posted;
    }

private:
    std::function<void()> take() {
        std::lock_guard lock(mutex);
        if (queue.empty()) return {};
        auto work = std::move(queue.front());
        queue.pop_front();
        return work;
    }

    mutable std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::function<void()>> queue;
    std::size_t posted = 0;
};

}  // namespace korvan::testing
