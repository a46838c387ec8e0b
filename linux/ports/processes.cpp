#include "core/ports/processes.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

#include "core/app/gbk.h"

extern char** environ;

namespace korvan {
namespace {

namespace fs = std::filesystem;

// Splits a command line the way the Windows client's start-up code does
// for the lines we make: blanks separate arguments, and a double-quoted
// stretch (a profile path with a blank) belongs to one argument, quotes
// removed. Backslashes have no special meaning.
std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}

bool isExecutableFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

// A program named without a directory is looked for beside the running
// executable first (where the RDP client stand-in is installed), then in
// PATH, as Windows looks in the application's directory before PATH.
std::optional<fs::path> findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return fs::path(name);
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path beside = self.parent_path() / name;
        if (isExecutableFile(beside)) return beside;
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        fs::path candidate = (dir.empty() ? fs::path(".") : fs::path(dir)) / name;
        if (isExecutableFile(candidate)) return candidate;
        if (colon == std::string_view::npos) break;
        dirs.remove_prefix(colon + 1);
    }
    return std::nullopt;
}

// The file name of the process's executable, or its short command name
// when the executable link cannot be read (another user's process, a
// kernel thread).
std::optional<std::string> processName(const fs::path& dir) {
    std::error_code ec;
    fs::path exe = fs::read_symlink(dir / "exe", ec);
    if (!ec && !exe.empty()) {
        std::string name = exe.filename().string();
        constexpr std::string_view kDeleted = " (deleted)";
        if (name.size() > kDeleted.size() && name.ends_with(kDeleted))
            name.resize(name.size() - kDeleted.size());
        return name;
    }
    std::ifstream comm(dir / "comm");
    std::string name;
    if (!comm || !std::getline(comm, name)) return std::nullopt;
    return name;
}

class PosixProcesses final : public Processes {
public:
    std::vector<ProcessEntry> list() override {
        std::vector<ProcessEntry> out;
        std::error_code ec;
        fs::directory_iterator it("/proc", ec);
        if (ec) return out;
        // increment(ec) rather than a range-for, whose ++ throws when /proc
        // changes under it.
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec) break;
            std::string pid = it->path().filename().string();
            if (pid.empty() ||
                !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            // A process that ended since the directory was read is skipped.
            auto name = processName(it->path());
            if (!name) continue;
            out.push_back({utf8ToGbkLenient(*name), static_cast<uint32_t>(std::stoul(pid))});
        }
        // /proc lists in no promised order; ascending ids is close to the
        // creation order a Windows snapshot gives.
        std::sort(out.begin(), out.end(),
                  [](const ProcessEntry& a, const ProcessEntry& b) { return a.id < b.id; });
        return out;
    }

    Result<void> start(std::string_view commandLine) override {
        auto utf8 = gbkToUtf8(commandLine);
        if (!utf8) return makeError(ErrorCode::Invalid, "the command line is not GBK text");
        std::vector<std::string> args = splitCommandLine(*utf8);
        if (args.empty()) return makeError(ErrorCode::Invalid, "empty command line");
        auto program = findProgram(args[0]);
        if (!program) return makeError(ErrorCode::NotFound, args[0] + " was not found");

        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        // The client gets a session of its own, so that it outlives the
        // terminal or the program that started it (as a Windows client
        // does), and reads nothing from our standard input. Its standard
        // output and error stay ours, so its messages reach the user.
        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attributes;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        pid_t pid = 0;
        int rc = posix_spawn(&pid, program->c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (rc != 0)
            return makeError(ErrorCode::Failed,
                             "cannot start " + program->string() + ": " + std::strerror(rc));
        // Nobody waits for the client; a thread of its own reaps it when it
        // ends, so no zombie lingers in the process list (where close-all
        // would find it again).
        try {
            std::thread([pid] {
                int status = 0;
                while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
            }).detach();
        } catch (const std::system_error&) {
            // No thread to spare: the client still runs; it stays a zombie
            // after it ends, until this program ends too.
        }
        return {};
    }

    // SIGKILL: the process ends at once, as TerminateProcess ends it on
    // Windows, without a chance to ask anything. The exit code cannot be
    // chosen here; nobody reads it. The client stand-in ends its FreeRDP
    // child through the parent-death signal, which SIGKILL also triggers.
    bool kill(uint32_t id) override {
        if (id == 0 || id > static_cast<uint32_t>(std::numeric_limits<pid_t>::max())) return false;
        return ::kill(static_cast<pid_t>(id), SIGKILL) == 0;
    }
};

}  // namespace

std::unique_ptr<Processes> makeSystemProcesses() { return std::make_unique<PosixProcesses>(); }

}  // namespace korvan
