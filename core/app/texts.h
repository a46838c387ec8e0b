#pragma once

#include <string>
#include <string_view>

namespace korvan {

// Every text the user sees, by name. The table in texts.cpp holds them as
// UTF-8 for people to read; text() hands them out as the GBK bytes the rest
// of the system works in, converted once.
enum class TextId {
    // Window, tray and message boxes
    AppCaption,          // main window caption
    AppTrayTip,          // two-line tray tip
    MessageTitle,        // title of every message box
    AlreadyRunning,
    AskExit,
    StartupPasswordPrompt,
    WrongPassword,
    SaveSucceeded,
    SaveFailed,          // followed by the file's path
    SaveFailedOnClose,   // followed by the file's path
    // Columns
    ColumnNote,
    ColumnAddress,
    ColumnUser,
    ColumnStatus,
    ColumnPassword,
    // Statuses
    StatusChecking,
    StatusOnline,
    StatusOffline,
    // Menus
    MenuHosts,
    MenuConnect,
    MenuAddHost,
    MenuEditHost,
    MenuDeleteHost,
    MenuConnectAll,
    MenuCloseAll,
    MenuImport,
    MenuDeleteAll,
    MenuRefresh,
    MenuSaveNow,
    MenuParameters,
    MenuParameterSettings,
    MenuSortEdit,
    MenuSortStart,
    MenuSortEnd,
    MenuStartupPassword,
    MenuSetPassword,
    MenuCancelPassword,
    MenuRecoverPassword,
    MenuHelp,
    MenuHelpUsage,
    MenuHelpImport,
    MenuHelpAbout,
    MenuSkin,
    MenuSkinClassic,
    MenuSkinWin8,
    MenuTray,
    MenuTrayShow,
    MenuTrayExit,
    // Help texts
    HelpUsage,
    HelpImport,
    HelpAbout,
    // Search strip and list frame
    SearchGroup,
    SearchLabel,
    SearchButton,
    ListGroup,
    // Connecting
    NoHostSelected,
    AskConnectAll,
    AskCloseAll,
    // Host editing
    HostIncomplete,
    HostPasswordRequired,
    EditNoSelection,
    DeleteNoSelection,
    AskDeleteHost,
    AskDeleteAll,
    RefreshedPrefix,
    RefreshedSuffix,
    // Buttons of the masked input box
    ButtonOk,
    ButtonCancel,
    Count_  // number of texts; keep last
};

// The text as GBK bytes. Thread-safe; the reference stays valid for the
// whole run.
const std::string& text(TextId id);

// The text as written in the sources (UTF-8).
std::string_view textUtf8(TextId id);

}  // namespace korvan
