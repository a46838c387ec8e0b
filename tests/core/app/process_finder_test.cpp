#include <gtest/gtest.h>

#include "core/app/process_finder.h"
#include "fakes/fake_processes.h"

namespace korvan {
namespace {

TEST(ProcessFinder, ParallelListsInSnapshotOrderReplacingWhatWasThere) {
    testing::FakeProcesses processes;
    processes.running = {{"mstsc.exe", 40}, {"Korvan3389.exe", 7}, {"mstsc.exe", 12}};
    ProcessFinder finder(processes);
    std::vector<std::string> names = {"stale"};
    std::vector<uint32_t> ids = {1, 2};
    EXPECT_EQ(finder.listProcesses(names, ids), 3);
    EXPECT_EQ(names, (std::vector<std::string>{"mstsc.exe", "Korvan3389.exe", "mstsc.exe"}));
    EXPECT_EQ(ids, (std::vector<uint32_t>{40, 7, 12}));

    processes.running = {{"MSTSC.EXE", 9}};
    EXPECT_EQ(finder.listProcesses(names, ids), 1);
    EXPECT_EQ(names, std::vector<std::string>{"MSTSC.EXE"});
    EXPECT_EQ(ids, std::vector<uint32_t>{9});
}

TEST(ProcessFinder, NoSnapshotGivesZeroAndEmptyLists) {
    testing::FakeProcesses processes;
    processes.snapshotFails = true;
    std::vector<std::string> names = {"stale"};
    std::vector<uint32_t> ids = {1};
    EXPECT_EQ(ProcessFinder(processes).listProcesses(names, ids), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(ids.empty());
}

}  // namespace
}  // namespace korvan
