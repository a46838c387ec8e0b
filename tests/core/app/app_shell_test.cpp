#include "core/app/app_shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "core/app/gbk.h"
#include "core/app/texts.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_files.h"

namespace korvan {
namespace {

using ::testing::ElementsAre;
using testing::FakeDialogs;
using testing::FakeFiles;
using Event = FakeDialogs::Event;

const std::filesystem::path kDb = "/apps/Remote.db";
const std::string kExe = "Korvan3389.exe";

// The window, the monitor, the timers and the process list write into the
// dialogs' log, so that one trace shows the order across all of them.
struct Recorder : ShellWindow, ShellMonitor, Timers, Processes {
    explicit Recorder(FakeDialogs& events) : log(events) {}

    void createColumns() override { log.note("columns"); }
    void showWindowAndList() override { log.note("show"); }
    State windowState() override { return state; }
    void setWindowState(State s) override {
        state = s;
        log.note(s == State::Normal ? "state:normal" : "state:other");
    }
    void setWindowVisible(bool visible) override { log.note(visible ? "visible" : "hidden"); }
    void activate() override { log.note("activate"); }
    void bringToFront() override { log.note("front"); }

    void colourLoadedNote(int row) override { log.note("colour:" + std::to_string(row)); }
    void markCheckerIdle() override { log.note("idle"); }
    void stopChecker() override { log.note("stop"); }

    void setPeriod(Id timer, int ms) override {
        periods[timer] = ms;
        log.note((timer == Id::OnlineCheck ? "online:" : "window:") + std::to_string(ms));
    }
    int period(Id timer) const override {
        auto it = periods.find(timer);
        return it == periods.end() ? 0 : it->second;
    }

    std::vector<ProcessEntry> list() override { return running; }
    Result<void> start(std::string_view) override { return {}; }
    bool kill(uint32_t) override { return false; }

    FakeDialogs& log;
    State state = State::Normal;
    std::map<Id, int> periods;
    std::vector<ProcessEntry> running{{"explorer.exe", 4}, {kExe, 100}};
};

class AppShellTest : public ::testing::Test {
protected:
    // Writes a Remote.db holding these settings and hosts, as a save would.
    void storeFile(const std::string& startupAuth, const std::string& password, int hostCount) {
        SessionSettings s;
        s.applyDefaults();
        s.startupAuth = startupAuth;
        s.startupPassword = password;
        HostList list;
        for (int i = 0; i < hostCount; ++i) {
            int row = list.appendRow();
            list.setCellText(row, kColumnNote, gbk("主机") + std::to_string(i));
            list.setCellText(row, kColumnAddress, "10.0.0." + std::to_string(i));
            list.setCellText(row, kColumnUser, "administrator");
            list.setCellText(row, kColumnPassword, "pw");
        }
        FakeFiles scratch;
        ConfigStore writer(scratch, kDb);
        ASSERT_TRUE(writer.save(s, list).ok());
        files.contents[kDb] = scratch.contents[kDb];
    }

    AppShell& shell() {
        if (!made) {
            made.emplace(AppShell::Ports{dialogs, recorder, recorder, recorder, recorder}, store,
                         settings, hosts, kExe, "/home/u/Desktop/");
        }
        return *made;
    }

