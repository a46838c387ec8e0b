#include "windows/app/main_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/app/texts.h"
#include "core/monitor/cell_colour_table.h"
#include "dialog_answerer.h"
#include "fakes/fake_connector.h"
#include "fakes/fake_cycle_counter.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_protection.h"
#include "fakes/fake_registry.h"
#include "windows/app/command_ids.h"
#include "windows/app/win_dialogs.h"

namespace korvan {
namespace {

namespace fs = std::filesystem;
using testing::DialogAnswerer;
using BoxIcon = DialogAnswerer::Shown::Icon;

std::wstring W(TextId id) {
    const std::string& gbk = text(id);
    int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::wstring menuText(HMENU menu, UINT position) {
    wchar_t buffer[128] = {};
    GetMenuStringW(menu, position, buffer, 128, MF_BYPOSITION);
    return buffer;
}

std::wstring cellText(HWND list, int row, int column) {
    wchar_t buffer[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

// Waits, dispatching messages, until `done` holds or ten seconds passed.
template <typename F>
bool pumpUntil(F done) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        pumpMessagesFor(10);
    }
    return true;
}

// The list printed into a memory bitmap, as it would be painted.
class Snapshot {
public:
    explicit Snapshot(HWND list) {
        GetClientRect(list, &size);
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, size.right, size.bottom);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT | PRF_ERASEBKGND);
    }
    ~Snapshot() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // True when some pixel in the rectangle is clearly blue text.
    bool hasBlue(RECT r) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                if (GetBValue(c) > 160 && GetRValue(c) < 90 && GetGValue(c) < 90) return true;
            }
        return false;
    }
    bool hasDark(RECT r) const {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                if (GetBValue(c) < 90 && GetRValue(c) < 90 && GetGValue(c) < 90) return true;
            }
        return false;
    }

private:
    RECT size{};
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

