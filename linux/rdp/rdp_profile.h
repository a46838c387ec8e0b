#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/result.h"
#include "core/ports/protection.h"

namespace korvan::rdp {

// One "name:type:value" line of a connection profile, bytes as in the file
// (GBK). The value is everything after the second colon, colons included.
struct ProfileLine {
    std::string name;
    std::string type;
    std::string value;
};

// A profile as the client reads it: its lines in file order.
struct RdpProfile {
    std::vector<ProfileLine> lines;

    // The value of the first line with this name, the name compared without
    // regard to ASCII case, as the Windows client does. nullopt when absent.
    std::optional<std::string> value(std::string_view name) const;
};

// Splits a profile text into lines at CR LF (a lone LF is accepted too).
// Blank lines and lines without two colons are passed over, as the Windows
// client passes over lines it cannot use. Never fails: whether the result
// has what a connection needs is readConnection's business.
RdpProfile parseProfile(std::string_view text);

// What a connection needs, in UTF-8 for the command line of FreeRDP.
// Numeric settings that are missing or out of their range are nullopt,
// and the client's own default applies then.
struct RdpConnection {
    std::string host;  // without the port; an IPv6 literal keeps its brackets
    unsigned port = 3389;
    std::string user;               // empty when the profile names none
    std::string passwordBlob;       // the hexadecimal text of "password 51"
    std::optional<int> screenMode;  // 1 window, 2 full screen
    std::optional<int> desktopWidth;
    std::optional<int> desktopHeight;
    std::optional<int> colourDepth;   // 8, 15, 16, 24 or 32
    std::optional<int> audioMode;     // 0 local, 1 remote, 2 none
    std::optional<int> keyboardHook;  // 0 local, 1 remote, 2 full screen only
    bool redirectDrives = false;      // drivestoredirect is "*"
};

// The connection a profile describes. Error (Format, a one-line reason)
// when "full address" is missing, has no host, carries a port that is not
// a number from 1 to 65535, or when a text is not GBK.
Result<RdpConnection> readConnection(const RdpProfile& profile);

// The password sealed in a blob: the hexadecimal text without its final
// "0", unprotected, read as UTF-16LE up to the first zero unit (or the end
// of the field), in UTF-8. Error when the blob is not in that form or the
// protection refuses it.
Result<std::string> unsealPassword(std::string_view blob, Protection& protection);

}  // namespace korvan::rdp
