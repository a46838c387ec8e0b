#include "windows/app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/app/texts.h"
#include "windows/app/command_ids.h"
#include "windows/app/png_image.h"
#include "windows/app/resource_ids.h"
#include "windows/app/ui_font.h"
#include "windows/app/wide_text.h"

namespace korvan {
namespace {

constexpr UINT kTrayIconId = 1;

std::wstring wideText(TextId id) { return wideFromGbk(text(id)); }

void appendItem(HMENU menu, UINT id, TextId title) {
    AppendMenuW(menu, MF_STRING, id, wideText(title).c_str());
}

HMENU appendPopup(HMENU bar, TextId title) {
    HMENU popup = CreatePopupMenu();
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                wideText(title).c_str());
    return popup;
}

// Menus of the bar that sort mode disables, by position: every one but
// "编辑排序", which holds the way out of sort mode.
constexpr UINT kMenusIdleWhileSorting[] = {0, 1, 3, 4, 5};

}  // namespace

HFONT uiFont() {
    static HFONT font = [] {
        HDC screen = GetDC(nullptr);
        int height = -MulDiv(kUiFontPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, kUiFontFace);
    }();
    return font;
}

MainWindow::MainWindow(MainWindowServices windowServices, MainWindowOptions windowOptions)
    : services(windowServices),
      options(std::move(windowOptions)),
      store(services.files, options.databasePath),
      listView(hosts, colours),
      builder(settings, services.files, services.places, services.registry, services.protection,
              services.counter),
      connect(hosts, settings, builder, dialogs, services.processes),
      closer(dialogs, services.processes),
      onlineChecker(hosts, colours, winTimers, gui, services.connector),
      shell(AppShell::Ports{dialogs, winTimers, services.processes, *this, *this}, store, settings,
            hosts, options.executableName, options.importFolder) {
    hosts.addObserver(this);
    colours.setObserver([this](int row, int column) { listView.redrawCell(row, column); });
}

MainWindow::~MainWindow() {
    if (window) DestroyWindow(window);
    // The class carries this window's icons, which go with it.
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
    onlineChecker.stop();
    colours.setObserver({});
    hosts.removeObserver(this);
    if (trayPopup) DestroyMenu(trayPopup);
    if (banner) DeleteObject(banner);
    if (bigIcon) DestroyIcon(bigIcon);
    if (smallIcon) DestroyIcon(smallIcon);
}

StartupOutcome MainWindow::create() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_LISTVIEW_CLASSES | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    HINSTANCE instance = GetModuleHandleW(nullptr);
    bigIcon =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = bigIcon;
    windowClass.hIconSm = smallIcon;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);  // already registered by an earlier window: fine

    outcome = StartupOutcome::Ready;
    std::wstring caption = wideText(TextId::AppCaption);
    HWND created = CreateWindowExW(
        0, kClassName, caption.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance, this);
    // When the set-up refused to go on, the window is already gone; when
    // the window could not be made at all, the outcome stays Ready and
    // handle() is null.
    if (!created) window = nullptr;
    return outcome;
}

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self;
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->window = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // No exception may unwind into the system's code that called us.
    try {
        return self->onMessage(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return onCreate() ? 0 : -1;
        case WM_CLOSE:
            if (shell.mayClose()) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            onDestroy();
            return 0;
        case WM_ENDSESSION:
            if (wParam) shell.sessionEnding();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) onCommand(LOWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == IDT_ONLINE_CHECK) onlineChecker.tick();
            if (wParam == IDT_WINDOW_STATE) shell.windowStateTick();
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) shell.positionChanged();
            return 0;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.hwndFrom == listView.handle()) {
                if (header.code == NM_DBLCLK) {
                    connect.listDoubleClicked();
                    return 0;
                }
                if (header.code == NM_RCLICK) {
                    if (!hosts.sortMode()) showPopup(hostsPopup);
                    return 0;
                }
            }
            LRESULT result = 0;
            if (listView.onNotify(header, result)) return result;
            break;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlID == IDC_BANNER) {
                drawBanner(item);
                return TRUE;
            }
            break;
        }
        case WM_KORVAN_POSTED:
            WinGuiThread::run(lParam);
            return 0;
        case WM_KORVAN_LIST_SYNC:
            listView.flush();
            return 0;
        case WM_KORVAN_TRAY:
            if (LOWORD(lParam) == WM_LBUTTONUP) shell.restoreFromTray();
            if (LOWORD(lParam) == WM_RBUTTONUP) showPopup(trayPopup);
            return 0;
        default:
            if (message == taskbarCreated && taskbarCreated != 0) {
                // Explorer restarted: the old icon is gone with it.
                trayAdded = false;
                addTrayIcon();
                return 0;
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool MainWindow::onCreate() {
    dialogs.setMainWindow(window);
    winTimers.setWindow(window);
    gui.attach(window);
    taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

    createControls();
    createMenus();
    addTrayIcon();

    // Centred on the work area; the layout below fixes the size.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - kWidth) / 2,
                 work.top + (work.bottom - work.top - kHeight) / 2, kWidth, kHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    outcome = shell.setUp();
    // TODO: the Enter key of the search strip ("动画框1") does not run a
    // quick-locate search yet; the locate command is not built.
    return outcome == StartupOutcome::Ready;
}

void MainWindow::createControls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto child = [&](DWORD exStyle, const wchar_t* cls, const std::wstring& title, DWORD style,
                     int x, int y, int w, int h, int id) {
        HWND control = CreateWindowExW(
            exStyle, cls, title.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont()), FALSE);
        return control;
    };

    banner = loadPngResource(instance, IDR_BANNER_PNG, GetSysColor(COLOR_BTNFACE));
    child(0, L"STATIC", L"", SS_OWNERDRAW, -1, 8, 520, 72, IDC_BANNER);
    child(0, L"BUTTON", wideText(TextId::SearchGroup), BS_GROUPBOX, 0, 80, 520, 47,
          IDC_SEARCH_GROUP);
    child(0, L"STATIC", wideText(TextId::SearchLabel), SS_LEFT, 8, 96 + 4, 136, 24 - 4,
          IDC_SEARCH_LABEL);
    child(WS_EX_CLIENTEDGE, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 163, 98, 148, 20,
          IDC_SEARCH_EDIT);
    child(0, ANIMATE_CLASSW, L"", ACS_TRANSPARENT, 315, 101, 16, 16, IDC_ENTER_WATCH);
    child(0, L"BUTTON", wideText(TextId::SearchButton), BS_PUSHBUTTON | WS_TABSTOP, 340, 94, 152,
          25, IDC_SEARCH_BUTTON);
    child(0, L"BUTTON", wideText(TextId::ListGroup), BS_GROUPBOX, 0, 127, 520, 425, IDC_LIST_GROUP);
    HWND list = listView.create(window, IDC_HOST_LIST, RECT{2, 144, 2 + 515, 144 + 400},
                                WM_KORVAN_LIST_SYNC);
    if (list) {
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont()), FALSE);
        // Above the group box that frames it, so that it is drawn last.
        SetWindowPos(list, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    child(0, L"STATIC", L"", SS_LEFT, 7, 556, 209, 16, IDC_TIME_LABEL);
}

