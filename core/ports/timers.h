#pragma once

namespace korvan {

// The main window's timers. A period of 0 stops a timer; any other period
// (re)starts it, the first tick coming one period later. Ticks arrive on the
// GUI thread. GUI thread only.
class Timers {
public:
    enum class Id {
        OnlineCheck,  // "检测是否在线_时钟"
        WindowState,  // "检测窗口状态_时钟"
    };

    virtual ~Timers() = default;
    virtual void setPeriod(Id timer, int milliseconds) = 0;
    virtual int period(Id timer) const = 0;
};

}  // namespace korvan