RECT cellRect(HWND list, int row, int column) {
    RECT r{};
    ListView_GetSubItemRect(list, row, column, column == 0 ? LVIR_LABEL : LVIR_BOUNDS, &r);
    InflateRect(&r, -2, -2);
    return r;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir = fs::path(temp) / (L"korvan_window_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                std::to_wstring(counter++));
        fs::create_directories(dir);
        db = dir / L"Remote.db";
        processes.running = {{"explorer.exe", 8}, {"window_test.exe", 12}};
    }
    void TearDown() override {
        window.reset();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Stores hosts and settings as the program would have saved them.
    void storeFile(int hostCount, const std::string& startupAuth = "0",
                   const std::string& password = "") {
        SessionSettings s;
        s.applyDefaults();
        s.startupAuth = startupAuth;
        s.startupPassword = password;
        HostList list;
        for (int i = 0; i < hostCount; ++i) {
            int row = list.appendRow();
            list.setCellText(row, kColumnNote, "host" + std::to_string(i));
            list.setCellText(row, kColumnAddress, "10.9.0." + std::to_string(i + 1));
            list.setCellText(row, kColumnUser, "administrator");
            list.setCellText(row, kColumnPassword, "pw");
        }
        ConfigStore writer(*files, db);
        ASSERT_TRUE(writer.save(s, list).ok());
    }

    StartupOutcome open(fs::path database = {}) {
        MainWindowOptions options;
        options.databasePath = database.empty() ? db : database;
        options.executableName = "window_test.exe";
        options.importFolder = dir;
        options.quitOnDestroy = false;
        window = std::make_unique<MainWindow>(
            MainWindowServices{*files, *places, processes, registry, protection, cycles, connector},
            std::move(options));
        return window->create();
    }

    HWND list() const { return window->listHandle(); }
    void command(UINT id) { SendMessageW(window->handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void notifyList(UINT code) {
        NMITEMACTIVATE note{};
        note.hdr.hwndFrom = list();
        note.hdr.idFrom = IDC_HOST_LIST;
        note.hdr.code = code;
        note.iItem = -1;
        SendMessageW(window->handle(), WM_NOTIFY, IDC_HOST_LIST, reinterpret_cast<LPARAM>(&note));
    }

    static inline int counter = 0;
    fs::path dir;
    fs::path db;
    std::unique_ptr<Files> files = makeSystemFiles();
    std::unique_ptr<Places> places = makeSystemPlaces();
    testing::FakeProcesses processes;
    testing::FakeRegistry registry;
    testing::FakeProtection protection;
    testing::FakeCycleCounter cycles;
    testing::FakeConnector connector;
    DialogAnswerer answers;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, WithoutRemoteDbTheWindowShowsAnEmptyListAndDefaults) {
    // The run is meant to prove that the texts do not depend on a Chinese
    // code page for non-Unicode programs.
    EXPECT_NE(GetACP(), 936u);

    ASSERT_EQ(open(), StartupOutcome::Ready);
    HWND main = window->handle();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(answers.shown.empty());

    wchar_t caption[128] = {};
    GetWindowTextW(main, caption, 128);
    EXPECT_EQ(std::wstring(caption), L"Korvan3389远程桌面管理工具V2.2");
    wchar_t cls[64] = {};
    GetClassNameW(main, cls, 64);
    EXPECT_EQ(std::wstring(cls), L"3389_Remote");
    RECT bounds{};
    GetWindowRect(main, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 505);
    EXPECT_EQ(bounds.bottom - bounds.top, 580);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(IsWindowVisible(list()));

    EXPECT_EQ(ListView_GetItemCount(list()), 0);
    EXPECT_EQ(window->sessionSettings().desktopWidth, "1024");
    EXPECT_EQ(window->sessionSettings().sessionSwitch, "console");
    EXPECT_TRUE(window->sessionSettings().skin.empty());
    EXPECT_EQ(window->timers().period(Timers::Id::OnlineCheck), 100);
    EXPECT_EQ(window->timers().period(Timers::Id::WindowState), 100);

    // Columns: titles and widths, the password column hidden.
    const std::pair<const wchar_t*, int> columns[] = {
        {L"备注", 80}, {L"服务器IP地址", 210}, {L"用户名", 130}, {L"状态", 70}, {L"密码", 0}};
    for (int i = 0; i < 5; ++i) {
        wchar_t title[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title;
        column.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(list(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ(std::wstring(title), columns[i].first);
        EXPECT_EQ(column.cx, columns[i].second);
    }
    LONG_PTR style = GetWindowLongPtrW(list(), GWL_STYLE);
    EXPECT_TRUE(style & LVS_OWNERDATA);
    EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
    EXPECT_TRUE(style & LVS_NOSORTHEADER);
    EXPECT_FALSE(style & LVS_SINGLESEL);
    DWORD extended = ListView_GetExtendedListViewStyle(list());
    EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(extended & LVS_EX_GRIDLINES);

    // The bar in its order, without the tray menu; the tray menu apart.
    HMENU bar = GetMenu(main);
    const wchar_t* menus[] = {L"主机管理", L"连接参数", L"编辑排序",
                              L"启动密码", L"使用方法", L"皮肤设置"};
    ASSERT_EQ(GetMenuItemCount(bar), 6);
    for (UINT i = 0; i < 6; ++i) EXPECT_EQ(menuText(bar, i), menus[i]);
    HMENU hosts = GetSubMenu(bar, 0);
    const wchar_t* items[] = {L"连接主机", L"添加主机", L"修改主机", L"删除主机", L"一键全连",
                              L"一键关闭", L"批量导入", L"全部删除", L"刷新列表", L"立即保存"};
    ASSERT_EQ(GetMenuItemCount(hosts), 10);
    for (UINT i = 0; i < 10; ++i) EXPECT_EQ(menuText(hosts, i), items[i]);
    EXPECT_EQ(menuText(window->trayMenu(), 0), L"显示程序");
    EXPECT_EQ(menuText(window->trayMenu(), 1), L"退出程序");

    // The search strip.
    wchar_t label[64] = {};
    GetWindowTextW(window->control(IDC_SEARCH_BUTTON), label, 64);
    EXPECT_EQ(std::wstring(label), L"快速定位(Enter)");
    RECT button{};
    GetWindowRect(window->control(IDC_SEARCH_BUTTON), &button);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, 340);
    EXPECT_EQ(button.top, 94);
    EXPECT_EQ(button.right - button.left, 152);
}

TEST_F(MainWindowTest, SecondCopyIsRefusedButARenamedCopyIsNot) {
    processes.running = {{"window_test.exe", 12}, {"window_test.exe", 40}};
    EXPECT_EQ(open(), StartupOutcome::AlreadyRunning);
    EXPECT_EQ(window->handle(), nullptr);
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, L"程序已经运行！");
    EXPECT_EQ(answers.shown[0].title, L"信息：");
    EXPECT_FALSE(fs::exists(db));

    answers.shown.clear();
    processes.running = {
        {"Window_test.exe", 12}, {"window_test - copy.exe", 40}, {"window_test.exe", 41}};
    EXPECT_EQ(open(), StartupOutcome::Ready);
    EXPECT_TRUE(answers.shown.empty());
}

TEST_F(MainWindowTest, WrongStartupPasswordEndsWithoutTouchingRemoteDb) {
    storeFile(2, "1", "secret");
    const std::string before = readFile(db);
    answers.queue(IDOK, L"guess");
    EXPECT_EQ(open(), StartupOutcome::WrongPassword);
    EXPECT_EQ(window->handle(), nullptr);
    ASSERT_EQ(answers.shown.size(), 2u);
    EXPECT_TRUE(answers.shown[0].hasEdit);
    EXPECT_EQ(answers.shown[0].title, L"请输入启动密码");
    EXPECT_EQ(answers.shown[0].text, L"请输入启动密码");
    EXPECT_EQ(answers.shown[1].text, L"密码错误！");
    EXPECT_EQ(answers.shown[1].icon, BoxIcon::None);
    window.reset();
    EXPECT_EQ(readFile(db), before);
}

TEST_F(MainWindowTest, RightStartupPasswordLetsTheUserIn) {
    storeFile(1, "1", "secret");
    answers.queue(IDOK, L"secret");
    EXPECT_EQ(open(), StartupOutcome::Ready);
    EXPECT_EQ(ListView_GetItemCount(list()), 1);
}

TEST_F(MainWindowTest, LoadedRowsShowCheckingInBlueNotesUntilTheFirstSweep) {
    storeFile(2);
    connector.reachable["10.9.0.1"] = true;
    ASSERT_EQ(open(), StartupOutcome::Ready);
    ASSERT_EQ(ListView_GetItemCount(list()), 2);
    EXPECT_EQ(cellText(list(), 0, 0), L"host0");
    EXPECT_EQ(cellText(list(), 1, 1), L"10.9.0.2");
    EXPECT_EQ(cellText(list(), 0, 3), L"检测中");
    EXPECT_EQ(cellText(list(), 1, 3), L"检测中");
    {
        Snapshot shot(list());
        EXPECT_TRUE(shot.hasBlue(cellRect(list(), 0, 0)));   // note: blue
        EXPECT_FALSE(shot.hasBlue(cellRect(list(), 0, 2)));  // user: default black
        EXPECT_TRUE(shot.hasDark(cellRect(list(), 0, 2)));
    }

    // The first tick (100 ms) starts the sweep; the results come back
    // through the window's message queue.
    ASSERT_TRUE(pumpUntil([&] { return cellText(list(), 1, 3) == L"离线"; }));
    EXPECT_EQ(cellText(list(), 0, 3), L"在线");
    EXPECT_EQ(window->timers().period(Timers::Id::OnlineCheck), 60000);
    EXPECT_EQ(window->timers().period(Timers::Id::WindowState), 0);
    Snapshot shot(list());
    EXPECT_TRUE(shot.hasBlue(cellRect(list(), 0, 3)));   // online: blue
    EXPECT_FALSE(shot.hasBlue(cellRect(list(), 1, 3)));  // offline: black
}

TEST_F(MainWindowTest, CloseBoxAnsweredNoStillSaves) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    HostList& hosts = window->hostList();
    int row = hosts.appendRow();
    hosts.setCellText(row, kColumnAddress, "10.1.1.1");
    hosts.setCellText(row, kColumnUser, "admin");
    pumpMessagesFor(0);  // row-count changes reach the view through the queue
    EXPECT_EQ(ListView_GetItemCount(list()), 1);

    answers.queue(IDNO);
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    ASSERT_NE(window->handle(), nullptr);
    EXPECT_TRUE(IsWindow(window->handle()));
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, L"确定要退出Korvan3389批量远程桌面工具？");
    EXPECT_TRUE(answers.shown[0].hasYes);
    EXPECT_EQ(answers.shown[0].icon, BoxIcon::Information);

    HostList reloaded;
    SessionSettings s;
    ConfigStore(*files, db).load(s, reloaded);
    ASSERT_EQ(reloaded.rowCount(), 1);
    EXPECT_EQ(reloaded.cellText(0, kColumnAddress), "10.1.1.1");

    answers.queue(IDYES);
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window->handle(), nullptr);
}

TEST_F(MainWindowTest, ExitFromTheTrayMenuDoesNotSave) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    int row = window->hostList().appendRow();
    window->hostList().setCellText(row, kColumnAddress, "10.1.1.1");
    window->hostList().setCellText(row, kColumnUser, "admin");

    answers.queue(IDNO);
    command(IDM_TRAY_EXIT);
    EXPECT_NE(window->handle(), nullptr);
    answers.queue(IDYES);
    command(IDM_TRAY_EXIT);
    EXPECT_EQ(window->handle(), nullptr);
    ASSERT_EQ(answers.shown.size(), 2u);
    EXPECT_EQ(answers.shown[1].text, L"确定要退出Korvan3389批量远程桌面工具？");
    EXPECT_FALSE(fs::exists(db));
}

