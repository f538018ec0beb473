// The foreground sampler in the real main loop: which window changes and
// screensaver starts reach the journal, with which times and names.
#include "app/app.h"
#include "journal/sampler.h"
#include "support/program.h"

namespace {

using namespace testing_support;

constexpr DWORD kEditorPid = 100;
constexpr DWORD kBrowserPid = 200;
constexpr DWORD kMailPid = 300;
constexpr DWORD kAdminPid = 400;

class SamplerTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        hosted::AddProcess(kEditorPid, "editor.exe");
        hosted::AddProcess(kBrowserPid, "browser.exe");
        hosted::AddProcess(kMailPid, "MAIL.EXE");
        hosted::AddProcess(kAdminPid, "regedit.exe", /*canOpen=*/false);
        editor_ = hosted::AddForeignWindow("notes.txt - Editor", kEditorPid);
        browser_ = hosted::AddForeignWindow("News - Browser", kBrowserPid);
        mail_ = hosted::AddForeignWindow("Inbox (3) - Mail", kMailPid);
    }
    static void ScreensaverAt(std::int64_t when, bool running) {
        hosted::At(when, [running] { hosted::SetScreensaverRunning(running); });
    }
    static std::string Sampled(std::int64_t quitAt) { return JournalBetweenStartAndQuit(quitAt); }
    void TearDown() override {
        EXPECT_EQ(hosted::OpenProcessHandles(), 0) << "a process handle was left open";
        ProgramTest::TearDown();
    }

    HWND editor_{}, browser_{}, mail_{};
};

std::string Window(std::int64_t when, const std::string& title, const std::string& application) {
    return Record(ClockAt(when), title, application);
}

TEST_F(SamplerTest, AWorkingHourGivesOneRecordPerChangeStampedWithItsTick) {
    // A switch every few minutes, between ticks; each shows at the next tick.
    hosted::SetForeground(editor_);
    const HWND order[] = {browser_, mail_, editor_, mail_, browser_, editor_};
    std::int64_t when = kStartMs;
    std::string expected = Window(TickAt(1), "notes.txt - Editor", "editor.exe");
    int tick = 1;
    for (const HWND window : order) {
        tick += 29;  // about five minutes later
        when = TickAt(tick) - 3000;
        SwitchAt(when, window);
        const char* title = window == editor_ ? "notes.txt - Editor" : window == browser_ ? "News - Browser" : "Inbox (3) - Mail";
        const char* app = window == editor_ ? "editor.exe" : window == browser_ ? "browser.exe" : "MAIL.EXE";
        expected += Window(TickAt(tick), title, app);
    }
    const std::int64_t quitAt = kStartMs + 3600 * 1000;
    CloseAt(quitAt - 250);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(quitAt), expected);
}

TEST_F(SamplerTest, TheFirstTickRecordsTheForegroundAndNoForegroundGivesNothing) {
    CloseAt(TickAt(2) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(2) + 500), "") << "no foreground window at all: nothing";

    hosted::ResetDesktop();
    ResetProgramState();
    TempWorkDir fresh;
    SetUp();
    hosted::SetForeground(mail_);
    CloseAt(TickAt(2) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(2) + 500), Window(TickAt(1), "Inbox (3) - Mail", "MAIL.EXE"));
}

TEST_F(SamplerTest, ChangesBetweenTwoTicksThatComeBackAndTitleChangesWriteNothing) {
    hosted::SetForeground(editor_);
    SwitchAt(TickAt(1) + 2000, browser_);
    SwitchAt(TickAt(1) + 5000, mail_);
    SwitchAt(TickAt(1) + 8000, editor_);
    hosted::At(TickAt(2) + 3000, [this] { hosted::SetWindowTitle(editor_, "other.txt - Editor"); });
    CloseAt(TickAt(4) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(4) + 500), Window(TickAt(1), "notes.txt - Editor", "editor.exe"));
}

