#pragma once

#include <windows.h>

#include "core/ports/timers.h"

namespace korvan {

// The main window's two timers as Win32 timers of that window: ticks come
// as WM_TIMER with IDT_ONLINE_CHECK or IDT_WINDOW_STATE. GUI thread only.
class WinTimers final : public Timers {
public:
    void setWindow(HWND target) { window = target; }

    void setPeriod(Id timer, int milliseconds) override;
    int period(Id timer) const override;

private:
    HWND window = nullptr;
    int periods[2] = {0, 0};
};

}  // namespace korvan