TEST_F(MainWindowTest, LoggingOffSavesWithoutAQuestion) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    SendMessageW(window->handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(fs::exists(db));  // the log-off was cancelled
    SendMessageW(window->handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(fs::exists(db));
    EXPECT_TRUE(answers.shown.empty());
}

TEST_F(MainWindowTest, SaveNowReportsSuccessAndNamesTheFileOnFailure) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    command(IDM_SAVE_NOW);
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, L"主机信息保存成功！");
    EXPECT_EQ(answers.shown[0].title, L"信息：");
    EXPECT_EQ(answers.shown[0].icon, BoxIcon::Information);
    EXPECT_TRUE(fs::exists(db));

    // A database in a folder that does not exist cannot be written.
    fs::path unwritable = dir / L"missing" / L"Remote.db";
    answers.shown.clear();
    ASSERT_EQ(open(unwritable), StartupOutcome::Ready);
    command(IDM_SAVE_NOW);
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text.rfind(W(TextId::SaveFailed), 0), 0u);
    EXPECT_NE(answers.shown[0].text.find(unwritable.wstring()), std::wstring::npos);
    EXPECT_EQ(answers.shown[0].icon, BoxIcon::Warning);

    // The close box warns before its question.
    answers.shown.clear();
    answers.queue(IDOK);
    answers.queue(IDNO);
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    ASSERT_EQ(answers.shown.size(), 2u);
    EXPECT_EQ(answers.shown[0].text.rfind(W(TextId::SaveFailedOnClose), 0), 0u);
    EXPECT_EQ(answers.shown[1].text, W(TextId::AskExit));
}

