// Start-up, the main loop's timing and the shut-down, on the virtual clock.
#include "app/app.h"
#include "support/program.h"

namespace {

using namespace testing_support;

constexpr DWORD kEditorPid = 100;
constexpr DWORD kBrowserPid = 200;
constexpr DWORD kShellPid = 300;

class MainLoopTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        hosted::AddProcess(kEditorPid, "editor.exe");
        hosted::AddProcess(kBrowserPid, "browser.exe");
        hosted::AddProcess(kShellPid, "shell.exe");
        editor_ = hosted::AddForeignWindow("notes.txt - Editor", kEditorPid);
        browser_ = hosted::AddForeignWindow("News - Browser", kBrowserPid);
        shell_ = hosted::AddForeignWindow("Command Prompt", kShellPid);
        hosted::SetForeground(editor_);
    }
    std::string Editor(std::int64_t when) { return Record(ClockAt(when), "notes.txt - Editor", "editor.exe"); }
    std::string Browser(std::int64_t when) { return Record(ClockAt(when), "News - Browser", "browser.exe"); }
    std::string Shell(std::int64_t when) { return Record(ClockAt(when), "Command Prompt", "shell.exe"); }

    HWND editor_{}, browser_{}, shell_{};
};

TEST_F(MainLoopTest, StartAndCloseWriteTheirRecordsAndTheFinalHeartbeat) {
    CloseAt(kStartMs + 1000);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
    EXPECT_EQ(Heartbeat(), std::string(kToday) + "\n" + ClockAt(kStartMs + 1250) + "\n");
    EXPECT_TRUE(hosted::MessageBoxes().empty());
    EXPECT_FALSE(FileExists("error.txt"));
}

TEST_F(MainLoopTest, TheSplashWindowIsCentredWithTruncatingDivision) {
    const struct {
        int width, height, x, y;
    } cases[] = {{1024, 768, 334, 281}, {299, 100, -28, -52}, {1920, 1080, 782, 437}};
    for (const auto& c : cases) {
        hosted::ResetDesktop();
        ResetProgramState();
        hosted::SetScreenSize(c.width, c.height);
        CloseAt(kStartMs + 500);
        RunProgram();
        const hosted::WindowInfo window = hosted::DescribeWindow(hosted::FindOwnWindow("Horalux"));
        EXPECT_EQ(window.x, c.x);
        EXPECT_EQ(window.y, c.y);
        EXPECT_EQ(window.width, 356);
        EXPECT_EQ(window.height, 205);
        EXPECT_EQ(window.style, static_cast<DWORD>(WS_POPUP));
        EXPECT_EQ(window.title, "Horalux");
    }
}

TEST_F(MainLoopTest, ATickIsDueOnlyAfterMoreThan10000Ms) {
    // At the pass 10000 ms after start-up the counter is made to read 10000
    // or 10001 ms past the loop's start; the editor leaves the front just after.
    for (const DWORD extra : {0u, 1u}) {
        TempWorkDir fresh;
        hosted::ResetDesktop();
        ResetProgramState();
        SetUp();
        hosted::At(kStartMs + 9900, [extra] { hosted::SetTickCounter(static_cast<DWORD>(kStartMs) + 9900 + extra); });
        SwitchAt(kStartMs + 10100, browser_);
        CloseAt(kStartMs + 10600);
        RunProgram();
        const std::string sampled = extra == 0 ? Browser(kStartMs + 10250) : Editor(kStartMs + 10000);
        EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + sampled + Quit(ClockAt(kStartMs + 11000)))
            << "elapsed at the pass: " << 10000 + extra;
    }
}

TEST_F(MainLoopTest, TicksGoOnEveryTenSecondsAcrossTheCounterWrap) {
    hosted::SetTickCounter(0xFFFFFFFFu - 2000);
    SwitchAt(TickAt(1) + 100, browser_);
    SwitchAt(TickAt(2) + 100, shell_);
    CloseAt(TickAt(3) + 100);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Editor(TickAt(1)) + Browser(TickAt(2)) + Shell(TickAt(3)) +
                             Quit(ClockAt(TickAt(3) + 250)));
}

TEST_F(MainLoopTest, NoTickWhilePausedAndOneAtOnceAfterContinue) {
    hosted::At(TickAt(1) + 1000, [] { g_tracking = false; });
    SwitchAt(TickAt(1) + 20000, browser_);
    hosted::At(kStartMs + 72000, [] { g_tracking = true; });
    CloseAt(kStartMs + 72100);
    EXPECT_EQ(RunProgram(), 0);
    // The first tick after Continue finds the gap since the last tick before the pause.
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Editor(TickAt(1)) +
                             Record(ClockAt(TickAt(1)), "Tracking interrupted", "-") + Browser(kStartMs + 72000) +
                             Quit(ClockAt(kStartMs + 72250)));
}

