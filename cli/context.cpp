#include "cli/context.h"

#include <iostream>

#include "core/app/gbk.h"
#include "core/app/paths.h"

namespace korvan::cli {

Context::Context() : filesPort(makeSystemFiles()), placesPort(makeSystemPlaces()) {}

void Context::addDbOption(CLI::App& command) {
    command.add_option("--db", dbOption, "the Remote.db to use (default: the program's own)");
}

Result<std::filesystem::path> Context::databasePath() {
    if (!dbOption.empty()) return pathFromUtf8(dbOption);
    return placesPort->databasePath();
}

Result<Context::Database> Context::load(bool mustExist) {
    auto path = databasePath();
    if (!path) return path.error();
    Database db;
    db.path = path.value();
    db.settings.applyDefaults();
    auto bytes = filesPort->readAll(db.path);
    if (!bytes) {
        bool missing = bytes.error().code == ErrorCode::NotFound;
        if (!missing || (mustExist && !dbOption.empty())) return bytes.error();
    }
    db.store = std::make_unique<ConfigStore>(*filesPort, db.path);
    db.report = db.store->load(db.settings, db.hosts);
    if (db.report.fileFound && !db.report.documentRead && bytes && !bytes.value().empty()) {
        return makeError(ErrorCode::Format,
                         pathToUtf8(db.path) + " is not a Remote.db that can be read");
    }
    return db;
}

int fail(const std::string& message) {
    std::cerr << "korvanctl: " << message << '\n';
    return 1;
}

std::optional<std::string> argumentToGbk(const std::string& utf8, const char* what) {
    auto converted = utf8ToGbk(utf8);
    if (!converted) fail(std::string(what) + " has characters that GBK cannot hold");
    return converted;
}

}  // namespace korvan::cli
