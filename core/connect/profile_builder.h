#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/ports/cycle_counter.h"
#include "core/ports/files.h"
#include "core/ports/places.h"
#include "core/ports/protection.h"
#include "core/ports/registry.h"
#include "core/store/host_list.h"
#include "core/store/session_settings.h"

namespace korvan {

// Where the RDP client keeps its per-host device settings (GBK, under
// HKEY_CURRENT_USER), and the value it is given for a host seen first.
inline constexpr std::string_view kLocalDevicesKey =
    "Software\\Microsoft\\Terminal Server Client\\LocalDevices";
inline constexpr uint32_t kLocalDevicesValue = 76;

// Writes one connection profile per call. GUI thread only, not re-entrant:
// it works through the target fields of `settings` and CurrentProfilePath.
class ProfileBuilder {
public:
    ProfileBuilder(SessionSettings& settings, Files& files, Places& places, Registry& registry,
                   Protection& protection, CycleCounter& counter);

    // Fills targetHost, targetPort, targetUser and targetPasswordBlob of the
    // settings from the row, makes sure the host's LocalDevices value
    // exists, and writes the profile under a new random name in the
    // temporary directory, readable by the current user only. Nothing is
    // reported: a profile that cannot be written still becomes the current
    // path, and the client then says it cannot open it.
    void BuildProfile(const HostList& hosts, int row);

    // The profile text for the current target fields and connection
    // parameters (what BuildProfile writes).
    std::string profileText() const;

    // Creates the host's REG_DWORD 76 under the LocalDevices key unless a
    // value of that name exists, whatever its type. The whole host is the
    // value name, backslashes included; an empty host names the key's
    // default value. Failures are ignored.
    void EnsureLocalDevicesValue(std::string_view host);

    // The last profile written, as GBK text ("" before the first build),
    // and as a path for the file system.
    const std::string& CurrentProfilePath() const { return currentPathText; }
    const std::filesystem::path& currentProfile() const { return currentPath; }

private:
    std::filesystem::path newProfilePath();

    SessionSettings& settings;
    Files& files;
    Places& places;
    Registry& registry;
    Protection& protection;
    CycleCounter& counter;
    std::filesystem::path currentPath;
    std::string currentPathText;
};

// The GBK text of a path: what goes on the client's command line.
std::string pathToGbk(const std::filesystem::path& path);

}  // namespace korvan
