#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace korvan {

// Values under HKEY_CURRENT_USER. Key paths and value names are GBK text;
// a key path uses "\" between keys. Platforms without a registry get an
// implementation in which nothing exists and nothing is written.
// GUI thread (or a single-threaded tool).
class Registry {
public:
    virtual ~Registry() = default;

    // True when the key opens for reading and the value can be queried.
    virtual bool valueExists(std::string_view keyPath, std::string_view valueName) = 0;

    // Opens the key for writing, creating it when needed, and sets a
    // REG_DWORD value. False on failure.
    virtual bool writeDword(std::string_view keyPath, std::string_view valueName,
                            uint32_t value) = 0;
};

std::unique_ptr<Registry> makeSystemRegistry();

}  // namespace korvan
