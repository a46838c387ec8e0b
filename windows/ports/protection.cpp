#include "core/ports/protection.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <string>

namespace korvan {
namespace {

using ProtectFunction = BOOL(WINAPI*)(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID,
                                      CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);
using UnprotectFunction = BOOL(WINAPI*)(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID,
                                        CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);

// Crypt32.dll is looked up when first needed rather than linked, so that
// the program starts even where the library is missing or damaged; then
// only protection fails. The library stays loaded for the rest of the run.
struct Crypt32 {
    ProtectFunction protect = nullptr;
    UnprotectFunction unprotect = nullptr;

    Crypt32() {
        HMODULE module = LoadLibraryW(L"Crypt32.dll");
        if (!module) return;
        // Through a plain function pointer type: GetProcAddress's own type
        // does not match, and the compiler warns about a direct cast.
        protect = reinterpret_cast<ProtectFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "CryptProtectData")));
        unprotect = reinterpret_cast<UnprotectFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "CryptUnprotectData")));
    }
};

const Crypt32& crypt32() {
    static const Crypt32 loaded;  // thread-safe initialisation
    return loaded;
}

// Copies the output and frees it the way the API asks (LocalFree).
std::string takeBlob(DATA_BLOB& out) {
    std::string bytes(reinterpret_cast<const char*>(out.pbData), out.cbData);
    LocalFree(out.pbData);
    return bytes;
}

DATA_BLOB input(std::string_view data) {
    DATA_BLOB in;
    in.cbData = static_cast<DWORD>(data.size());
    in.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(data.data()));
    return in;
}

class WinProtection final : public Protection {
public:
    Result<std::string> protect(std::string_view data, std::u16string_view description) override {
        if (!crypt32().protect)
            return makeError(ErrorCode::Unsupported, "CryptProtectData is not available");
        if (data.size() > 0xFFFFFFFFu) return makeError(ErrorCode::Invalid, "too much data");
        DATA_BLOB in = input(data);
        DATA_BLOB out{0, nullptr};
        std::wstring name(description.begin(), description.end());
        if (!crypt32().protect(&in, name.c_str(), nullptr, nullptr, nullptr, 0, &out))
            return makeError(ErrorCode::Failed, "CryptProtectData failed (error " +
                                                    std::to_string(GetLastError()) + ")");
        return takeBlob(out);
    }

    Result<std::string> unprotect(std::string_view protectedData) override {
        if (!crypt32().unprotect)
            return makeError(ErrorCode::Unsupported, "CryptUnprotectData is not available");
        if (protectedData.size() > 0xFFFFFFFFu)
            return makeError(ErrorCode::Invalid, "too much data");
        DATA_BLOB in = input(protectedData);
        DATA_BLOB out{0, nullptr};
        if (!crypt32().unprotect(&in, nullptr, nullptr, nullptr, nullptr, 0, &out))
            return makeError(ErrorCode::Format, "CryptUnprotectData failed (error " +
                                                    std::to_string(GetLastError()) + ")");
        return takeBlob(out);
    }
};

}  // namespace

std::unique_ptr<Protection> makeSystemProtection() { return std::make_unique<WinProtection>(); }

}  // namespace korvan