    FakeDialogs dialogs;
    Recorder recorder{dialogs};
    FakeFiles files;
    ConfigStore store{files, kDb};
    SessionSettings settings;
    HostList hosts;
    std::optional<AppShell> made;
};

std::string box(TextId id) { return "box:" + text(id); }

TEST_F(AppShellTest, SetUpRunsItsStepsInOrder) {
    storeFile("0", "", 2);
    EXPECT_EQ(shell().setUp(), StartupOutcome::Ready);
    EXPECT_THAT(dialogs.trace(), ElementsAre("columns", "colour:0", "colour:1", "show", "idle",
                                             "online:100", "window:100"));
    ASSERT_EQ(hosts.rowCount(), 2);
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(hosts.cellText(row, kColumnStatus), text(TextId::StatusChecking));
    EXPECT_TRUE(shell().startupComplete());
    EXPECT_FALSE(hosts.sortMode());
}

TEST_F(AppShellTest, NoFileGivesDefaultsAndAnEmptyList) {
    EXPECT_EQ(shell().setUp(), StartupOutcome::Ready);
    EXPECT_EQ(hosts.rowCount(), 0);
    EXPECT_EQ(settings.desktopWidth, "1024");
    EXPECT_EQ(settings.sessionSwitch, "console");
    EXPECT_EQ(settings.startupAuth, "0");
    EXPECT_TRUE(settings.skin.empty());
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_TRUE(files.written.empty());
}

TEST_F(AppShellTest, SecondCopyIsRefusedOnlyByExactName) {
    struct Case {
        std::vector<ProcessEntry> running;
        bool refused;
    };
    const Case cases[] = {
        {{{kExe, 1}}, false},                                // only this copy
        {{{kExe, 1}, {kExe, 2}}, true},                      // another one runs
        {{{"korvan3389.exe", 1}, {kExe, 2}}, false},         // letter case differs
        {{{"Korvan3389 - copy.exe", 1}, {kExe, 2}}, false},  // renamed copy
        {{}, false},                                         // no snapshot
    };
    for (const auto& c : cases) {
        FakeDialogs log;
        Recorder rec{log};
        rec.running = c.running;
        HostList list;
        SessionSettings s;
        FakeFiles f;
        ConfigStore cs{f, kDb};
        AppShell app({log, rec, rec, rec, rec}, cs, s, list, kExe, {});
        auto outcome = app.setUp();
        if (c.refused) {
            EXPECT_EQ(outcome, StartupOutcome::AlreadyRunning);
            // Nothing touched before the message: no column, no defaults.
            EXPECT_THAT(log.trace(), ElementsAre(box(TextId::AlreadyRunning)));
            EXPECT_EQ(log.messageBoxes()[0].icon, Dialogs::Icon::Information);
            EXPECT_TRUE(s.desktopWidth.empty());
        } else {
            EXPECT_EQ(outcome, StartupOutcome::Ready) << c.running.size();
        }
    }
}

TEST_F(AppShellTest, WrongStartupPasswordStopsBeforeTimersAndSaves) {
    storeFile("1", "secret", 1);
    const std::string before = files.contents[kDb];
    dialogs.maskedAnswers.push_back(std::string("guess"));
    EXPECT_EQ(shell().setUp(), StartupOutcome::WrongPassword);
    auto asked = dialogs.ofKind(Event::Kind::MaskedText);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, text(TextId::StartupPasswordPrompt));
    EXPECT_EQ(asked[0].text, text(TextId::StartupPasswordPrompt));
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text(TextId::WrongPassword));
    EXPECT_EQ(boxes[0].icon, Dialogs::Icon::None);
    EXPECT_EQ(recorder.period(Timers::Id::OnlineCheck), 0);
    EXPECT_EQ(recorder.period(Timers::Id::WindowState), 0);
    EXPECT_FALSE(shell().startupComplete());
    EXPECT_TRUE(files.written.empty());
    EXPECT_EQ(files.contents[kDb], before);
}

TEST_F(AppShellTest, StartupPasswordAccepted) {
    struct Case {
        std::string stored;
        std::optional<std::string> typed;
    };
    const Case cases[] = {
        {"secret", std::string("secret")},
        {"", std::string("")},  // empty password, OK pressed
        {"", std::nullopt},     // empty password, cancelled
    };
    for (const auto& c : cases) {
        storeFile("1", c.stored, 1);
        FakeDialogs log;
        Recorder rec{log};
        HostList list;
        SessionSettings s;
        ConfigStore cs{files, kDb};
        AppShell app({log, rec, rec, rec, rec}, cs, s, list, kExe, {});
        log.maskedAnswers.push_back(c.typed);
        EXPECT_EQ(app.setUp(), StartupOutcome::Ready);
        EXPECT_THAT(log.trace(),
                    ElementsAre("columns", "colour:0", "ask:" + text(TextId::StartupPasswordPrompt),
                                "show", "show", "idle", "online:100", "window:100"));
    }
}

