#pragma once

#include <functional>

namespace korvan {

// "Run this on the GUI thread": how a worker hands results back to the
// thread that owns the model. Win32 posts a private message to the main
// window; Qt queues a call; korvanctl drains a queue on its main thread.
class GuiThread {
public:
    virtual ~GuiThread() = default;

    // Queues `work` to run later on the GUI thread, after everything posted
    // before it (from any thread) and never inside this call, even when the
    // caller is the GUI thread itself. Any thread may call it. Work that can
    // no longer run (the window is gone) is destroyed without running, so
    // it must not rely on being run to release what it holds.
    virtual void post(std::function<void()> work) = 0;
};

}  // namespace korvan
