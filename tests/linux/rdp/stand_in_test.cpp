// The mstsc.exe program itself, with a recording script in FreeRDP's place.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "core/app/gbk.h"
#include "core/connect/password_blob.h"
#include "core/ports/protection.h"

extern char** environ;

namespace korvan::rdp {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Records its arguments, its pid and the line it reads, then behaves as
// FAKE_MODE says: "exit7" ends with status 7, "sleep" becomes a sleeping
// process, "trap" ends with status 42 when it gets SIGTERM (the trap is set
// before the pid is published, so the test never signals too early).
constexpr const char* kFakeFreerdp = R"(#!/bin/sh
dir=$(dirname "$0")
[ "$FAKE_MODE" = trap ] && trap 'kill $child 2>/dev/null; exit 42' TERM
printf '%s\n' "$@" > "$dir/args"
IFS= read -r line
printf '%s' "$line" > "$dir/stdin"
echo $$ > "$dir/pid.tmp" && mv "$dir/pid.tmp" "$dir/pid"
case "$FAKE_MODE" in
  exit7) exit 7 ;;
  sleep) exec sleep 60 ;;
  trap) sleep 60 & child=$!; wait ;;
esac
)";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool processGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return true;
    auto close = text.rfind(") ");
    return close != std::string::npos && text[close + 2] == 'Z';
}

template <typename Predicate>
bool waitFor(Predicate done, std::chrono::milliseconds limit = 10s) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "korvan-standin-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        fake = root / "xfreerdp";
        std::ofstream(fake) << kFakeFreerdp;
        fs::permissions(fake, fs::perms::owner_all);
        // Run under another name: close-all (the xrdp test may run beside
        // this one) ends every process named mstsc.exe.
        program = root / "client-under-test";
        std::error_code ec;
        fs::create_hard_link(KORVAN_MSTSC, program, ec);
        if (ec) fs::copy_file(KORVAN_MSTSC, program);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("KORVAN_FREERDP", fake.c_str(), 1);
        ::unsetenv("FAKE_MODE");
    }
    void TearDown() override {
        if (standIn > 0 && !processGone(standIn)) ::kill(standIn, SIGKILL);
        if (int p = fakePid(); p > 0 && !processGone(p)) ::kill(p, SIGKILL);
        if (standIn > 0) ::waitpid(standIn, nullptr, 0);
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("KORVAN_FREERDP");
        ::unsetenv("FAKE_MODE");
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // The password is given in UTF-8; the profile holds it as the system does.
    fs::path writeProfile(const std::string& password) {
        auto protection = makeSystemProtection();
        fs::path profile = root / "Korvan_test0000.KV";
        std::ofstream(profile, std::ios::binary)
            << "full address:s:127.0.0.1:3390\r\nusername:s:admin\r\nsession bpp:i:16\r\n"
               "password 51:b:"
            << ProtectPassword(*protection, gbk(password));
        return profile;
    }

    void start(std::vector<std::string> args) {
        args.insert(args.begin(), "mstsc.exe");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (root / "stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_EQ(::posix_spawn(&standIn, program.c_str(), &actions, nullptr, argv.data(), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
    }

    // The stand-in's exit code, or -1 when it did not end in time.
    int finish() {
        int status = 0;
        if (!waitFor([&] { return ::waitpid(standIn, &status, WNOHANG) == standIn; })) return -1;
        standIn = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int fakePid() const { return std::atoi(readFile(root / "pid").c_str()); }

    fs::path root;
    fs::path fake;
    fs::path program;
    pid_t standIn = 0;
};

TEST_F(StandInTest, PasswordGoesToStandardInputAndTheStatusComesBack) {
    ::setenv("FAKE_MODE", "exit7", 1);
    start({writeProfile("s3cret 密码").string(), "/Admin"});
    EXPECT_EQ(finish(), 7);
    EXPECT_EQ(readFile(root / "stdin"), "s3cret 密码");
    EXPECT_EQ(readFile(root / "args"),
              "/v:127.0.0.1:3390\n/u:admin\n/bpp:16\n/admin\n/cert:ignore\n/from-stdin:force\n");
    EXPECT_EQ(readFile(root / "stderr"), "");
}

TEST_F(StandInTest, KilledStandInTakesFreeRdpWithIt) {
    // close-all ends the stand-in with SIGKILL: it cannot pass anything on,
    // so only the parent-death signal can end the session.
    ::setenv("FAKE_MODE", "sleep", 1);
    start({writeProfile("pw").string(), "/console"});
    ASSERT_TRUE(waitFor([&] { return fakePid() > 0; }));
    pid_t freerdp = fakePid();
    ASSERT_FALSE(processGone(freerdp));
    ::kill(standIn, SIGKILL);
    EXPECT_EQ(finish(), 128 + SIGKILL);
    EXPECT_TRUE(waitFor([&] { return processGone(freerdp); })) << "FreeRDP outlived the stand-in";
}

TEST_F(StandInTest, TerminationIsPassedOnAndWaitedFor) {
    ::setenv("FAKE_MODE", "trap", 1);
    start({writeProfile("pw").string(), "/console"});
    ASSERT_TRUE(waitFor([&] { return fakePid() > 0; }));
    ::kill(standIn, SIGTERM);
    EXPECT_EQ(finish(), 42);  // the child's own status, after it handled SIGTERM
}

TEST_F(StandInTest, UnusableProfilesEndWithOneLineAndStatusOne) {
    fs::path noAddress = root / "no_address.KV";
    std::ofstream(noAddress) << "username:s:u\r\npassword 51:b:0";
    fs::path badBlob = root / "bad_blob.KV";
    std::ofstream(badBlob) << "full address:s:h\r\npassword 51:b:0";
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{(root / "missing.KV").string(), "/console"}, "cannot read the profile"},
        {{noAddress.string(), "/console"}, "no \"full address\""},
        {{badBlob.string(), "/console"}, "no protected password"},
        {{"/console"}, "usage:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        start(c.args);
        EXPECT_EQ(finish(), 1);
        std::string err = readFile(root / "stderr");
        EXPECT_TRUE(err.starts_with("mstsc.exe: ")) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(fs::exists(root / "args")) << "FreeRDP was started";
    }
}

TEST_F(StandInTest, MissingFreeRdpIsReported) {
    ::setenv("KORVAN_FREERDP", (root / "no-such-program").c_str(), 1);
    start({writeProfile("pw").string(), "/console"});
    EXPECT_EQ(finish(), 1);
    std::string err = readFile(root / "stderr");
    EXPECT_NE(err.find("cannot start"), std::string::npos) << err;
    EXPECT_NE(err.find("No such file"), std::string::npos) << err;
}

}  // namespace
}  // namespace korvan::rdp
