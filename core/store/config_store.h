#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/app/result.h"
#include "core/ports/files.h"
#include "core/store/config_document.h"
#include "core/store/host_list.h"
#include "core/store/session_settings.h"

namespace korvan {

// What a load found, so that the caller can colour the new rows and a
// script can tell a missing file from a damaged one.
struct LoadReport {
    bool fileFound = false;     // the file existed and could be read
    bool documentRead = false;  // its contents were a readable document
    int firstRow = 0;           // index of the first appended row
    int rowsAppended = 0;
};

// Remote.db: the settings and hosts as an XML document, enciphered with
// TextCipher under a fixed key and written as comma-separated hex.
// GUI thread (or a single-threaded tool).
class ConfigStore {
public:
    static constexpr std::string_view kKey = "QuorTil84362";

    ConfigStore(Files& files, std::filesystem::path path);

    // Overrides the settings the file holds and appends one row per stored
    // host (status left empty). A missing or damaged file changes nothing;
    // a damaged one is kept aside before the next save replaces it.
    LoadReport load(SessionSettings& settings, HostList& hosts);

    // Writes the settings and hosts; sets settings.hostCount. Rows with an
    // empty address or a user name of one blank are left out (their number
    // stays a gap). Crash-safe: on failure the old file is untouched.
    Result<void> save(SessionSettings& settings, const HostList& hosts);

    const std::filesystem::path& path() const { return file; }

    // The document text a save would encipher; "Count" is the row count.
    static std::string documentText(const SessionSettings& settings, const HostList& hosts);
    // Applies a document text as load does; returns the report.
    static LoadReport applyDocument(std::string_view documentText, SessionSettings& settings,
                                    HostList& hosts);

private:
    Result<void> keepDamagedCopy();

    Files& files;
    std::filesystem::path file;
    // The file on disk could not be read as a document: copy it aside
    // before it is replaced.
    bool damagedOnDisk = false;
};

}  // namespace korvan
