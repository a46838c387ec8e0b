#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvan {

// The global settings record. Every field is GBK text; numbers are decimal
// text. All fields are empty until applyDefaults().
struct SessionSettings {
    // Filled for each host just before its profile is built; never stored.
    std::string targetHost;
    std::string targetPort;
    std::string targetUser;
    std::string targetPasswordBlob;
    // Connection parameters: take effect with the next profile.
    std::string screenMode;     // "1" window, "2" full screen
    std::string desktopWidth;   // pixels
    std::string desktopHeight;  // pixels
    std::string colourDepth;    // "15", "16", "24", "32"
    std::string keyboardMode;   // "0" local, "1" remote, "2" remote in full screen
    std::string driveMapping;   // "0" none, "*" all local drives
    std::string audioMode;      // "0" local, "1" remote, "2" none
    std::string sessionSwitch;  // "console", "Console" or "Admin"
    // Take effect at the next start.
    std::string startupAuth;      // "1" ask a password at start-up
    std::string startupPassword;  // plain text, may be empty
    std::string skin;             // "经典" classic look, "Win8" or empty: the skin
    // Rows of the list at the last save.
    std::string hostCount;

    // The start-up defaults; fields without a default are left as they are.
    void applyDefaults();
};

// A field that Remote.db stores, in the order the file lists them.
struct StoredField {
    std::string_view name;     // field name, as scripts use it ("desktopWidth")
    std::string_view element;  // element name in the file, UTF-8 ("分辨率:宽")
    std::string SessionSettings::*member;
};

// The twelve stored fields in file order, "Count" (hostCount) last.
std::span<const StoredField> storedFields();
// The stored field of that name, or nullptr.
const StoredField* findStoredField(std::string_view name);

}  // namespace korvan
