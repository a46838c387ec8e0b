#pragma once

#include <windows.h>

namespace korvan {

// Menu commands of the main window and its pop-up menus.
enum CommandId : UINT {
    IDM_CONNECT = 1001,
    IDM_ADD_HOST,
    IDM_EDIT_HOST,
    IDM_DELETE_HOST,
    IDM_CONNECT_ALL,
    IDM_CLOSE_ALL,
    IDM_IMPORT,
    IDM_DELETE_ALL,
    IDM_REFRESH,
    IDM_SAVE_NOW,
    IDM_PARAMETERS,
    IDM_SORT_START,
    IDM_SORT_END,
    IDM_SET_PASSWORD,
    IDM_CANCEL_PASSWORD,
    IDM_RECOVER_PASSWORD,
    IDM_HELP_USAGE,
    IDM_HELP_IMPORT,
    IDM_HELP_ABOUT,
    IDM_SKIN_CLASSIC,
    IDM_SKIN_WIN8,
    IDM_TRAY_SHOW,
    IDM_TRAY_EXIT,
};

// Child controls of the main window, in the order of the layout.
enum ControlId : int {
    IDC_BANNER = 2001,  // "图片框1"
    IDC_SEARCH_GROUP,   // "分组框1"
    IDC_SEARCH_LABEL,   // "透明标签1"
    IDC_SEARCH_EDIT,    // "search_编辑框"
    IDC_ENTER_WATCH,    // "动画框1"
    IDC_SEARCH_BUTTON,  // "search_按钮"
    IDC_LIST_GROUP,     // "分组框2"
    IDC_HOST_LIST,      // "超级列表框1"
    IDC_TIME_LABEL,     // "时间_透明标签"
};

// Timer ids of the main window.
enum TimerId : UINT_PTR {
    IDT_ONLINE_CHECK = 1,  // "检测是否在线_时钟"
    IDT_WINDOW_STATE = 2,  // "检测窗口状态_时钟"
};

// Private messages of the main window.
enum : UINT {
    WM_KORVAN_POSTED = WM_APP + 1,     // lParam: work posted from another thread
    WM_KORVAN_TRAY = WM_APP + 2,       // tray icon events; lParam: the mouse message
    WM_KORVAN_LIST_SYNC = WM_APP + 3,  // the host list view applies pending row changes
};

}  // namespace korvan
