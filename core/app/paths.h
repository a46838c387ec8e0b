#pragma once

#include <filesystem>
#include <string>

namespace korvan {

// A path as UTF-8, for messages and scripts.
inline std::string pathToUtf8(const std::filesystem::path& path) {
    auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

// A path from UTF-8 text (a command-line argument, a JSON field).
inline std::filesystem::path pathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace korvan
