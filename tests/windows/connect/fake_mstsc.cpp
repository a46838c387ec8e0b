// Stands in for the RDP client in the tests: appends its command line and
// its arguments to the file named by KORVAN_FAKE_MSTSC_LOG (UTF-8, one
// record per start), then stays alive like a client window would until it
// is ended, or for a minute at most, so that no stray copy outlives a run.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

int main() {
    wchar_t logPath[MAX_PATH];
    if (GetEnvironmentVariableW(L"KORVAN_FAKE_MSTSC_LOG", logPath, MAX_PATH) > 0) {
        // "line:" the command line, "arg:" each argument, "end" last: the
        // test waits for the end marker before it reads.
        std::string record = "line:" + utf8(GetCommandLineW()) + "\n";
        int count = 0;
        if (wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count)) {
            for (int i = 0; i < count; ++i) record += "arg:" + utf8(args[i]) + "\n";
            LocalFree(args);
        }
        record += "end\n";
        HANDLE h = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
            CloseHandle(h);
        }
    }
    Sleep(60000);
    return 3;
}
