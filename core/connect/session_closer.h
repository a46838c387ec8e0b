#pragma once

#include <string_view>

#include "core/ports/dialogs.h"
#include "core/ports/processes.h"

namespace korvan {

// The executable name of the RDP client, compared byte for byte.
inline constexpr std::string_view kRdpClientName = "mstsc.exe";

// "一键关闭": ends every running RDP client, whoever started it.
// GUI thread only.
class SessionCloser {
public:
    SessionCloser(Dialogs& dialogs, Processes& processes);

    // Asks first; on Yes disables the main window, ends every client and
    // enables the window again. No message follows, whatever the outcome.
    void CloseAllSessions();

    // Ends every process whose name is exactly kRdpClientName (case
    // included: "MSTSC.exe" is left alone). A process that cannot be ended
    // is skipped. Returns how many were ended.
    int endAllClients();

private:
    Dialogs& dialogs;
    Processes& processes;
};

}  // namespace korvan
