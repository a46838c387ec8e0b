#include <windows.h>

#include "core/ports/connector.h"
#include "core/ports/cycle_counter.h"
#include "core/ports/files.h"
#include "core/ports/places.h"
#include "core/ports/processes.h"
#include "core/ports/protection.h"
#include "core/ports/registry.h"
#include "windows/app/main_window.h"
#include "windows/app/wide_text.h"

using namespace korvan;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    auto files = makeSystemFiles();
    auto places = makeSystemPlaces();
    auto processes = makeSystemProcesses();
    auto registry = makeSystemRegistry();
    auto protection = makeSystemProtection();
    auto counter = makeSystemCycleCounter();
    auto connector = makeSystemConnector();

    MainWindowOptions options;
    options.executableName = gbkFromWide(places->executablePath().filename().wstring());
    if (auto db = places->databasePath()) options.databasePath = db.value();
    // The import dialog opens on the desktop, named as a folder.
    options.importFolder = places->desktopDirectory() / L"";

    int exitCode = 0;
    {
        MainWindow window(
            {*files, *places, *processes, *registry, *protection, *counter, *connector},
            std::move(options));
        StartupOutcome outcome = window.create();
        // A refused start (another copy, a wrong password) ends quietly
        // with 0 once its message has been shown.
        if (outcome != StartupOutcome::Ready) return 0;
        if (!window.handle()) return 1;

        MSG msg;
        BOOL got;
        while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
            if (got == -1) break;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = got == 0 ? static_cast<int>(msg.wParam) : 1;
    }
    return exitCode;
}
