#include "core/ports/files.h"

#include <windows.h>

#include <string>

#include "core/app/paths.h"

namespace korvan {
namespace {

Error winError(const std::string& what, const std::filesystem::path& path, DWORD err) {
    bool missing = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
    return makeError(missing ? ErrorCode::NotFound : ErrorCode::Io,
                     what + " " + pathToUtf8(path) + " (error " + std::to_string(err) + ")");
}

bool writeAll(HANDLE h, std::string_view data) {
    while (!data.empty()) {
        DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
        DWORD written = 0;
        if (!WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0) return false;
        data.remove_prefix(written);
    }
    return true;
}

class WinFiles final : public Files {
public:
    Result<std::string> readAll(const std::filesystem::path& path) override {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return winError("cannot open", path, GetLastError());
        std::string out;
        char buffer[65536];
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
                DWORD err = GetLastError();
                CloseHandle(h);
                return winError("cannot read", path, err);
            }
            if (got == 0) break;
            out.append(buffer, got);
        }
        CloseHandle(h);
        return out;
    }

    Result<void> replaceAtomically(const std::filesystem::path& path,
                                   std::string_view data) override {
        std::filesystem::path tmp = path;
        tmp += L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(GetTickCount());
        HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return winError("cannot create", tmp, GetLastError());
        if (!writeAll(h, data) || !FlushFileBuffers(h)) {
            DWORD err = GetLastError();
            CloseHandle(h);
            DeleteFileW(tmp.c_str());
            return winError("cannot write", path, err);
        }
        CloseHandle(h);
        if (!MoveFileExW(tmp.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DWORD err = GetLastError();
            DeleteFileW(tmp.c_str());
            return winError("cannot replace", path, err);
        }
        return {};
    }

    Result<void> writePrivate(const std::filesystem::path& path, std::string_view data) override {
        // The file takes the default security of its folder; the temporary
        // folder of a user profile is already the user's own.
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return winError("cannot create", path, GetLastError());
        bool good = writeAll(h, data);
        DWORD err = GetLastError();
        CloseHandle(h);
        if (!good) return winError("cannot write", path, err);
        return {};
    }

    bool exists(const std::filesystem::path& path) override {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

}  // namespace

std::unique_ptr<Files> makeSystemFiles() { return std::make_unique<WinFiles>(); }

}  // namespace korvan
