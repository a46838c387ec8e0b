#include "linux/rdp/freerdp_options.h"

namespace korvan::rdp {
namespace {

bool isSwitch(std::string_view arg, std::string_view name) {
    if (arg.size() != name.size() + 1 || arg[0] != '/') return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = arg[i + 1];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i]) return false;
    }
    return true;
}

}  // namespace

Result<ClientCommand> parseClientArguments(std::span<const std::string> args) {
    const Error usage =
        makeError(ErrorCode::Invalid, "usage: mstsc.exe PROFILE [/console | /admin]");
    ClientCommand command;
    size_t pathEnd = args.size();
    if (!args.empty() && isSwitch(args.back(), "admin")) {
        command.session = SessionKind::Admin;
        --pathEnd;
    } else if (!args.empty() && isSwitch(args.back(), "console")) {
        --pathEnd;
    }
    if (pathEnd == 0) return usage;
    for (size_t i = 0; i < pathEnd; ++i) {
        if (i > 0) command.profilePath += ' ';
        command.profilePath += args[i];
    }
    if (command.profilePath.empty()) return usage;
    return command;
}

std::vector<std::string> freerdpArguments(const RdpConnection& c, SessionKind session) {
    std::vector<std::string> args;
    args.push_back("/v:" + c.host + ":" + std::to_string(c.port));
    if (!c.user.empty()) args.push_back("/u:" + c.user);
    if (c.screenMode == 2)
        args.push_back("/f");
    else if (c.desktopWidth && c.desktopHeight)
        args.push_back("/size:" + std::to_string(*c.desktopWidth) + "x" +
                       std::to_string(*c.desktopHeight));
    if (c.colourDepth) args.push_back("/bpp:" + std::to_string(*c.colourDepth));
    if (c.audioMode) args.push_back("/audio-mode:" + std::to_string(*c.audioMode));
    // Keyboard combinations stay local only when the profile says so;
    // FreeRDP grabs the keyboard (sends them to the host) by default.
    if (c.keyboardHook == 0) args.push_back("-grab-keyboard");
    if (c.redirectDrives) args.push_back("+drives");
    if (session == SessionKind::Admin) args.push_back("/admin");
    // The profiles ask for no server authentication ("authentication
    // level:i:0"): connect without a certificate question.
    args.push_back("/cert:ignore");
    args.push_back("/from-stdin:force");
    return args;
}

}  // namespace korvan::rdp
