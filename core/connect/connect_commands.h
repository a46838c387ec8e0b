#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/connect/profile_builder.h"
#include "core/ports/dialogs.h"
#include "core/ports/processes.h"
#include "core/store/host_list.h"
#include "core/store/session_settings.h"

namespace korvan {

// The RDP client's command line: "mstsc.exe " + profile path + " /" +
// session switch. A path with a blank (a temporary directory under a user
// name with a blank) is put in double quotes, or the client would take its
// first word for the profile; other paths go in as they are.
std::string RdpCommandLine(std::string_view profilePath, std::string_view sessionSwitch);

// The commands that open sessions: a profile per host, then the client on
// it. Nothing waits for or watches a client once started. GUI thread only;
// the batch forms disable the main window from the first row to the end.
class ConnectCommands {
public:
    ConnectCommands(HostList& hosts, SessionSettings& settings, ProfileBuilder& builder,
                    Dialogs& dialogs, Processes& processes);

    // "连接主机": the batch over the selected rows when two or more are
    // selected, else the current row.
    void connectHostChosen();
    // A double click on the list: the current row, except in sort mode.
    void listDoubleClicked();
    // "一键全连": asks first; on Yes the batch over every row.
    void connectAllChosen();

    // The lowest selected row; a notice when none is selected.
    void ConnectCurrentRow();
    // Each row in the given order: wait 200 ms, build, wait 200 ms, launch,
    // with the main window disabled throughout (and enabled again at the
    // end, also for an empty list).
    void ConnectRows(std::span<const int> rows);

    // Starts the client on the current profile. A client that cannot be
    // started is passed over: a batch goes on with the next row.
    void LaunchRdpClient();

private:
    HostList& hosts;
    SessionSettings& settings;
    ProfileBuilder& builder;
    Dialogs& dialogs;
    Processes& processes;
};

}  // namespace korvan