TEST_F(SamplerTest, TitlesAreCutAt255AndEmptyOrUnreadableTitlesGiveTheUntitledRecord) {
    const std::string longTitle(300, 'L');
    const HWND longWindow = hosted::AddForeignWindow(longTitle.c_str(), kEditorPid);
    const HWND empty = hosted::AddForeignWindow("", kBrowserPid);
    const HWND unreadable = hosted::AddForeignWindow("secret", kMailPid);
    hosted::SetTitleReadable(unreadable, false);
    hosted::SetForeground(longWindow);
    SwitchAt(TickAt(2) - 1000, empty);
    SwitchAt(TickAt(3) - 1000, unreadable);
    SwitchAt(TickAt(4) - 1000, browser_);
    CloseAt(TickAt(4) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(4) + 500), Window(TickAt(1), std::string(255, 'L'), "editor.exe") +
                                            Window(TickAt(2), "-", "-") + Window(TickAt(3), "-", "-") +
                                            Window(TickAt(4), "News - Browser", "browser.exe"));
}

TEST_F(SamplerTest, TheForegroundGoingToNoWindowGivesTheUntitledRecordOnce) {
    hosted::SetForeground(editor_);
    SwitchAt(TickAt(2) - 1000, nullptr);
    SwitchAt(TickAt(4) - 1000, editor_);  // back to the window recorded before: a change again
    CloseAt(TickAt(4) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(4) + 500), Window(TickAt(1), "notes.txt - Editor", "editor.exe") +
                                            Window(TickAt(2), "-", "-") +
                                            Window(TickAt(4), "notes.txt - Editor", "editor.exe"));
}

TEST_F(SamplerTest, AWindowThatEndedBeforeItsRecordIsUntitled) {
    hosted::SetForeground(editor_);
    // A window comes to the front and ends, its handle left as the foreground.
    const HWND shortLived = hosted::AddForeignWindow("Splash", kBrowserPid);
    SwitchAt(TickAt(2) - 1000, shortLived);
    hosted::At(TickAt(2) - 500, [shortLived] { hosted::RemoveWindow(shortLived); });
    CloseAt(TickAt(2) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(2) + 500),
              Window(TickAt(1), "notes.txt - Editor", "editor.exe") + Window(TickAt(2), "-", "-"));
}

TEST_F(SamplerTest, TheModuleNameIsADashWhereItCannotBeHad) {
    const HWND admin = hosted::AddForeignWindow("Registry Editor", kAdminPid);
    const HWND orphan = hosted::AddForeignWindow("Orphan", 999);  // process already gone
    const HWND nameless = hosted::AddForeignWindow("Nameless", 500);
    hosted::AddProcess(500, "");
    hosted::SetForeground(admin);
    SwitchAt(TickAt(2) - 1000, orphan);
    SwitchAt(TickAt(3) - 1000, nameless);
    CloseAt(TickAt(3) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(3) + 500), Window(TickAt(1), "Registry Editor", "-") + Window(TickAt(2), "Orphan", "-") +
                                            Window(TickAt(3), "Nameless", "-"));
}

TEST_F(SamplerTest, TheScreensaverRecordCarriesItsOwnTimeAndKeepsTheLastWindow) {
    hosted::SetForeground(editor_);
    ScreensaverAt(TickAt(2) - 1000, true);
    ScreensaverAt(TickAt(4) - 1000, false);  // the tick that finds it ended writes nothing
    SwitchAt(TickAt(5) - 1000, editor_);     // back to A: nothing
    SwitchAt(TickAt(6) - 1000, browser_);    // another window: a record
    CloseAt(TickAt(6) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(6) + 500), Window(TickAt(1), "notes.txt - Editor", "editor.exe") +
                                            Window(TickAt(2), "Screensaver active", "-") +
                                            Window(TickAt(6), "News - Browser", "browser.exe"));
}

TEST_F(SamplerTest, AScreensaverStartingWithAWindowChangeWritesOnlyItsOwnRecord) {
    hosted::SetForeground(editor_);
    SwitchAt(TickAt(2) - 1000, browser_);
    ScreensaverAt(TickAt(2) - 1000, true);
    ScreensaverAt(TickAt(3) - 1000, false);
    CloseAt(TickAt(4) + 100);
    RunProgram();
    // lastWindow stayed the editor, so the browser is a change at tick 4.
    EXPECT_EQ(Sampled(TickAt(4) + 500), Window(TickAt(1), "notes.txt - Editor", "editor.exe") +
                                            Window(TickAt(2), "Screensaver active", "-") +
                                            Window(TickAt(4), "News - Browser", "browser.exe"));
}

