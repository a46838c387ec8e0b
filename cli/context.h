#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "core/app/result.h"
#include "core/ports/files.h"
#include "core/ports/places.h"
#include "core/store/config_store.h"

namespace korvan::cli {

// What every korvanctl command shares: the ports, and the database named
// by --db or found in the program's usual place.
class Context {
public:
    Context();

    Files& files() { return *filesPort; }
    Places& places() { return *placesPort; }

    // Adds the --db option to a command.
    void addDbOption(CLI::App& command);

    // Where Remote.db is for this run.
    Result<std::filesystem::path> databasePath();

    struct Database {
        std::filesystem::path path;
        SessionSettings settings;  // defaults, then what the file holds
        HostList hosts;
        std::unique_ptr<ConfigStore> store;
        LoadReport report;
    };
    // Loads the database. A missing file is an empty database, except when
    // --db names it and `mustExist` is set; a damaged one is an error, so
    // that no command overwrites what it could not read.
    Result<Database> load(bool mustExist);

    // The exit code the command chose.
    int exitCode = 0;

private:
    std::unique_ptr<Files> filesPort;
    std::unique_ptr<Places> placesPort;
    std::string dbOption;
};

// Prints "korvanctl: message" on standard error; returns 1.
int fail(const std::string& message);
// A UTF-8 argument as GBK, or nullopt (with a message printed) when it has
// characters that GBK cannot hold.
std::optional<std::string> argumentToGbk(const std::string& utf8, const char* what);

// Command groups, each in its own file.
void addStoreCommands(CLI::App& app, Context& context);
void addConnectCommands(CLI::App& app, Context& context);
void addCheckCommand(CLI::App& app, Context& context);

}  // namespace korvan::cli
