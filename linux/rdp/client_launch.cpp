#include "linux/rdp/client_launch.h"

#include "linux/rdp/freerdp_options.h"
#include "linux/rdp/rdp_profile.h"

namespace korvan::rdp {

Result<ClientLaunch> prepareLaunch(std::span<const std::string> args, Files& files,
                                   Protection& protection) {
    auto command = parseClientArguments(args);
    if (!command) return command.error();
    const std::string& path = command.value().profilePath;
    auto fail = [&](const Error& e) { return makeError(e.code, path + ": " + e.detail); };

    auto text = files.readAll(path);
    if (!text)
        return makeError(text.error().code, "cannot read the profile " + text.error().detail);
    auto connection = readConnection(parseProfile(text.value()));
    if (!connection) return fail(connection.error());
    auto password = unsealPassword(connection.value().passwordBlob, protection);
    if (!password) return fail(password.error());
    return ClientLaunch{freerdpArguments(connection.value(), command.value().session),
                        std::move(password.value())};
}

}  // namespace korvan::rdp