TEST_F(SamplerTest, AScreensaverBetweenTwoTicksIsNotSeenAndAFailedQueryKeepsTheLastReading) {
    hosted::SetForeground(editor_);
    ScreensaverAt(TickAt(1) + 2000, true);
    ScreensaverAt(TickAt(1) + 6000, false);  // started and ended between ticks 1 and 2
    // The query fails from before tick 3 on while the screensaver is off, then
    // the screensaver starts: a failing query never reads it.
    hosted::At(TickAt(3) - 1000, [] { hosted::SetScreensaverQueryFails(true); });
    ScreensaverAt(TickAt(3) - 500, true);
    hosted::At(TickAt(5) - 1000, [] { hosted::SetScreensaverQueryFails(false); });
    CloseAt(TickAt(5) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(5) + 500), Window(TickAt(1), "notes.txt - Editor", "editor.exe") +
                                            Window(TickAt(5), "Screensaver active", "-"));
}

TEST_F(SamplerTest, AFailedQueryDuringTheScreensaverKeepsItRunning) {
    hosted::SetForeground(editor_);
    ScreensaverAt(TickAt(2) - 1000, true);
    hosted::At(TickAt(3) - 1000, [] { hosted::SetScreensaverQueryFails(true); });
    ScreensaverAt(TickAt(3) - 800, false);
    SwitchAt(TickAt(3) - 700, browser_);  // unseen while the query says "running"
    hosted::At(TickAt(5) - 1000, [] { hosted::SetScreensaverQueryFails(false); });
    CloseAt(TickAt(6) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(6) + 500), Window(TickAt(1), "notes.txt - Editor", "editor.exe") +
                                            Window(TickAt(2), "Screensaver active", "-") +
                                            Window(TickAt(6), "News - Browser", "browser.exe"));
}

TEST_F(SamplerTest, TheSamplersStateSurvivesPauseAndContinue) {
    hosted::SetForeground(editor_);
    hosted::At(TickAt(1) + 1000, [] { g_tracking = false; });
    hosted::At(TickAt(1) + 60000, [] { g_tracking = true; });
    SwitchAt(TickAt(1) + 70000, browser_);
    CloseAt(TickAt(1) + 75000);
    RunProgram();
    // No record for the editor after Continue: it was the last one recorded.
    const std::string sampled = Sampled(TickAt(1) + 75250);
    EXPECT_EQ(sampled.find("notes.txt - Editor"), sampled.rfind("notes.txt - Editor"));
    EXPECT_NE(sampled.find("News - Browser"), std::string::npos);
}

TEST_F(SamplerTest, TheScreensaverRecordReadsTheClockAfreshAndHandsTheTimeBack) {
    hosted::SetLocalClock(2026, 1, 5, 10, 30, 0);
    hosted::SetScreensaverRunning(true);
    SamplerState state = kSamplerStart;
    char timeText[kClockTextSize] = "10:29:58";  // read at the start of the tick
    SampleForeground(state, timeText);
    EXPECT_STREQ(timeText, "10:30:00");
    EXPECT_EQ(Journal(), Record("10:30:00", "Screensaver active", "-"));
    EXPECT_TRUE(state.lastScreensaverRunning);
    EXPECT_EQ(state.lastWindow, nullptr);
}

TEST_F(SamplerTest, LineBreaksAndPercentSignsInTitlesKeepTheJournalReadable) {
    const HWND odd = hosted::AddForeignWindow("100% done\r\nnext %s", kEditorPid);
    hosted::SetForeground(odd);
    CloseAt(TickAt(1) + 100);
    RunProgram();
    EXPECT_EQ(Sampled(TickAt(1) + 500), Window(TickAt(1), "100% done  next %s", "editor.exe"));
}

}  // namespace
