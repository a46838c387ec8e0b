#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/app/result.h"

namespace korvan {

// The file system, as far as the core needs it. Paths are std::filesystem
// paths made by the platform layer (wide on Windows), never GBK bytes.
// Any thread may call; calls on different files do not interfere.
class Files {
public:
    virtual ~Files() = default;

    // The whole contents. NotFound when the file does not exist, Io when it
    // exists but cannot be read.
    virtual Result<std::string> readAll(const std::filesystem::path& path) = 0;

    // Crash-safe replace. On success `path` holds exactly `data` and has
    // reached the disk. On failure, or when the process dies half-way, the
    // old contents are still there, untouched: the data goes to a new file
    // beside it, is flushed, and is then renamed over the target in one step.
    // A new file is readable by the current user only.
    virtual Result<void> replaceAtomically(const std::filesystem::path& path,
                                           std::string_view data) = 0;

    // Creates or truncates `path` and writes `data`, readable by the current
    // user only where the platform allows it. Not crash-safe: for files that
    // are made anew every time (connection profiles).
    virtual Result<void> writePrivate(const std::filesystem::path& path, std::string_view data) = 0;

    virtual bool exists(const std::filesystem::path& path) = 0;
};

// The platform's implementation; defined in windows/ports and linux/ports.
std::unique_ptr<Files> makeSystemFiles();

}  // namespace korvan
