#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/app/result.h"
#include "core/ports/files.h"
#include "core/ports/protection.h"

namespace korvan::rdp {

// Everything FreeRDP is given for one session.
struct ClientLaunch {
    std::vector<std::string> freerdpArgs;
    std::string password;  // UTF-8, for FreeRDP's standard input only
};

// From the client's command line (the arguments after the program name) to
// the FreeRDP launch: reads the profile, takes the connection from it and
// unseals the password. Error with a one-line reason, naming the profile,
// when any step fails.
Result<ClientLaunch> prepareLaunch(std::span<const std::string> args, Files& files,
                                   Protection& protection);

}  // namespace korvan::rdp