TEST_F(MainWindowTest, HelpItemsShowTheirTexts) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    command(IDM_HELP_USAGE);
    command(IDM_HELP_IMPORT);
    command(IDM_HELP_ABOUT);
    ASSERT_EQ(answers.shown.size(), 3u);
    EXPECT_EQ(answers.shown[0].text, W(TextId::HelpUsage));
    EXPECT_EQ(answers.shown[1].text, W(TextId::HelpImport));
    EXPECT_EQ(answers.shown[2].text, W(TextId::HelpAbout));
    for (const auto& box : answers.shown) {
        EXPECT_EQ(box.title, L"信息：");
        EXPECT_EQ(box.icon, BoxIcon::Information);
        EXPECT_FALSE(box.hasYes);
    }
}

TEST_F(MainWindowTest, SelectionFollowsTheListBothWays) {
    storeFile(5);
    ASSERT_EQ(open(), StartupOutcome::Ready);
    ListView_SetItemState(list(), 3, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list(), 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(window->hostList().selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(window->hostList().selectedIndex(), 1);
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
    EXPECT_EQ(window->hostList().selectedCount(), 0);

    // A shift-click range arrives as one notification for the whole range.
    NMLVODSTATECHANGE range{};
    range.hdr.hwndFrom = list();
    range.hdr.idFrom = IDC_HOST_LIST;
    range.hdr.code = LVN_ODSTATECHANGED;
    range.iFrom = 1;
    range.iTo = 3;
    range.uNewState = LVIS_SELECTED;
    SendMessageW(window->handle(), WM_NOTIFY, IDC_HOST_LIST, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(window->hostList().selectedRows(), (std::vector<int>{1, 2, 3}));
    window->hostList().clearSelection();
    EXPECT_EQ(ListView_GetSelectedCount(list()), 0u);

    window->hostList().selectRow(4);
    EXPECT_EQ(ListView_GetNextItem(list(), -1, LVNI_SELECTED), 4);
    // Deleting a row above moves the selection mark with the host.
    window->hostList().deleteRow(0);
    pumpMessagesFor(0);
    EXPECT_EQ(ListView_GetItemCount(list()), 4);
    EXPECT_EQ(ListView_GetNextItem(list(), -1, LVNI_SELECTED), 3);
}

TEST_F(MainWindowTest, ConnectWithoutSelectionSaysSo) {
    storeFile(1);
    ASSERT_EQ(open(), StartupOutcome::Ready);
    command(IDM_CONNECT);
    notifyList(NM_DBLCLK);
    ASSERT_EQ(answers.shown.size(), 2u);
    EXPECT_EQ(answers.shown[0].text, W(TextId::NoHostSelected));
    EXPECT_EQ(answers.shown[1].text, W(TextId::NoHostSelected));
    EXPECT_TRUE(processes.started.empty());

    window->hostList().setSortMode(true);
    notifyList(NM_DBLCLK);
    EXPECT_EQ(answers.shown.size(), 2u);
}

TEST_F(MainWindowTest, ConnectCommandsStartTheClientForTheRightRows) {
    storeFile(3);
    ASSERT_EQ(open(), StartupOutcome::Ready);
    ListView_SetItemState(list(), 2, LVIS_SELECTED, LVIS_SELECTED);
    notifyList(NM_DBLCLK);
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(processes.started[0].rfind("mstsc.exe ", 0), 0u);
    EXPECT_NE(processes.started[0].find(" /console"), std::string::npos);
    EXPECT_TRUE(answers.shown.empty());

    answers.queue(IDYES);
    command(IDM_CONNECT_ALL);
    EXPECT_EQ(processes.started.size(), 4u);
    EXPECT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, W(TextId::AskConnectAll));
    EXPECT_TRUE(IsWindowEnabled(window->handle()));
}

TEST_F(MainWindowTest, CloseAllAsksAndEndsOnlyTheRdpClients) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    processes.running.push_back({"mstsc.exe", 90});
    processes.running.push_back({"MSTSC.exe", 91});
    answers.queue(IDYES);
    command(IDM_CLOSE_ALL);
    EXPECT_EQ(processes.killed, (std::vector<uint32_t>{90}));
    EXPECT_TRUE(IsWindowEnabled(window->handle()));
}

// Ends a pop-up menu from inside its own modal loop.
void CALLBACK endMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(MainWindowTest, SortModeIdlesTheListMenuButNotTheTrayMenu) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    HMENU bar = GetMenu(window->handle());
    window->hostList().setSortMode(true);
    for (UINT position : {0u, 1u, 3u, 4u, 5u})
        EXPECT_TRUE(GetMenuState(bar, position, MF_BYPOSITION) & MF_GRAYED) << position;
    EXPECT_FALSE(GetMenuState(bar, 2, MF_BYPOSITION) & MF_GRAYED);

    notifyList(NM_RCLICK);
    EXPECT_EQ(window->lastPopupShown(), nullptr);
    SetTimer(nullptr, 0, 50, endMenu);
    SendMessageW(window->handle(), WM_KORVAN_TRAY, 0, WM_RBUTTONUP);
    EXPECT_EQ(window->lastPopupShown(), window->trayMenu());

    window->hostList().setSortMode(false);
    EXPECT_FALSE(GetMenuState(bar, 0, MF_BYPOSITION) & MF_GRAYED);
    SetTimer(nullptr, 0, 50, endMenu);
    notifyList(NM_RCLICK);
    EXPECT_EQ(window->lastPopupShown(), window->hostsMenu());
}

TEST_F(MainWindowTest, MinimisingHidesAndTheTrayIconBringsItBack) {
    ASSERT_EQ(open(), StartupOutcome::Ready);
    HWND main = window->handle();
    ShowWindow(main, SW_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(main));
    SendMessageW(main, WM_KORVAN_TRAY, 0, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_FALSE(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);

    ShowWindow(main, SW_MINIMIZE);
    command(IDM_TRAY_SHOW);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
}

TEST_F(MainWindowTest, ChangedCellColourIsPainted) {
    storeFile(2);
    connector.holdAfter = 0;  // keep the sweep from writing
    ASSERT_EQ(open(), StartupOutcome::Ready);
    UpdateWindow(list());
    window->cellColours().setCellColour(1, kColumnStatus, kColourBlue, kColourWhite);
    Snapshot shot(list());
    EXPECT_TRUE(shot.hasBlue(cellRect(list(), 1, 3)));
    EXPECT_FALSE(shot.hasBlue(cellRect(list(), 0, 3)));
    connector.release();
}

}  // namespace
}  // namespace korvan
