#pragma once

#include <windows.h>

#include <mutex>

#include "core/ports/gui_thread.h"

namespace korvan {

// Posts work to the main window as WM_KORVAN_POSTED; the window runs it in
// order with its other messages. Work posted before the window exists or
// after it closed is destroyed without running.
class WinGuiThread final : public GuiThread {
public:
    // GUI thread: the window that receives the work, once created.
    void attach(HWND window);
    // GUI thread, when the window is being destroyed: refuses new work and
    // frees what is still queued.
    void detach();

    // Any thread.
    void post(std::function<void()> work) override;

    // GUI thread: runs the work carried by a WM_KORVAN_POSTED message.
    static void run(LPARAM lParam);

private:
    std::mutex lock;
    HWND window = nullptr;
};

}  // namespace korvan
