// korvanctl: reads and writes Remote.db and drives the program's commands
// from scripts. Arguments and output are UTF-8; the data inside stays GBK.
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "cli/context.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
#ifdef _WIN32
    // argv is in the ANSI code page; take the wide command line instead and
    // speak UTF-8 on the console, as on Linux.
    int wideCount = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount)) {
        args.clear();
        for (int i = 0; i < wideCount; ++i) {
            int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string utf8(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
            if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, utf8.data(), n, nullptr, nullptr);
            args.push_back(std::move(utf8));
        }
        LocalFree(wide);
    }
    SetConsoleOutputCP(CP_UTF8);
#endif
    korvan::cli::Context context;
    CLI::App app{"korvanctl - the Korvan3389 command-line companion"};
    app.require_subcommand(1);
    korvan::cli::addStoreCommands(app, context);
    korvan::cli::addConnectCommands(app, context);
    korvan::cli::addCheckCommand(app, context);
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const std::exception& e) {
        return korvan::cli::fail(e.what());
    }
    return context.exitCode;
}
