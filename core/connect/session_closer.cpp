#include "core/connect/session_closer.h"

#include <string>
#include <vector>

#include "core/app/process_finder.h"
#include "core/app/texts.h"

namespace korvan {

SessionCloser::SessionCloser(Dialogs& dialogsPort, Processes& processesPort)
    : dialogs(dialogsPort), processes(processesPort) {}

void SessionCloser::CloseAllSessions() {
    if (dialogs.messageBox(text(TextId::AskCloseAll), Dialogs::Icon::Information,
                           Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;
    dialogs.setMainWindowEnabled(false);
    endAllClients();
    dialogs.setMainWindowEnabled(true);
}

int SessionCloser::endAllClients() {
    std::vector<std::string> names;
    std::vector<uint32_t> ids;
    ProcessFinder(processes).listProcesses(names, ids);
    int ended = 0;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == kRdpClientName && processes.kill(ids[i])) ++ended;
    return ended;
}

}  // namespace korvan
