#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/result.h"
#include "linux/rdp/rdp_profile.h"

namespace korvan::rdp {

// "/console" gives a normal session, as today's Windows client treats that
// old switch; only "/Admin" asks for the administrative session.
enum class SessionKind { Normal, Admin };

// What the system puts on the client's command line: the profile path and
// one session switch, "/console", "/Console" or "/Admin".
struct ClientCommand {
    std::string profilePath;
    SessionKind session = SessionKind::Normal;
};

// Reads the arguments after the program name. The switch is the last
// argument, compared without regard to case as the Windows client does;
// a path with blanks that reached us unquoted, and so in pieces, is joined
// again. Error (Invalid, a usage line) when no path is given.
Result<ClientCommand> parseClientArguments(std::span<const std::string> args);

// FreeRDP 2 options for a connection, without the program name. The
// password is never among them: "/from-stdin:force" makes FreeRDP read it
// from standard input before it connects.
std::vector<std::string> freerdpArguments(const RdpConnection& connection, SessionKind session);

}  // namespace korvan::rdp
