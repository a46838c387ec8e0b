#include "core/ports/places.h"

#include <windows.h>
#include <shlobj.h>

namespace korvan {
namespace {

class WinPlaces final : public Places {
public:
    std::filesystem::path executablePath() override {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (n == 0) return {};
            if (n < buffer.size()) {
                buffer.resize(n);
                return buffer;
            }
            buffer.resize(buffer.size() * 2);
        }
    }

    std::filesystem::path temporaryDirectory() override {
        wchar_t buffer[MAX_PATH + 2];
        DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
        if (n == 0 || n > MAX_PATH + 1) return L".";
        return std::wstring(buffer, n);
    }

    std::filesystem::path desktopDirectory() override {
        wchar_t buffer[MAX_PATH];
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, buffer)))
            return buffer;
        return executablePath().parent_path();
    }

    Result<std::filesystem::path> databasePath() override {
        auto exe = executablePath();
        if (exe.empty()) return makeError(ErrorCode::Failed, "the program's own path is unknown");
        return exe.parent_path() / L"Remote.db";
    }
};

}  // namespace

std::unique_ptr<Places> makeSystemPlaces() { return std::make_unique<WinPlaces>(); }

}  // namespace korvan
