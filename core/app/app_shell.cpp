#include "core/app/app_shell.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "core/app/gbk.h"
#include "core/app/paths.h"
#include "core/app/process_finder.h"
#include "core/app/texts.h"

namespace korvan {

AppShell::AppShell(Ports shellPorts, ConfigStore& configStore, SessionSettings& sessionSettings,
                   HostList& hostList, std::string executableName,
                   std::filesystem::path importFolder)
    : ports(shellPorts),
      store(configStore),
      settings(sessionSettings),
      hosts(hostList),
      exeName(std::move(executableName)),
      importDir(std::move(importFolder)) {}

bool AppShell::anotherCopyRuns() {
    // This copy is in the list too, so a second match means another one.
    // Names compare byte for byte: a copy renamed, even only in letter case,
    // is a different program and may run beside this one.
    std::vector<std::string> names;
    std::vector<uint32_t> ids;
    ProcessFinder(ports.processes).listProcesses(names, ids);
    int matches = 0;
    for (const auto& name : names) {
        if (name == exeName && ++matches > 1) return true;
    }
    return false;
}

StartupOutcome AppShell::setUp() {
    hosts.setSortMode(false);

    if (anotherCopyRuns()) {
        ports.dialogs.messageBox(text(TextId::AlreadyRunning), Dialogs::Icon::Information,
                                 Dialogs::Buttons::Ok, Dialogs::Owner::None);
        return StartupOutcome::AlreadyRunning;
    }

    ports.window.createColumns();
    settings.applyDefaults();

    LoadReport report = store.load(settings, hosts);
    for (int i = 0; i < report.rowsAppended; ++i)
        ports.monitor.colourLoadedNote(report.firstRow + i);

    started = false;
    if (settings.startupAuth == "1") {
        const std::string& prompt = text(TextId::StartupPasswordPrompt);
        std::string typed = ports.dialogs.askMaskedText(prompt, prompt).value_or(std::string());
        if (typed != settings.startupPassword) {
            ports.dialogs.messageBox(text(TextId::WrongPassword), Dialogs::Icon::None,
                                     Dialogs::Buttons::Ok, Dialogs::Owner::None);
            return StartupOutcome::WrongPassword;
        }
        started = true;
        ports.window.showWindowAndList();
    }

    const std::string& checking = text(TextId::StatusChecking);
    for (int row = 0; row < hosts.rowCount(); ++row)
        hosts.setCellText(row, kColumnStatus, checking);

    started = true;
    ports.window.showWindowAndList();

    // TODO: the classic look ("经典") cannot drop a skin yet, because the skin
    // engine is not built; every start shows the system's own look.
    // TODO: the ripple banner is not attached yet; the banner stays still.

    ports.monitor.markCheckerIdle();
    ports.timers.setPeriod(Timers::Id::OnlineCheck, kFirstTickMs);
    ports.timers.setPeriod(Timers::Id::WindowState, kFirstTickMs);
    return StartupOutcome::Ready;
}

std::string AppShell::databasePathText() const {
    if (auto converted = utf16ToGbk(store.path().u16string())) return *converted;
    return utf8ToGbkLenient(pathToUtf8(store.path()));
}

bool AppShell::mayClose() {
    Result<void> saved = store.save(settings, hosts);
    if (!saved) {
        ports.dialogs.messageBox(text(TextId::SaveFailedOnClose) + databasePathText(),
                                 Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    }
    ports.dialogs.waitProcessingEvents(kCloseWaitMs);
    Dialogs::Answer answer = ports.dialogs.messageBox(
        text(TextId::AskExit), Dialogs::Icon::Information, Dialogs::Buttons::YesNo);
    if (answer != Dialogs::Answer::Yes) return false;
    ports.monitor.stopChecker();
    ports.dialogs.waitProcessingEvents(kCloseWaitMs);
    return true;
}

bool AppShell::confirmExit() {
    return ports.dialogs.messageBox(text(TextId::AskExit), Dialogs::Icon::Information,
                                    Dialogs::Buttons::YesNo,
                                    Dialogs::Owner::None) == Dialogs::Answer::Yes;
}

void AppShell::saveNow() {
    Result<void> saved = store.save(settings, hosts);
    if (saved) {
        ports.dialogs.messageBox(text(TextId::SaveSucceeded), Dialogs::Icon::Information,
                                 Dialogs::Buttons::Ok);
    } else {
        ports.dialogs.messageBox(text(TextId::SaveFailed) + databasePathText(),
                                 Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    }
}

void AppShell::sessionEnding() {
    if (!started) return;
    static_cast<void>(store.save(settings, hosts));
}

void AppShell::windowStateTick() {
    if (hosts.sortMode() || !started) return;
    ports.window.showWindowAndList();
    ports.timers.setPeriod(Timers::Id::WindowState, 0);
}

void AppShell::positionChanged() {
    if (ports.window.windowState() == ShellWindow::State::Minimised)
        ports.window.setWindowVisible(false);
}

void AppShell::restoreFromTray() {
    if (ports.window.windowState() == ShellWindow::State::Minimised) {
        ports.window.setWindowVisible(true);
        ports.window.setWindowState(ShellWindow::State::Normal);
    }
    ports.window.bringToFront();
}

void AppShell::showProgram() {
    ports.window.setWindowVisible(true);
    ports.window.setWindowState(ShellWindow::State::Normal);
    ports.window.activate();
}

}  // namespace korvan
