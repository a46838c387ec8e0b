#include "windows/app/win_gui_thread.h"

#include <memory>

#include "windows/app/command_ids.h"

namespace korvan {

using Work = std::function<void()>;

void WinGuiThread::attach(HWND target) {
    std::lock_guard<std::mutex> guard(lock);
    window = target;
}

void WinGuiThread::detach() {
    HWND old;
    {
        std::lock_guard<std::mutex> guard(lock);
        old = window;
        window = nullptr;
    }
    if (!old) return;
    MSG msg;
    while (PeekMessageW(&msg, old, WM_KORVAN_POSTED, WM_KORVAN_POSTED, PM_REMOVE))
        delete reinterpret_cast<Work*>(msg.lParam);
}

void WinGuiThread::post(std::function<void()> work) {
    auto owned = std::make_unique<Work>(std::move(work));
    // The lock keeps the window from being detached between the check and
    // the post, so nothing lands in a queue nobody drains.
    std::lock_guard<std::mutex> guard(lock);
    if (!window) return;
    if (PostMessageW(window, WM_KORVAN_POSTED, 0, reinterpret_cast<LPARAM>(owned.get())))
        owned.release();
}

void WinGuiThread::run(LPARAM lParam) {
    std::unique_ptr<Work> work(reinterpret_cast<Work*>(lParam));
    if (!work || !*work) return;
    // Nothing may unwind through the window procedure; posted work reports
    // its own failures, so one that throws anyway is only dropped.
    try {
        (*work)();
    } catch (...) {
    }
}

}  // namespace korvan
