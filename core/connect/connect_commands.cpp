#include "core/connect/connect_commands.h"

#include <numeric>
#include <vector>

#include "core/app/texts.h"

namespace korvan {

std::string RdpCommandLine(std::string_view profilePath, std::string_view sessionSwitch) {
    std::string line = "mstsc.exe ";
    if (profilePath.find(' ') != std::string_view::npos) {
        line += '"';
        line += profilePath;
        line += '"';
    } else {
        line += profilePath;
    }
    line += " /";
    line += sessionSwitch;
    return line;
}

ConnectCommands::ConnectCommands(HostList& hostList, SessionSettings& sessionSettings,
                                 ProfileBuilder& profileBuilder, Dialogs& dialogsPort,
                                 Processes& processesPort)
    : hosts(hostList),
      settings(sessionSettings),
      builder(profileBuilder),
      dialogs(dialogsPort),
      processes(processesPort) {}

void ConnectCommands::connectHostChosen() {
    std::vector<int> rows = hosts.selectedRows();
    if (rows.size() >= 2)
        ConnectRows(rows);
    else
        ConnectCurrentRow();
}

void ConnectCommands::listDoubleClicked() {
    if (hosts.sortMode()) return;
    ConnectCurrentRow();
}

void ConnectCommands::connectAllChosen() {
    dialogs.waitProcessingEvents(10);
    if (dialogs.messageBox(text(TextId::AskConnectAll), Dialogs::Icon::Information,
                           Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;
    // Counted after the answer, as the list stands then.
    std::vector<int> rows(static_cast<size_t>(hosts.rowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    ConnectRows(rows);
}

void ConnectCommands::ConnectCurrentRow() {
    int row = hosts.selectedIndex();
    if (row < 0) {
        dialogs.messageBox(text(TextId::NoHostSelected), Dialogs::Icon::Information,
                           Dialogs::Buttons::Ok);
        return;
    }
    builder.BuildProfile(hosts, row);
    dialogs.waitProcessingEvents(10);
    LaunchRdpClient();
}

void ConnectCommands::ConnectRows(std::span<const int> rows) {
    // The rows are copied first: the waits dispatch events, and a caller's
    // span must not change under the loop.
    std::vector<int> order(rows.begin(), rows.end());
    dialogs.setMainWindowEnabled(false);
    for (int row : order) {
        dialogs.waitProcessingEvents(200);
        builder.BuildProfile(hosts, row);
        dialogs.waitProcessingEvents(200);
        LaunchRdpClient();
    }
    dialogs.setMainWindowEnabled(true);
}

void ConnectCommands::LaunchRdpClient() {
    (void)processes.start(RdpCommandLine(builder.CurrentProfilePath(), settings.sessionSwitch));
}

}  // namespace korvan
