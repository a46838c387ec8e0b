#include "core/ports/places.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan {
namespace {

std::filesystem::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

class PosixPlaces final : public Places {
public:
    std::filesystem::path executablePath() override {
        std::error_code ec;
        auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::filesystem::path() : p;
    }

    std::filesystem::path temporaryDirectory() override {
        if (const char* t = std::getenv("TMPDIR"); t && *t) return t;
        return "/tmp";
    }

    std::filesystem::path desktopDirectory() override {
        auto desktop = homeDirectory() / "Desktop";
        std::error_code ec;
        return std::filesystem::is_directory(desktop, ec) ? desktop : homeDirectory();
    }

    Result<std::filesystem::path> databasePath() override {
        auto exe = executablePath();
        if (!exe.empty()) {
            auto beside = exe.parent_path() / "Remote.db";
            std::error_code ec;
            if (std::filesystem::exists(beside, ec)) return beside;
        }
        std::filesystem::path config;
        if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
            config = x;
        else
            config = homeDirectory() / ".config";
        auto dir = config / "korvan3389";
        std::error_code ec;
        std::filesystem::create_directories(config, ec);
        if (::mkdir(dir.c_str(), S_IRWXU) != 0 && errno != EEXIST)
            return makeError(ErrorCode::Io, "cannot create " + dir.string() + ": " +
                                                std::strerror(errno));
        return dir / "Remote.db";
    }
};

}  // namespace

std::unique_ptr<Places> makeSystemPlaces() { return std::make_unique<PosixPlaces>(); }

}  // namespace korvan