TEST_F(MainLoopTest, CloseWhileATickIsDueStillTakesTheTick) {
    CloseAt(TickAt(1) - 150);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Editor(TickAt(1)) + Quit(ClockAt(TickAt(1) + 250)));
    EXPECT_EQ(Heartbeat(), std::string(kToday) + "\n" + ClockAt(TickAt(1) + 250) + "\n");
}

TEST_F(MainLoopTest, AFatalErrorInATickEndsTheLoopAfterThePassWithExitCodeZero) {
    // The last message the loop sees is one whose wParam is no exit code.
    hosted::At(TickAt(1) - 100, [] { PostMessageA(hosted::FindOwnWindow("Horalux"), WM_USER + 77, 7, 0); });
    hosted::At(TickAt(1) - 100, [] { hosted::FailOpen("tmp/tmp.dat", 1); });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(TickAt(1) + 250)));
    EXPECT_EQ(Heartbeat(), std::string(kToday) + "\n" + ClockAt(TickAt(1) + 250) + "\n");
    ASSERT_EQ(hosted::MessageBoxes().size(), 1u);
    EXPECT_EQ(hosted::MessageBoxes()[0].text, "The protocol files can't be opened.\n\nThe application is terminated.");
    EXPECT_EQ(hosted::MessageBoxes()[0].when, TickAt(1));
}

TEST_F(MainLoopTest, TmpAsAPlainFileGivesOneBoxPerFailedWriteAndEndsWithZero) {
    WriteFile("tmp", "");
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_EQ(hosted::MessageBoxes().size(), 4u) << "first heartbeat, start record, quit record, final heartbeat";
    for (const hosted::MessageBoxCall& box : hosted::MessageBoxes()) {
        EXPECT_EQ(box.text, "The protocol files can't be opened.\n\nThe application is terminated.");
        EXPECT_EQ(box.caption, "Error");
    }
    const std::string entry = "\r\n" + std::string(kToday) + ";" + ClockAt(kStartMs) +
                              "\r\nThe protocol files can't be opened.\r\n\r\nThe application is terminated.";
    EXPECT_EQ(ErrorLog(), entry + entry + entry + entry);
}

TEST_F(MainLoopTest, AWindowThatCannotBeCreatedIsACriticalErrorAfterWhichTheRecordsStillFollow) {
    hosted::FailWindowCreation();
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_EQ(hosted::MessageBoxes().size(), 1u);
    EXPECT_EQ(hosted::MessageBoxes()[0].text, "The application has been terminated due to a critical error.");
    EXPECT_EQ(hosted::FindOwnWindow("Horalux"), nullptr);
    // No window, so no splash: start-up takes no virtual time.
    EXPECT_EQ(Journal(), Started(ClockAt(0)) + Quit(ClockAt(0)));
    EXPECT_EQ(Heartbeat(), std::string(kToday) + "\n" + ClockAt(0) + "\n");
    EXPECT_FALSE(hosted::TrayIcon().present);
}

TEST_F(MainLoopTest, AnyWindowTitledWithAProductTitleKeepsASecondCopyFromStarting) {
    for (const char* title : {"Horalux", "Report - Horalux.docx", "xHoraluxx", "Horalux Pro", "Horalux Team",
                              "Horalux Portable"}) {
        hosted::ResetDesktop();
        ResetProgramState();
        hosted::AddForeignWindow(title, 900);
        EXPECT_EQ(RunProgram(), 0) << title;
        EXPECT_EQ(hosted::TimesRegistered("Horalux"), 0) << title;
        EXPECT_EQ(hosted::FindOwnWindow("Horalux"), nullptr) << title;
        EXPECT_EQ(CountEntries("."), 0) << title << ": no file is touched";
    }
}

TEST_F(MainLoopTest, TitlesThatDifferInLetterCaseDoNotCount) {
    for (const char* title : {"horalux", "HORALUX", "Hora lux"}) {
        hosted::ResetDesktop();
        ResetProgramState();
        hosted::AddForeignWindow(title, 900);
        CloseAt(kStartMs + 500);
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_EQ(hosted::TimesRegistered("Horalux"), 1) << title;
    }
}

}  // namespace
