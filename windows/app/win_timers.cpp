#include "windows/app/win_timers.h"

#include "windows/app/command_ids.h"

namespace korvan {
namespace {

UINT_PTR timerId(Timers::Id timer) {
    return timer == Timers::Id::OnlineCheck ? IDT_ONLINE_CHECK : IDT_WINDOW_STATE;
}

int slot(Timers::Id timer) { return timer == Timers::Id::OnlineCheck ? 0 : 1; }

}  // namespace

void WinTimers::setPeriod(Id timer, int milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    periods[slot(timer)] = milliseconds;
    if (!window) return;
    // SetTimer on a running id restarts it with the new period.
    if (milliseconds == 0)
        KillTimer(window, timerId(timer));
    else
        SetTimer(window, timerId(timer), static_cast<UINT>(milliseconds), nullptr);
}

int WinTimers::period(Id timer) const { return periods[slot(timer)]; }

}  // namespace korvan
