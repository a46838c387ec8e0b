#include <gtest/gtest.h>

#include "core/app/texts.h"
#include "core/connect/session_closer.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_processes.h"

namespace korvan {
namespace {

using namespace korvan::testing;
using Strings = std::vector<std::string>;

struct Closer {
    FakeDialogs dialogs;
    FakeProcesses processes;
    SessionCloser closer{dialogs, processes};
    Closer() {
        processes.running = {{"System", 4},       {"mstsc.exe", 100},     {"MSTSC.exe", 101},
                             {"mstsc2.exe", 102}, {"mstsc.exe", 103},     {"xmstsc.exe", 104},
                             {"mstsc.exe ", 105}, {"Korvan3389.exe", 106}};
    }
};

TEST(CloseAllSessions, YesEndsExactlyTheProcessesNamedMstscExe) {
    Closer c;
    c.dialogs.answers = {Dialogs::Answer::Yes};
    c.closer.CloseAllSessions();
    EXPECT_EQ(c.processes.killAttempts, (std::vector<uint32_t>{100, 103}));
    EXPECT_EQ(c.dialogs.trace(),
              (Strings{"box:" + text(TextId::AskCloseAll), "disable", "enable"}));
    auto box = c.dialogs.messageBoxes().at(0);
    EXPECT_EQ(box.icon, Dialogs::Icon::Information);
    EXPECT_EQ(box.buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(c.processes.running.size(), 6u);
}

TEST(CloseAllSessions, AnythingButYesTouchesNothing) {
    for (auto answer : {Dialogs::Answer::No, Dialogs::Answer::Closed}) {
        Closer c;
        c.dialogs.answers = {answer};
        c.closer.CloseAllSessions();
        EXPECT_EQ(c.processes.listCalls, 0);
        EXPECT_TRUE(c.processes.killAttempts.empty());
        EXPECT_EQ(c.dialogs.trace(), Strings{"box:" + text(TextId::AskCloseAll)});
    }
}

TEST(CloseAllSessions, ProcessesThatCannotBeEndedAreSkipped) {
    Closer c;
    c.processes.unkillable = {100};
    EXPECT_EQ(c.closer.endAllClients(), 1);
    EXPECT_EQ(c.processes.killAttempts, (std::vector<uint32_t>{100, 103}));
    EXPECT_TRUE(c.dialogs.events.empty()) << "no question, no message";
}

TEST(CloseAllSessions, NoSnapshotStillTogglesTheWindow) {
    Closer c;
    c.processes.snapshotFails = true;
    c.dialogs.answers = {Dialogs::Answer::Yes};
    c.closer.CloseAllSessions();
    EXPECT_TRUE(c.processes.killAttempts.empty());
    EXPECT_EQ(c.dialogs.trace(),
              (Strings{"box:" + text(TextId::AskCloseAll), "disable", "enable"}));
}

}  // namespace
}  // namespace korvan