void MainWindow::createMenus() {
    menuBar = CreateMenu();

    hostsPopup = appendPopup(menuBar, TextId::MenuHosts);
    appendItem(hostsPopup, IDM_CONNECT, TextId::MenuConnect);
    appendItem(hostsPopup, IDM_ADD_HOST, TextId::MenuAddHost);
    appendItem(hostsPopup, IDM_EDIT_HOST, TextId::MenuEditHost);
    appendItem(hostsPopup, IDM_DELETE_HOST, TextId::MenuDeleteHost);
    appendItem(hostsPopup, IDM_CONNECT_ALL, TextId::MenuConnectAll);
    appendItem(hostsPopup, IDM_CLOSE_ALL, TextId::MenuCloseAll);
    appendItem(hostsPopup, IDM_IMPORT, TextId::MenuImport);
    appendItem(hostsPopup, IDM_DELETE_ALL, TextId::MenuDeleteAll);
    appendItem(hostsPopup, IDM_REFRESH, TextId::MenuRefresh);
    appendItem(hostsPopup, IDM_SAVE_NOW, TextId::MenuSaveNow);

    HMENU parameters = appendPopup(menuBar, TextId::MenuParameters);
    appendItem(parameters, IDM_PARAMETERS, TextId::MenuParameterSettings);

    HMENU sorting = appendPopup(menuBar, TextId::MenuSortEdit);
    appendItem(sorting, IDM_SORT_START, TextId::MenuSortStart);
    appendItem(sorting, IDM_SORT_END, TextId::MenuSortEnd);

    HMENU password = appendPopup(menuBar, TextId::MenuStartupPassword);
    appendItem(password, IDM_SET_PASSWORD, TextId::MenuSetPassword);
    appendItem(password, IDM_CANCEL_PASSWORD, TextId::MenuCancelPassword);
    appendItem(password, IDM_RECOVER_PASSWORD, TextId::MenuRecoverPassword);

    HMENU help = appendPopup(menuBar, TextId::MenuHelp);
    appendItem(help, IDM_HELP_USAGE, TextId::MenuHelpUsage);
    appendItem(help, IDM_HELP_IMPORT, TextId::MenuHelpImport);
    appendItem(help, IDM_HELP_ABOUT, TextId::MenuHelpAbout);

    HMENU skin = appendPopup(menuBar, TextId::MenuSkin);
    appendItem(skin, IDM_SKIN_CLASSIC, TextId::MenuSkinClassic);
    appendItem(skin, IDM_SKIN_WIN8, TextId::MenuSkinWin8);

    // "托盘菜单" never appears in the bar: it is only the tray icon's menu.
    trayPopup = CreatePopupMenu();
    appendItem(trayPopup, IDM_TRAY_SHOW, TextId::MenuTrayShow);
    appendItem(trayPopup, IDM_TRAY_EXIT, TextId::MenuTrayExit);

    SetMenu(window, menuBar);
}

