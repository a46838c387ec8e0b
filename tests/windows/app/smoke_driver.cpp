// Helper of the smoke test, run under Wine next to the real program:
//   smoke_driver prepare DIR   writes DIR\Remote.db with a few hosts
//   smoke_driver wait          waits until the main window is shown, found
//                              by its class and its Chinese caption
//   smoke_driver second EXE    starts EXE while the program runs; expects
//                              "程序已经运行！" and exit code 0
//   smoke_driver renamed EXE   starts EXE (a renamed copy); expects a second
//                              main window, then ends that copy
//   smoke_driver kill          ends the program that owns that window
// Exit code 0 on success; a line on stderr says what failed.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "core/app/gbk.h"
#include "core/ports/files.h"
#include "core/store/config_store.h"

using namespace korvan;

namespace {

constexpr const wchar_t* kCaption = L"Korvan3389远程桌面管理工具V2.2";

int prepare(const wchar_t* folder) {
    auto files = makeSystemFiles();
    SessionSettings settings;
    settings.applyDefaults();
    HostList hosts;
    // Loopback only: the program checks every host as soon as it starts.
    const char* rows[][3] = {
        {"北京机房-主控", "127.0.0.1:1", "administrator"},
        {"上海备份服务器", "127.0.0.2", "administrator"},
        {"深圳测试机", "127.0.0.3:3390", "admin"},
    };
    for (auto& r : rows) {
        int row = hosts.appendRow();
        hosts.setCellText(row, kColumnNote, gbk(r[0]));
        hosts.setCellText(row, kColumnAddress, r[1]);
        hosts.setCellText(row, kColumnUser, r[2]);
        hosts.setCellText(row, kColumnPassword, "pw");
    }
    ConfigStore store(*files, std::filesystem::path(folder) / L"Remote.db");
    if (!store.save(settings, hosts)) {
        std::fprintf(stderr, "cannot write Remote.db\n");
        return 1;
    }
    return 0;
}

HWND findMain() { return FindWindowW(L"3389_Remote", kCaption); }

int waitShown() {
    for (int i = 0; i < 600; ++i) {
        HWND main = findMain();
        if (main && IsWindowVisible(main)) {
            HWND list = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
            LRESULT rows = list ? SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) : 0;
            if (rows == 3) {
                // Let the first check pass paint its statuses.
                Sleep(3000);
                return 0;
            }
        }
        Sleep(100);
    }
    std::fprintf(stderr, "no visible main window with the Chinese caption and three rows\n");
    return 1;
}

struct Start {
    PROCESS_INFORMATION info{};
    bool ok = false;
};

Start startProgram(const wchar_t* exe) {
    Start started;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"";
    started.ok = CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &started.info) != FALSE;
    if (!started.ok) std::fprintf(stderr, "cannot start the copy\n");
    return started;
}

struct Search {
    DWORD pid;
    HWND found;
    const wchar_t* className;
};

BOOL CALLBACK findWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (pid == search->pid && lstrcmpW(cls, search->className) == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND waitForWindowOf(DWORD pid, const wchar_t* className) {
    for (int i = 0; i < 300; ++i) {
        Search search{pid, nullptr, className};
        EnumWindows(findWindowOf, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(100);
    }
    return nullptr;
}

int secondCopy(const wchar_t* exe) {
    Start copy = startProgram(exe);
    if (!copy.ok) return 1;
    HWND box = waitForWindowOf(copy.info.dwProcessId, L"#32770");
    int result = 1;
    if (!box) {
        std::fprintf(stderr, "the second copy showed no message\n");
    } else {
        wchar_t message[128] = {};
        GetDlgItemTextW(box, 0xFFFF, message, 128);
        if (std::wstring(message) != L"程序已经运行！") {
            std::fprintf(stderr, "the second copy said something else\n");
        } else {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            DWORD code = 1;
            if (WaitForSingleObject(copy.info.hProcess, 20000) == WAIT_OBJECT_0 &&
                GetExitCodeProcess(copy.info.hProcess, &code) && code == 0)
                result = 0;
            else
                std::fprintf(stderr, "the second copy did not end with exit code 0\n");
        }
    }
    TerminateProcess(copy.info.hProcess, 1);
    CloseHandle(copy.info.hThread);
    CloseHandle(copy.info.hProcess);
    return result;
}

int renamedCopy(const wchar_t* exe) {
    Start copy = startProgram(exe);
    if (!copy.ok) return 1;
    HWND main = waitForWindowOf(copy.info.dwProcessId, L"3389_Remote");
    if (!main) std::fprintf(stderr, "the renamed copy did not open its window\n");
    TerminateProcess(copy.info.hProcess, 0);
    WaitForSingleObject(copy.info.hProcess, 5000);
    CloseHandle(copy.info.hThread);
    CloseHandle(copy.info.hProcess);
    return main ? 0 : 1;
}

int killProgram() {
    HWND main = findMain();
    if (!main) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return 1;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wstring(argv[1]) == L"prepare") return prepare(argv[2]);
    if (argc >= 2 && std::wstring(argv[1]) == L"wait") return waitShown();
    if (argc >= 2 && std::wstring(argv[1]) == L"kill") return killProgram();
    if (argc >= 3 && std::wstring(argv[1]) == L"second") return secondCopy(argv[2]);
    if (argc >= 3 && std::wstring(argv[1]) == L"renamed") return renamedCopy(argv[2]);
    std::fprintf(stderr,
                 "usage: smoke_driver prepare DIR | wait | second EXE | renamed EXE | kill\n");
    return 2;
}
