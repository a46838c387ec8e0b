#include "core/ports/processes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <string>

#include "core/app/gbk.h"

namespace korvan {
namespace {

// A process name as GBK; a character GBK cannot hold becomes "?", so the
// name still compares unequal to any name of ours rather than vanishing.
std::string nameToGbk(const wchar_t* name) {
    std::u16string u16;
    for (const wchar_t* p = name; *p; ++p) u16 += static_cast<char16_t>(*p);
    if (auto whole = utf16ToGbk(u16)) return *whole;
    std::string out;
    for (char16_t c : u16) {
        auto one = utf16ToGbk(std::u16string_view(&c, 1));
        out += one ? *one : std::string("?");
    }
    return out;
}

class WinProcesses final : public Processes {
public:
    std::vector<ProcessEntry> list() override {
        std::vector<ProcessEntry> out;
        // Flag value 15: processes, threads, heaps and modules of process 0
        // (the caller), the snapshot the program has always taken.
        HANDLE snapshot = CreateToolhelp32Snapshot(15, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return out;
        PROCESSENTRY32W entry;
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry)) {
            out.push_back({nameToGbk(entry.szExeFile), entry.th32ProcessID});
        }
        CloseHandle(snapshot);
        return out;
    }

    // The command line goes to CreateProcessW in UTF-16 (from code page
    // 936), so a profile path with Chinese characters works on Windows of
    // any language. The program is found by the system's usual search: the
    // application's directory, the current directory, the system
    // directories, then PATH. Returns once the new process is ready for
    // input, or after at most one second, so that a batch does not start
    // clients faster than they can open their windows.
    Result<void> start(std::string_view commandLine) override {
        auto u16 = gbkToUtf16(commandLine);
        if (!u16) return makeError(ErrorCode::Invalid, "the command line is not GBK text");
        std::wstring line(u16->begin(), u16->end());  // CreateProcessW may write to it
        STARTUPINFOW startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION process;
        ZeroMemory(&process, sizeof process);
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            DWORD err = GetLastError();
            return makeError(err == ERROR_FILE_NOT_FOUND ? ErrorCode::NotFound : ErrorCode::Failed,
                             "CreateProcess failed (error " + std::to_string(err) + ")");
        }
        WaitForInputIdle(process.hProcess, 1000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return {};
    }

    bool kill(uint32_t id) override {
        HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, id);
        if (!h) return false;
        BOOL ended = TerminateProcess(h, 0);
        CloseHandle(h);
        return ended != FALSE;
    }
};

}  // namespace

std::unique_ptr<Processes> makeSystemProcesses() { return std::make_unique<WinProcesses>(); }

}  // namespace korvan