void MainWindow::addTrayIcon() {
    if (trayAdded) return;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = kTrayIconId;
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = WM_KORVAN_TRAY;
    icon.hIcon = smallIcon;
    lstrcpynW(icon.szTip, wideText(TextId::AppTrayTip).c_str(), ARRAYSIZE(icon.szTip));
    trayAdded = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

void MainWindow::removeTrayIcon() {
    if (!trayAdded) return;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = kTrayIconId;
    Shell_NotifyIconW(NIM_DELETE, &icon);
    trayAdded = false;
}

void MainWindow::showPopup(HMENU menu) {
    lastPopup = menu;
    POINT at{};
    GetCursorPos(&at);
    // Without becoming the foreground window first, a tray menu would not
    // close when the user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
}

void MainWindow::drawBanner(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (!banner) return;
    BITMAP info{};
    GetObjectW(banner, sizeof info, &info);
    HDC memory = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(memory, banner);
    // The picture starts at the box's left edge, which sits one pixel left
    // of the window's client area, like the rest of the layout.
    BitBlt(item.hDC, item.rcItem.left + 1, item.rcItem.top, info.bmWidth, info.bmHeight, memory, 0,
           0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void MainWindow::onCommand(UINT id) {
    switch (id) {
        case IDM_CONNECT:
            connect.connectHostChosen();
            break;
        case IDM_CONNECT_ALL:
            connect.connectAllChosen();
            break;
        case IDM_CLOSE_ALL:
            closer.CloseAllSessions();
            break;
        case IDM_SAVE_NOW:
            shell.saveNow();
            break;
        case IDM_HELP_USAGE:
            dialogs.messageBox(text(TextId::HelpUsage), Dialogs::Icon::Information,
                               Dialogs::Buttons::Ok);
            break;
        case IDM_HELP_IMPORT:
            dialogs.messageBox(text(TextId::HelpImport), Dialogs::Icon::Information,
                               Dialogs::Buttons::Ok);
            break;
        case IDM_HELP_ABOUT:
            dialogs.messageBox(text(TextId::HelpAbout), Dialogs::Icon::Information,
                               Dialogs::Buttons::Ok);
            break;
        case IDM_TRAY_SHOW:
            shell.showProgram();
            break;
        case IDM_TRAY_EXIT:
            // No save and no closing sequence: the close box is the way out
            // that keeps changes.
            if (shell.confirmExit()) DestroyWindow(window);
            break;
        // TODO: "添加主机", "修改主机", "删除主机", "全部删除", "刷新列表",
        // "批量导入", "参数设置", "开始排序", "退出排序", "设置密码",
        // "取消密码启动", "找回启动密码", "经典", "Win8" and the
        // "快速定位(Enter)" button do nothing yet: the editing, settings and
        // look commands they run are not built.
        default:
            break;
    }
}

void MainWindow::onDestroy() {
    KillTimer(window, IDT_ONLINE_CHECK);
    KillTimer(window, IDT_WINDOW_STATE);
    winTimers.setWindow(nullptr);
    removeTrayIcon();
    gui.detach();
    dialogs.setMainWindow(nullptr);
    if (options.quitOnDestroy) PostQuitMessage(0);
}

void MainWindow::createColumns() { listView.createColumns(); }

void MainWindow::showWindowAndList() {
    listView.flush();
    ShowWindow(listView.handle(), SW_SHOW);
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
}

ShellWindow::State MainWindow::windowState() {
    if (IsIconic(window)) return State::Minimised;
    if (IsZoomed(window)) return State::Maximised;
    return State::Normal;
}

void MainWindow::setWindowState(State state) {
    ShowWindow(window, state == State::Minimised   ? SW_MINIMIZE
                       : state == State::Maximised ? SW_MAXIMIZE
                                                   : SW_RESTORE);
}

void MainWindow::setWindowVisible(bool visible) { ShowWindow(window, visible ? SW_SHOW : SW_HIDE); }

void MainWindow::activate() { SetForegroundWindow(window); }

void MainWindow::bringToFront() {
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, keep);
    SetForegroundWindow(window);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
}

void MainWindow::colourLoadedNote(int row) {
    colours.setCellColour(row, kColumnNote, kColourBlue, kColourWhite);
}

void MainWindow::markCheckerIdle() { onlineChecker.arm(); }

void MainWindow::stopChecker() { onlineChecker.stop(); }

void MainWindow::sortModeChanged(bool on) {
    if (!menuBar) return;
    for (UINT position : kMenusIdleWhileSorting)
        EnableMenuItem(menuBar, position, MF_BYPOSITION | (on ? MF_GRAYED : MF_ENABLED));
    DrawMenuBar(window);
}

}  // namespace korvan
