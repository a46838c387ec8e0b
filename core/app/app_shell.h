#pragma once

#include <filesystem>
#include <string>

#include "core/ports/dialogs.h"
#include "core/ports/processes.h"
#include "core/ports/timers.h"
#include "core/store/config_store.h"
#include "core/store/host_list.h"
#include "core/store/session_settings.h"

namespace korvan {

// What the shell asks of the main window. The window implements it; tests
// record the calls. GUI thread only.
class ShellWindow {
public:
    enum class State { Normal, Minimised, Maximised };

    virtual ~ShellWindow() = default;

    // Creates the five list columns with their titles and widths.
    virtual void createColumns() = 0;
    // Makes the main window and the host list visible (no activation).
    virtual void showWindowAndList() = 0;

    virtual State windowState() = 0;
    virtual void setWindowState(State state) = 0;
    virtual void setWindowVisible(bool visible) = 0;
    // Activates the window.
    virtual void activate() = 0;
    // Puts the window in front of every other one even when another program
    // is active: always-on-top on, activate, always-on-top off.
    virtual void bringToFront() = 0;
};

// What the shell asks of the reachability monitor. GUI thread only.
class ShellMonitor {
public:
    virtual ~ShellMonitor() = default;
    // Colours the note cell of a row loaded from the file blue on white.
    virtual void colourLoadedNote(int row) = 0;
    // CheckerIdle := true; the next online-check tick may start a sweep.
    virtual void markCheckerIdle() = 0;
    // Ends a running check worker at once; no row is updated afterwards.
    virtual void stopChecker() = 0;
};

// How the set-up of the main window ended.
enum class StartupOutcome {
    Ready,           // the window is shown and both timers are armed
    AlreadyRunning,  // another copy runs: the process ends with exit code 0
    WrongPassword,   // the start-up password was wrong: destroy the window, save nothing
};

// The main window's life from set-up to closing: the order of the start-up
// steps, the two ways out, saving on demand and showing the window again
// from the tray. Everything here runs on the GUI thread.
class AppShell {
public:
    struct Ports {
        Dialogs& dialogs;
        Timers& timers;
        Processes& processes;
        ShellWindow& window;
        ShellMonitor& monitor;
    };

    // `executableName` is this program's file name without directory, as
    // GBK, the way the process list reports it. `importFolder` is the first
    // folder of the import dialog.
    AppShell(Ports ports, ConfigStore& store, SessionSettings& settings, HostList& hosts,
             std::string executableName, std::filesystem::path importFolder);

    // The creation handler of the main window. On AlreadyRunning nothing has
    // been touched (no column, setting or file); on WrongPassword the hosts
    // are loaded but nothing is ever saved and no timer is armed.
    StartupOutcome setUp();

    // The close box. Saves first (a failed save is reported before the
    // question, so that the user can still say No and keep the window),
    // then asks; true lets the window close, after the checker was stopped.
    bool mayClose();

    // "退出程序": asks without an owner window; true means destroy the
    // window at once, without saving and without stopping the checker.
    bool confirmExit();

    // "立即保存": saves and says whether it worked, naming the file when not.
    void saveNow();

    // The user logs off or shuts the computer down: the close box will not
    // be asked, so the hosts are saved now, without a question. There is
    // no one left to tell of a failure; the old file stays as it was.
    void sessionEnding();

    // Tick of the window-state timer: shows the window and the list once and
    // stops the timer, unless sort mode is on.
    void windowStateTick();

    // The window's position or state changed: a minimised window is hidden,
    // so that only the tray icon brings it back.
    void positionChanged();
    // Left button released on the tray icon.
    void restoreFromTray();
    // "显示程序" in the tray menu.
    void showProgram();

    bool startupComplete() const { return started; }
    const std::filesystem::path& importFolder() const { return importDir; }

    // The period both timers get as the last set-up step.
    static constexpr int kFirstTickMs = 100;
    // The pause around the exit question, while messages keep flowing.
    static constexpr int kCloseWaitMs = 20;

private:
    bool anotherCopyRuns();
    // The file's path as GBK, for a message.
    std::string databasePathText() const;

    Ports ports;
    ConfigStore& store;
    SessionSettings& settings;
    HostList& hosts;
    std::string exeName;
    std::filesystem::path importDir;
    bool started = false;
};

}  // namespace korvan
