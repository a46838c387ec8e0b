// Helper of the smoke test, run under Wine next to the real program:
//   smoke_driver prepare DIR   writes DIR\Remote.db with a few hosts
//   smoke_driver wait          waits until the main window is shown, found
//                              by its class and its Chinese caption
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
    const char* rows[][3] = {
        {"北京机房-主控", "127.0.0.1:1", "administrator"},
        {"上海备份服务器", "192.0.2.10", "administrator"},
        {"深圳测试机", "192.0.2.20:3390", "admin"},
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
    std::fprintf(stderr, "usage: smoke_driver prepare DIR | wait | kill\n");
    return 2;
}
