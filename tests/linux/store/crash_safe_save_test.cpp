#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "core/ports/files.h"
#include "core/store/config_store.h"

namespace korvan {
namespace {

constexpr int kHosts = 4000;

// Starts save_loop and waits until its first save is on disk.
pid_t startWriter(const std::filesystem::path& db) {
    int out[2];
    if (pipe(out) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(SAVE_LOOP_PATH, SAVE_LOOP_PATH, db.c_str(), std::to_string(kHosts).c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buffer[8] = {};
    ssize_t n = read(out[0], buffer, sizeof buffer - 1);
    close(out[0]);
    return n > 0 ? pid : -1;
}

// The file on disk, loaded as the program loads it, is one whole list:
// every row there, every note from the same list.
void expectWholeList(Files& files, const std::filesystem::path& db, int round) {
    SessionSettings settings;
    settings.applyDefaults();
    HostList hosts;
    LoadReport report = ConfigStore(files, db).load(settings, hosts);
    ASSERT_TRUE(report.documentRead) << "round " << round;
    ASSERT_EQ(hosts.rowCount(), kHosts) << "round " << round;
    const char letter = hosts.cellText(0, kColumnNote)[0];
    ASSERT_TRUE(letter == 'A' || letter == 'B');
    for (int r = 0; r < kHosts; ++r) {
        ASSERT_EQ(hosts.cellText(r, kColumnNote), std::string(1, letter) + "-" + std::to_string(r))
            << "round " << round;
        ASSERT_EQ(hosts.cellText(r, kColumnPassword), "password-" + std::to_string(r));
    }
}

TEST(CrashSafeSave, AKilledWriterLeavesTheOldOrTheNewListNeverAMixture) {
    auto dir = std::filesystem::temp_directory_path() /
               ("korvan-crash-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto db = dir / "Remote.db";
    auto files = makeSystemFiles();
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause(0, 40000);  // microseconds

    for (int round = 0; round < 30; ++round) {
        pid_t writer = startWriter(db);
        ASSERT_GT(writer, 0);
        usleep(static_cast<useconds_t>(pause(random)));
        kill(writer, SIGKILL);
        int status = 0;
        waitpid(writer, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
        expectWholeList(*files, db, round);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korvan
