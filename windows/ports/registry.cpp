#include "core/ports/registry.h"

#include <windows.h>

#include <optional>
#include <string>

#include "core/app/gbk.h"

namespace korvan {
namespace {

// Key paths and value names are GBK; the wide API is given their UTF-16
// form (code page 936), so the result is the same on Windows of any
// language. Text that is not GBK names nothing and is never written.
std::optional<std::wstring> wide(std::string_view gbkText) {
    auto u16 = gbkToUtf16(gbkText);
    if (!u16) return std::nullopt;
    return std::wstring(u16->begin(), u16->end());
}

class WinRegistry final : public Registry {
public:
    bool valueExists(std::string_view keyPath, std::string_view valueName) override {
        auto key = wide(keyPath);
        auto name = wide(valueName);
        if (!key || !name) return false;
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, key->c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return false;
        // An empty name queries the key's default value, which exists only
        // when it has been set.
        LONG rc = RegQueryValueExW(h, name->c_str(), nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(h);
        return rc == ERROR_SUCCESS;
    }

    bool writeDword(std::string_view keyPath, std::string_view valueName, uint32_t value) override {
        auto key = wide(keyPath);
        auto name = wide(valueName);
        if (!key || !name) return false;
        HKEY h = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
            return false;
        DWORD data = value;
        LONG rc = RegSetValueExW(h, name->c_str(), 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&data), sizeof data);
        RegCloseKey(h);
        return rc == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<Registry> makeSystemRegistry() { return std::make_unique<WinRegistry>(); }

}  // namespace korvan
