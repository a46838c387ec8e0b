// The Linux process, registry and cycle-counter ports, and a profile
// written through the real file port. Nothing here ends a process it did
// not start: close-all would reach every user's clients on the machine.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "core/app/gbk.h"
#include "core/connect/profile_builder.h"
#include "core/ports/processes.h"
#include "core/ports/registry.h"
#include "fakes/fake_protection.h"

namespace korvan {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeScript(const fs::path& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
}

// Waits up to five seconds for `path` to have `lines` lines.
std::string waitForLines(const fs::path& path, size_t lines) {
    for (int i = 0; i < 100; ++i) {
        std::string s = readFile(path);
        if (static_cast<size_t>(std::count(s.begin(), s.end(), '\n')) >= lines) return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return readFile(path);
}

class LinuxPorts : public ::testing::Test {
protected:
    fs::path work;
    std::string oldPath;

    void SetUp() override {
        work = fs::temp_directory_path() / ("korvan-connect-" + std::to_string(::getpid()));
        fs::create_directories(work / "bin");
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", ((work / "bin").string() + ":" + oldPath).c_str(), 1);
        // Records its arguments, one per line, beside itself.
        writeScript(
            work / "bin" / "recorder",
            "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname \"$0\")/args\"\n");
    }
    void TearDown() override {
        ::setenv("PATH", oldPath.c_str(), 1);
        std::error_code ec;
        fs::remove_all(work, ec);
    }
};

TEST_F(LinuxPorts, StartSplitsAtBlanksOutsideQuotesAndFindsTheProgramInPath) {
    auto processes = makeSystemProcesses();
    std::string line = gbk("recorder \"/tmp/with space/用户.KV\" /console");
    ASSERT_TRUE(processes->start(line).ok());
    EXPECT_EQ(waitForLines(work / "bin" / "args", 2), "/tmp/with space/用户.KV\n/console\n");

    auto missing = processes->start("no-such-program-korvan /console");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ErrorCode::NotFound);
    EXPECT_FALSE(processes->start("   ").ok());
}

TEST_F(LinuxPorts, AProgramBesideTheRunningExecutableComesBeforePath) {
    fs::path self = fs::read_symlink("/proc/self/exe");
    std::string name = "korvan-beside-" + std::to_string(::getpid());
    fs::path beside = self.parent_path() / name;
    writeScript(beside, "echo beside > \"" + (work / "which").string() + "\"\n");
    writeScript(work / "bin" / name, "echo path > \"" + (work / "which").string() + "\"\n");
    auto started = makeSystemProcesses()->start(name);
    std::string which = started.ok() ? waitForLines(work / "which", 1) : "";
    fs::remove(beside);
    ASSERT_TRUE(started.ok()) << started.error().detail;
    EXPECT_EQ(which, "beside\n");
}

TEST_F(LinuxPorts, ListNamesProcessesByTheirExecutableAndKillEndsThem) {
    // A copy of sleep named like the client, started through the port.
    fs::copy_file("/bin/sleep", work / "bin" / "mstsc.exe");
    auto processes = makeSystemProcesses();
    ASSERT_TRUE(processes->start("mstsc.exe 30").ok());

    auto ours = [&]() -> uint32_t {
        for (const auto& e : processes->list()) {
            std::error_code ec;
            if (e.name == "mstsc.exe" && fs::read_symlink("/proc/" + std::to_string(e.id) + "/exe",
                                                          ec) == work / "bin" / "mstsc.exe")
                return e.id;
        }
        return 0;
    };
    uint32_t id = 0;
    for (int i = 0; i < 100 && id == 0; ++i) {
        id = ours();
        if (id == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(id, 0u);

    // The caller is listed under its own executable's name.
    auto all = processes->list();
    auto self = std::find_if(all.begin(), all.end(), [](const ProcessEntry& e) {
        return e.id == static_cast<uint32_t>(::getpid());
    });
    ASSERT_NE(self, all.end());
    EXPECT_EQ(self->name, fs::read_symlink("/proc/self/exe").filename().string());

    EXPECT_TRUE(processes->kill(id));
    // Ended and reaped: it leaves the process list altogether.
    for (int i = 0; i < 100 && ::kill(static_cast<pid_t>(id), 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(::kill(static_cast<pid_t>(id), 0), 0);
    EXPECT_FALSE(processes->kill(id));
    EXPECT_FALSE(processes->kill(0)) << "id 0 would signal our own process group";
}

TEST(LinuxRegistry, NothingExistsAndNothingIsWritten) {
    auto registry = makeSystemRegistry();
    EXPECT_FALSE(registry->writeDword(kLocalDevicesKey, "h", 76));
    EXPECT_FALSE(registry->valueExists(kLocalDevicesKey, "h"));
}

TEST(LinuxCycleCounter, Moves) {
    auto counter = makeSystemCycleCounter();
    std::set<uint32_t> seen;
    for (int i = 0; i < 10; ++i) {
        seen.insert(counter->read());
        std::this_thread::sleep_for(std::chrono::microseconds(10));
    }
    EXPECT_GT(seen.size(), 1u);
}

TEST_F(LinuxPorts, ProfilesAreReadableByTheirOwnerOnly) {
    ::setenv("TMPDIR", work.c_str(), 1);
    SessionSettings settings;
    settings.applyDefaults();
    auto files = makeSystemFiles();
    auto places = makeSystemPlaces();
    auto registry = makeSystemRegistry();
    auto counter = makeSystemCycleCounter();
    testing::FakeProtection protection;
    ProfileBuilder builder(settings, *files, *places, *registry, protection, *counter);
    HostList hosts;
    hosts.setCellText(hosts.appendRow(), kColumnAddress, "h");
    mode_t old = ::umask(0);  // even a permissive umask must not open it up
    builder.BuildProfile(hosts, 0);
    ::umask(old);
    ::unsetenv("TMPDIR");
    struct stat st {};
    ASSERT_EQ(::stat(builder.currentProfile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(readFile(builder.currentProfile()).substr(0, 18), "screen mode id:i:1");
}

}  // namespace
}  // namespace korvan
