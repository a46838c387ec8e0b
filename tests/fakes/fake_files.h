#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/ports/files.h"

namespace korvan::testing {

// Files in memory. Records every write; can be told to fail writes.
class FakeFiles : public Files {
public:
    std::map<std::filesystem::path, std::string> contents;
    std::vector<std::filesystem::path> unreadable;  // readAll gives Io
    std::vector<std::filesystem::path> written;     // every successful write, in order
    int failWritesFrom = -1;  // the Nth write (from 0) and later ones fail
    int writeCalls = 0;

    Result<std::string> readAll(const std::filesystem::path& path) override {
        for (const auto& p : unreadable)
            if (p == path) return makeError(ErrorCode::Io, "unreadable");
        auto it = contents.find(path);
        if (it == contents.end()) return makeError(ErrorCode::NotFound, "missing");
        return it->second;
    }

    Result<void> replaceAtomically(const std::filesystem::path& path,
                                   std::string_view data) override {
        return write(path, data);
    }

    Result<void> writePrivate(const std::filesystem::path& path, std::string_view data) override {
        return write(path, data);
    }

    bool exists(const std::filesystem::path& path) override { return contents.count(path) > 0; }

private:
    Result<void> write(const std::filesystem::path& path, std::string_view data) {
        if (failWritesFrom >= 0 && writeCalls++ >= failWritesFrom)
            return makeError(ErrorCode::Io, "disk full");
        contents[path] = std::string(data);
        written.push_back(path);
        return {};
    }
};

}  // namespace korvan::testing
