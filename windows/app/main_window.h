#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "core/app/app_shell.h"
#include "core/connect/connect_commands.h"
#include "core/connect/profile_builder.h"
#include "core/connect/session_closer.h"
#include "core/monitor/cell_colour_table.h"
#include "core/monitor/checker.h"
#include "core/ports/connector.h"
#include "core/ports/cycle_counter.h"
#include "core/ports/files.h"
#include "core/ports/places.h"
#include "core/ports/processes.h"
#include "core/ports/protection.h"
#include "core/ports/registry.h"
#include "core/store/config_store.h"
#include "core/store/host_list.h"
#include "core/store/session_settings.h"
#include "windows/app/host_list_view.h"
#include "windows/app/win_dialogs.h"
#include "windows/app/win_gui_thread.h"
#include "windows/app/win_timers.h"

namespace korvan {

// The platform services the window's commands work through. Not owned; they
// must outlive the window.
struct MainWindowServices {
    Files& files;
    Places& places;
    Processes& processes;
    Registry& registry;
    Protection& protection;
    CycleCounter& counter;
    Connector& connector;
};

struct MainWindowOptions {
    std::filesystem::path databasePath;  // Remote.db
    std::string executableName;          // this program's file name, GBK
    std::filesystem::path importFolder;  // first folder of the import dialog
    // The program ends its message loop when the window goes; a test that
    // drives several windows in one process does not want that.
    bool quitOnDestroy = true;
};

// "3389_Remote": the main window with its banner, search strip, host list,
// menus, tray icon and timers. It owns the model (settings, hosts, cell
// colours) and the commands, and maps window events onto them. GUI thread
// only; one at a time per process.
class MainWindow final : private ShellWindow, private ShellMonitor, private HostListObserver {
public:
    static constexpr const wchar_t* kClassName = L"3389_Remote";
    static constexpr int kWidth = 505;
    static constexpr int kHeight = 580;

    MainWindow(MainWindowServices services, MainWindowOptions options);
    ~MainWindow() override;

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window and runs its set-up. Anything but Ready means the
    // window is already gone again (second copy or wrong password); Ready
    // with a null handle() means the system refused to make the window.
    StartupOutcome create();

    HWND handle() const { return window; }
    HWND listHandle() const { return listView.handle(); }
    HWND control(int id) const { return GetDlgItem(window, id); }
    HMENU trayMenu() const { return trayPopup; }
    HMENU hostsMenu() const { return hostsPopup; }

    HostList& hostList() { return hosts; }
    SessionSettings& sessionSettings() { return settings; }
    CellColourTable& cellColours() { return colours; }
    const Timers& timers() const { return winTimers; }
    AppShell& appShell() { return shell; }
    Checker& checker() { return onlineChecker; }

    // The last pop-up menu shown (hosts or tray), or null; for tests, since
    // a pop-up menu closes before anyone could look at it.
    HMENU lastPopupShown() const { return lastPopup; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool onCreate();
    void onCommand(UINT id);
    void onDestroy();
    void createControls();
    void createMenus();
    void addTrayIcon();
    void removeTrayIcon();
    void showPopup(HMENU menu);
    void drawBanner(const DRAWITEMSTRUCT& item);

    // ShellWindow
    void createColumns() override;
    void showWindowAndList() override;
    State windowState() override;
    void setWindowState(State state) override;
    void setWindowVisible(bool visible) override;
    void activate() override;
    void bringToFront() override;
    // ShellMonitor
    void colourLoadedNote(int row) override;
    void markCheckerIdle() override;
    void stopChecker() override;
    // HostListObserver
    void sortModeChanged(bool on) override;

    MainWindowServices services;
    MainWindowOptions options;

    SessionSettings settings;
    HostList hosts;
    CellColourTable colours;
    ConfigStore store;
    WinDialogs dialogs;
    WinTimers winTimers;
    WinGuiThread gui;
    HostListView listView;
    ProfileBuilder builder;
    ConnectCommands connect;
    SessionCloser closer;
    Checker onlineChecker;
    AppShell shell;

    HWND window = nullptr;
    HMENU menuBar = nullptr;
    HMENU hostsPopup = nullptr;
    HMENU trayPopup = nullptr;
    HMENU lastPopup = nullptr;
    HBITMAP banner = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    bool trayAdded = false;
    UINT taskbarCreated = 0;
    StartupOutcome outcome = StartupOutcome::Ready;
};

}  // namespace korvan