TEST_F(AppShellTest, CloseBoxSavesBeforeAskingAndNoKeepsTheWindow) {
    shell().setUp();
    int row = hosts.appendRow();
    hosts.setCellText(row, kColumnAddress, "10.1.1.1");
    hosts.setCellText(row, kColumnUser, "admin");
    dialogs.events.clear();
    dialogs.answers.push_back(Dialogs::Answer::No);

    EXPECT_FALSE(shell().mayClose());
    EXPECT_THAT(dialogs.trace(), ElementsAre("wait:20", box(TextId::AskExit)));
    auto ask = dialogs.messageBoxes()[0];
    EXPECT_EQ(ask.icon, Dialogs::Icon::Information);
    EXPECT_EQ(ask.buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(ask.owner, Dialogs::Owner::MainWindow);
    ASSERT_EQ(files.written.size(), 1u);

    HostList reloaded;
    SessionSettings s;
    ConfigStore{files, kDb}.load(s, reloaded);
    ASSERT_EQ(reloaded.rowCount(), 1);
    EXPECT_EQ(reloaded.cellText(0, kColumnAddress), "10.1.1.1");
}

TEST_F(AppShellTest, CloseBoxYesStopsTheChecker) {
    shell().setUp();
    dialogs.events.clear();
    dialogs.answers.push_back(Dialogs::Answer::Yes);
    EXPECT_TRUE(shell().mayClose());
    EXPECT_THAT(dialogs.trace(), ElementsAre("wait:20", box(TextId::AskExit), "stop", "wait:20"));
}

TEST_F(AppShellTest, CloseBoxWarnsOfAFailedSaveBeforeTheQuestion) {
    shell().setUp();
    dialogs.events.clear();
    files.failWritesFrom = 0;
    dialogs.answers.push_back(Dialogs::Answer::Ok);
    dialogs.answers.push_back(Dialogs::Answer::No);
    EXPECT_FALSE(shell().mayClose());
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, text(TextId::SaveFailedOnClose) + "/apps/Remote.db");
    EXPECT_EQ(boxes[0].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(boxes[1].text, text(TextId::AskExit));
}

TEST_F(AppShellTest, ExitCommandAsksWithoutOwnerAndNeverSaves) {
    shell().setUp();
    dialogs.events.clear();
    dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
    EXPECT_FALSE(shell().confirmExit());
    EXPECT_TRUE(shell().confirmExit());
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, text(TextId::AskExit));
    EXPECT_EQ(boxes[1].owner, Dialogs::Owner::None);
    EXPECT_EQ(boxes[1].buttons, Dialogs::Buttons::YesNo);
    EXPECT_TRUE(files.written.empty());
    EXPECT_THAT(dialogs.trace(), ElementsAre(box(TextId::AskExit), box(TextId::AskExit)));
}

TEST_F(AppShellTest, SaveNowReportsSuccessOrTheFileThatFailed) {
    shell().setUp();
    dialogs.events.clear();
    shell().saveNow();
    files.failWritesFrom = 0;
    shell().saveNow();
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, text(TextId::SaveSucceeded));
    EXPECT_EQ(boxes[0].icon, Dialogs::Icon::Information);
    EXPECT_EQ(boxes[1].text, text(TextId::SaveFailed) + "/apps/Remote.db");
    EXPECT_EQ(boxes[1].icon, Dialogs::Icon::Warning);
    EXPECT_EQ(boxes[1].buttons, Dialogs::Buttons::Ok);
}

TEST_F(AppShellTest, SessionEndSavesWithoutAsking) {
    shell().setUp();
    int row = hosts.appendRow();
    hosts.setCellText(row, kColumnAddress, "10.2.2.2");
    hosts.setCellText(row, kColumnUser, "admin");
    dialogs.events.clear();
    shell().sessionEnding();
    EXPECT_TRUE(dialogs.events.empty());
    HostList reloaded;
    SessionSettings s;
    ConfigStore{files, kDb}.load(s, reloaded);
    ASSERT_EQ(reloaded.rowCount(), 1);
    EXPECT_EQ(reloaded.cellText(0, kColumnAddress), "10.2.2.2");
}

TEST_F(AppShellTest, WindowStateTickWaitsWhileSorting) {
    shell().setUp();
    dialogs.events.clear();
    hosts.setSortMode(true);
    shell().windowStateTick();
    EXPECT_TRUE(dialogs.trace().empty());
    EXPECT_EQ(recorder.period(Timers::Id::WindowState), 100);
    hosts.setSortMode(false);
    shell().windowStateTick();
    EXPECT_THAT(dialogs.trace(), ElementsAre("show", "window:0"));
}

TEST_F(AppShellTest, TrayRestoresAMinimisedWindow) {
    shell().setUp();
    dialogs.events.clear();
    recorder.state = ShellWindow::State::Normal;
    shell().positionChanged();
    shell().restoreFromTray();
    recorder.state = ShellWindow::State::Minimised;
    shell().positionChanged();
    shell().restoreFromTray();
    EXPECT_THAT(dialogs.trace(),
                ElementsAre("front", "hidden", "visible", "state:normal", "front"));
    dialogs.events.clear();
    shell().showProgram();
    EXPECT_THAT(dialogs.trace(), ElementsAre("visible", "state:normal", "activate"));
}

}  // namespace
}  // namespace korvan
