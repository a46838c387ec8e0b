#pragma once

#include <filesystem>
#include <memory>

#include "core/app/result.h"

namespace korvan {

// Where things are on this computer. Any thread.
class Places {
public:
    virtual ~Places() = default;

    // Full path of the running executable.
    virtual std::filesystem::path executablePath() = 0;
    // The directory for temporary files (profiles go there).
    virtual std::filesystem::path temporaryDirectory() = 0;
    // The user's desktop directory (first folder of the import dialog).
    virtual std::filesystem::path desktopDirectory() = 0;
    // Where Remote.db lives. Windows: beside the executable. Linux: beside
    // the executable when one is already there, otherwise in the user's
    // configuration directory, which is created (mode 0700) when missing.
    virtual Result<std::filesystem::path> databasePath() = 0;
};

std::unique_ptr<Places> makeSystemPlaces();

}  // namespace korvan
