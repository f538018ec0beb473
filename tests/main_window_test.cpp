// The main window in the real program: the splash, the tray icon and its
// menu, the six commands, and the icon's return after a shell restart.
#include "app/app.h"
#include "app/main_window.h"
#include "resource.h"
#include "support/program.h"
#include "support/protocol_files.h"

#include <cstring>
#include <functional>

namespace {

using namespace testing_support;

constexpr DWORD kEditorPid = 100;
constexpr DWORD kBrowserPid = 200;
constexpr const char kTodayDetail[] = "Protocols/2026/January/2026-01-05_detail.csv";
constexpr const char kTodayStat[] = "Protocols/2026/January/2026-01-05_stat.csv";

class MainWindowTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        Desktop();
    }
    // The same desktop again, for tests that run the program more than once.
    void Desktop() {
        hosted::AddProcess(kEditorPid, "editor.exe");
        hosted::AddProcess(kBrowserPid, "browser.exe");
        editor_ = hosted::AddForeignWindow("notes.txt - Editor", kEditorPid);
        browser_ = hosted::AddForeignWindow("News - Browser", kBrowserPid);
        hosted::SetForeground(editor_);
    }
    void Fresh() {
        hosted::ResetDesktop();
        ResetProgramState();
        Desktop();
    }
    void TearDown() override {
        EXPECT_EQ(hosted::MenusAlive(), 0) << "a menu was not destroyed";
        EXPECT_EQ(hosted::OpenPaintContexts(), 0);
        for (hosted::GdiKind kind : {hosted::GdiKind::Bitmap, hosted::GdiKind::Font, hosted::GdiKind::Brush,
                                     hosted::GdiKind::DeviceContext})
            EXPECT_EQ(hosted::GdiObjectsAlive(kind), 0) << "GDI objects of kind " << static_cast<int>(kind) << " leaked";
        ProgramTest::TearDown();
    }
    std::string Editor(std::int64_t when) { return Record(ClockAt(when), "notes.txt - Editor", "editor.exe"); }
    std::string Browser(std::int64_t when) { return Record(ClockAt(when), "News - Browser", "browser.exe"); }

    HWND editor_{}, browser_{};
};

// Messages that reached DefWindowProcA from the main window.
int DefProcCalls(UINT message, WPARAM wParam) {
    int n = 0;
    for (const hosted::DefWindowProcCall& call : hosted::DefWindowProcCalls())
        if (call.window == MainWindow() && call.message == message && call.wParam == wParam) ++n;
    return n;
}

int DefProcCalls(UINT message) {
    int n = 0;
    for (const hosted::DefWindowProcCall& call : hosted::DefWindowProcCalls())
        if (call.window == MainWindow() && call.message == message) ++n;
    return n;
}

// The first pass of the main loop at or after `ms`: passes come every 250 ms
// from the end of start-up.
std::int64_t PassAt(std::int64_t ms) {
    const std::int64_t since = ms - kStartMs;
    return kStartMs + (since + 249) / 250 * 250;
}

TEST_F(MainWindowTest, TheSplashShowsItsPictureForFiveSecondsThenTheWindowHidesAndTheIconAppears) {
    bool shownDuringSplash = false;
    bool iconDuringSplash = true;
    hosted::At(2500, [&] {
        shownDuringSplash = hosted::DescribeWindow(MainWindow()).visible;
        iconDuringSplash = hosted::TrayIcon().present;
    });
    QuitAt(kStartMs + 1000);
    EXPECT_EQ(RunProgram(), 0);

    ASSERT_EQ(hosted::ImageLoads().size(), 1u);
    const hosted::ImageLoad& load = hosted::ImageLoads()[0];
    EXPECT_EQ(load.resourceId, IDB_SPLASH);
    EXPECT_EQ(load.type, static_cast<UINT>(IMAGE_BITMAP));
    EXPECT_EQ(load.cx, 0);
    EXPECT_EQ(load.cy, 0);
    EXPECT_EQ(load.flags, static_cast<UINT>(LR_CREATEDIBSECTION));
    EXPECT_EQ(load.width, 357) << "the committed splash.bmp";
    EXPECT_EQ(load.height, 205);
    EXPECT_EQ(load.bitsPerPixel, 24);
    EXPECT_EQ(load.when, 0);

    ASSERT_EQ(hosted::BitBlts().size(), 1u);
    const hosted::BitBltCall& blt = hosted::BitBlts()[0];
    EXPECT_EQ(blt.destWindow, MainWindow());
    EXPECT_TRUE(blt.destVisible);
    EXPECT_EQ(blt.x, 0);
    EXPECT_EQ(blt.y, 0);
    EXPECT_EQ(blt.width, 356) << "the picture's last column is not shown";
    EXPECT_EQ(blt.height, 205);
    EXPECT_EQ(blt.sourceBitmap, load.image);
    EXPECT_EQ(blt.sourceBitmapWidth, 357);
    EXPECT_EQ(blt.sourceX, 0);
    EXPECT_EQ(blt.sourceY, 0);
    EXPECT_EQ(blt.rop, static_cast<DWORD>(SRCCOPY));
    EXPECT_EQ(blt.when, 0);

    // The memory context and the bitmap were made once each and deleted
    // (TearDown also checks that nothing is left alive).
    EXPECT_EQ(hosted::GdiObjectsCreated(hosted::GdiKind::DeviceContext), 1);
    EXPECT_EQ(hosted::GdiObjectsCreated(hosted::GdiKind::Bitmap), 1);
    EXPECT_FALSE(hosted::IsGdiObjectAlive(load.image));
    EXPECT_EQ(hosted::ContextsDeletedHoldingObjects(), 0) << "the bitmap is deselected before the context goes";

    EXPECT_TRUE(shownDuringSplash);
    EXPECT_FALSE(iconDuringSplash);
    EXPECT_FALSE(hosted::DescribeWindow(MainWindow()).visible);

    ASSERT_GE(hosted::TrayCalls().size(), 1u);
    const hosted::TrayCall& add = hosted::TrayCalls()[0];
    EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(add.result);
    EXPECT_EQ(add.when, 5000) << "five virtual seconds of splash";
    EXPECT_EQ(add.window, MainWindow());
    EXPECT_EQ(add.id, 1u);
    EXPECT_EQ(add.flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.callbackMessage, static_cast<UINT>(WM_USER));
    EXPECT_EQ(hosted::ResourceIdOf(add.icon), IDI_TRACKING);
    EXPECT_EQ(add.tip, "Horalux");

    // All of it before the start record, which carries the moment after the splash.
    EXPECT_EQ(Journal().substr(0, Started(ClockAt(5000)).size()), Started(ClockAt(5000)));
}

TEST_F(MainWindowTest, TheSplashHoldsTheForegroundWhileShownAndGivesItBackWhenHidden) {
    // As Windows and Wine do it: the shown splash is the active window; when it
    // hides, the window that was active before is again, unless the user has
    // gone to another one meanwhile. The first tick records that window.
    for (const bool userSwitches : {false, true}) {
        TempWorkDir fresh;
        Fresh();
        HWND duringSplash = nullptr;
        hosted::At(2000, [&] { duringSplash = hosted::Foreground(); });
        if (userSwitches) SwitchAt(3000, browser_);
        QuitAt(TickAt(1) + 1000);
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_EQ(duringSplash, MainWindow());
        const std::string first = Started(ClockAt(kStartMs)) + (userSwitches ? Browser(TickAt(1)) : Editor(TickAt(1)));
        EXPECT_EQ(Journal().substr(0, first.size()), first) << (userSwitches ? "switched" : "not switched");
    }
}

TEST_F(MainWindowTest, TheTrayRecordIsTheFirstVersionOfThisArchitecture) {
    QuitAt(kStartMs + 1000);
    RunProgram();
    ASSERT_FALSE(hosted::TrayCalls().empty());
    const DWORD expected = static_cast<DWORD>(offsetof(NOTIFYICONDATAA, szTip) + 64);
    EXPECT_EQ(hosted::TrayCalls()[0].cbSize, expected);
    EXPECT_TRUE(hosted::TrayCalls()[0].result);
    if (sizeof(void*) == 8) {
        EXPECT_EQ(expected, 104u);
        // The 32-bit size is no version the shell knows in a 64-bit program.
        NOTIFYICONDATAA record = g_trayIcon;
        record.cbSize = 88;
        record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &record));
    }
}

std::vector<hosted::MenuItem> ExpectedMenu(bool tracking) {
    return {{MF_STRING, 1024, "About"},
            {MF_SEPARATOR, 0, ""},
            {MF_STRING, 1029, "Create current protocol"},
            {MF_STRING, 1028, "Open protocol folder"},
            {MF_SEPARATOR, 0, ""},
            tracking ? hosted::MenuItem{MF_STRING, 1026, "Pause"} : hosted::MenuItem{MF_STRING, 1027, "Continue"},
            {MF_SEPARATOR, 0, ""},
            {MF_STRING, 1025, "Quit"}};
}

TEST_F(MainWindowTest, TheMenuIsBuiltAfreshWithPauseWhileTrackingAndContinueWhilePaused) {
    hosted::MoveCursor(1200, 1010);
    ChooseFromTrayMenu(kStartMs + 1000, ID_TRAY_PAUSE);
    ChooseFromTrayMenu(kStartMs + 2000, 0);  // looked at, closed without a choice
    ChooseFromTrayMenu(kStartMs + 3000, ID_TRAY_CONTINUE);
    ChooseFromTrayMenu(kStartMs + 4000, 0);
    QuitAt(kStartMs + 5000);
    EXPECT_EQ(RunProgram(), 0);

    const bool trackingAt[] = {true, false, false, true, true};
    ASSERT_EQ(hosted::PopupMenus().size(), std::size(trackingAt));
    for (std::size_t i = 0; i < std::size(trackingAt); ++i) {
        const hosted::PopupMenuCall& menu = hosted::PopupMenus()[i];
        const std::vector<hosted::MenuItem> expected = ExpectedMenu(trackingAt[i]);
        ASSERT_EQ(menu.items.size(), expected.size()) << "menu " << i;
        for (std::size_t j = 0; j < expected.size(); ++j) {
            EXPECT_EQ(menu.items[j].flags, expected[j].flags) << "menu " << i << " item " << j;
            EXPECT_EQ(menu.items[j].id, expected[j].id) << "menu " << i << " item " << j;
            EXPECT_EQ(menu.items[j].text, expected[j].text) << "menu " << i << " item " << j;
        }
        EXPECT_EQ(menu.flags, static_cast<UINT>(TPM_RIGHTBUTTON)) << "left and top aligned, no TPM_RETURNCMD";
        EXPECT_EQ(menu.x, 1200);
        EXPECT_EQ(menu.y, 1010);
        EXPECT_EQ(menu.owner, MainWindow());
        EXPECT_TRUE(menu.ownerWasForeground);
        EXPECT_FALSE(menu.hadExcludeRect);
    }
    // One WM_NULL after each menu, which the window passes on.
    EXPECT_EQ(DefProcCalls(WM_NULL), 5);
}

TEST_F(MainWindowTest, OnlyTheRightButtonsPressOpensTheMenuAndEveryMouseMessageGivesZero) {
    const UINT others[] = {WM_MOUSEMOVE,  WM_LBUTTONDOWN,   WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                           WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_CONTEXTMENU, WM_USER + 1};
    std::vector<LRESULT> results;
    hosted::At(kStartMs + 1000, [&] {
        for (UINT mouse : others) {
            results.push_back(SendMessageA(MainWindow(), WM_TRAYICON, 1, static_cast<LPARAM>(mouse)));
            hosted::ClickTrayIcon(mouse);  // and the same through the queue, as the shell sends it
        }
    });
    std::size_t menusBeforeRightPress = 99;
    hosted::At(kStartMs + 2000, [&] { menusBeforeRightPress = hosted::PopupMenus().size(); });
    LRESULT rightPress = -1;
    hosted::At(kStartMs + 3000, [&] { rightPress = SendMessageA(MainWindow(), WM_TRAYICON, 1, WM_RBUTTONDOWN); });
    QuitAt(kStartMs + 4000);
    EXPECT_EQ(RunProgram(), 0);

    ASSERT_EQ(results.size(), std::size(others));
    for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], 0) << "mouse message " << others[i];
    EXPECT_EQ(menusBeforeRightPress, 0u);
    EXPECT_EQ(rightPress, 0);
    EXPECT_EQ(hosted::PopupMenus().size(), 2u) << "the direct right press and the Quit";
    EXPECT_EQ(DefProcCalls(WM_TRAYICON), 0);
    EXPECT_TRUE(g_tracking);
    EXPECT_TRUE(hosted::ShellExecutes().empty());
}

TEST_F(MainWindowTest, IdentifiersNextToTheCommandsGoToDefWindowProc) {
    const WPARAM outside[] = {MAKEWPARAM(1023, 0), MAKEWPARAM(1030, 0), MAKEWPARAM(1023, 0xFFFF), MAKEWPARAM(0, 0),
                              MAKEWPARAM(0xFFFF, 0)};
    hosted::At(kStartMs + 1000, [&] {
        for (WPARAM w : outside) PostMessageA(MainWindow(), WM_COMMAND, w, 0);
    });
    QuitAt(kStartMs + 2000);
    EXPECT_EQ(RunProgram(), 0);
    for (WPARAM w : outside) EXPECT_EQ(DefProcCalls(WM_COMMAND, w), 1) << std::hex << w;
    EXPECT_EQ(DefProcCalls(WM_COMMAND), static_cast<int>(std::size(outside))) << "Quit itself is not passed on";
    EXPECT_TRUE(hosted::DialogCalls().empty());
    EXPECT_TRUE(hosted::ShellExecutes().empty());
    EXPECT_TRUE(g_tracking);
}

TEST_F(MainWindowTest, EachCommandWorksWhateverTheHighWordHolds) {
    struct Case {
        WORD id;
        std::function<bool()> performed;
    };
    const Case cases[] = {
        {ID_TRAY_ABOUT, [] { return hosted::DialogCalls().size() == 1 && hosted::DialogCalls()[0].templateId == IDD_ABOUT; }},
        {ID_TRAY_QUIT, [] { return !g_running && !hosted::TrayIcon().present; }},
        {ID_TRAY_PAUSE, [] { return !g_tracking && hosted::ResourceIdOf(hosted::TrayIcon().icon) == IDI_PAUSED; }},
        {ID_TRAY_CONTINUE,
         [] { return g_tracking && hosted::TrayCalls().size() >= 2 && hosted::TrayCalls()[1].message == NIM_MODIFY; }},
        {ID_TRAY_OPEN_FOLDER, [] { return hosted::ShellExecutes().size() == 1; }},
        {ID_TRAY_CREATE_PROTOCOL, [] { return FileExists(kTodayDetail) && FileExists(kTodayStat); }},
    };
    for (const Case& c : cases) {
        for (const WORD high : {WORD{0}, WORD{1}, WORD{0x8001}, WORD{0xFFFF}}) {
            TempWorkDir fresh;
            Fresh();
            bool performed = false;
            hosted::At(kStartMs + 1000, [&] {
                PostMessageA(MainWindow(), WM_COMMAND, MAKEWPARAM(c.id, high), 0);
                // Esc closes the About dialog a minute later.
                hosted::After(60000, [] { hosted::PressKey(hosted::ActiveDialog(), VK_ESCAPE); });
            });
            bool checked = false;
            hosted::At(kStartMs + 70000, [&] {
                performed = c.performed();
                checked = true;
            });
            QuitAt(kStartMs + 71000);
            EXPECT_EQ(RunProgram(), 0);
            if (!checked) performed = c.performed();  // Quit ended the run before the check
            EXPECT_TRUE(performed) << "command " << c.id << " with high word " << high;
            EXPECT_EQ(DefProcCalls(WM_COMMAND), 0) << "command " << c.id;
        }
    }
}

TEST_F(MainWindowTest, PauseAndContinueChangeTheIconBeforeTheFlagAndHoldTheTicks) {
    struct Seen {
        DWORD message;
        int icon;
        bool tracking;
    };
    std::vector<Seen> seen;
    hosted::SetTrayObserver([&seen](const hosted::TrayCall& call) {
        seen.push_back(Seen{call.message, hosted::ResourceIdOf(call.icon), g_tracking});
    });
    ChooseFromTrayMenu(TickAt(1) + 1000, ID_TRAY_PAUSE);
    SwitchAt(TickAt(1) + 2000, browser_);
    const std::int64_t continueAt = kStartMs + 70000;
    ChooseFromTrayMenu(continueAt, ID_TRAY_CONTINUE);
    QuitAt(continueAt + 1000);
    EXPECT_EQ(RunProgram(), 0);

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(seen[1].icon, IDI_PAUSED);
    EXPECT_TRUE(seen[1].tracking) << "Pause: the icon changes while the flag is still set";
    EXPECT_EQ(seen[2].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(seen[2].icon, IDI_TRACKING);
    EXPECT_FALSE(seen[2].tracking) << "Continue: the icon changes while the flag is still clear";
    EXPECT_EQ(seen[3].message, static_cast<DWORD>(NIM_DELETE));
    // No tick while paused; the first pass after Continue takes one at once,
    // and its heartbeat check sees the pause as a gap since the last tick.
    // The menu made the hidden window the foreground one, so that is what
    // the sampler saw then, with the program's own module name.
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Editor(TickAt(1)) +
                             Record(ClockAt(TickAt(1)), "Tracking interrupted", "-") +
                             Record(ClockAt(continueAt), "Horalux", "horalux.exe") +
                             Quit(ClockAt(continueAt + 1250)));
}

TEST_F(MainWindowTest, QuitRemovesTheIconEndsTrackingAndLeavesTheHiddenWindow) {
    const std::int64_t quitAt = kStartMs + 2000;
    QuitAt(quitAt);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_FALSE(hosted::TrayIcon().present);
    const hosted::TrayCall& last = hosted::TrayCalls().back();
    EXPECT_EQ(last.message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(last.flags, 0u);
    EXPECT_TRUE(last.result);
    EXPECT_FALSE(g_running);
    EXPECT_TRUE(IsWindow(MainWindow())) << "Quit does not destroy the window";
    EXPECT_FALSE(hosted::DescribeWindow(MainWindow()).visible);
    EXPECT_EQ(DefProcCalls(WM_DESTROY), 0);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(quitAt + 250)));
    EXPECT_EQ(Heartbeat(), std::string(kToday) + "\n" + ClockAt(quitAt + 250) + "\n");
}

TEST_F(MainWindowTest, ASecondCopyDoesNotStartBesideTheFirstOnesHiddenWindow) {
    QuitAt(kStartMs + 2000);
    ASSERT_EQ(RunProgram(), 0);
    const std::string journal = Journal();
    const std::size_t trayCalls = hosted::TrayCalls().size();
    const std::int64_t before = hosted::Now();

    ResetProgramState();  // a new process on the same desktop
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(hosted::TimesRegistered("Horalux"), 1);
    EXPECT_EQ(hosted::TrayCalls().size(), trayCalls);
    EXPECT_EQ(hosted::ImageLoads().size(), 1u);
    EXPECT_EQ(Journal(), journal);
    EXPECT_EQ(hosted::Now(), before) << "no splash either";
}

TEST_F(MainWindowTest, OpenProtocolFolderCallsTheShellAlsoBeforeAnyProtocolExists) {
    for (const bool folderExists : {false, true}) {
        TempWorkDir fresh;
        Fresh();
        if (folderExists) MakeFolder("Protocols");
        ChooseFromTrayMenu(kStartMs + 1000, ID_TRAY_OPEN_FOLDER);
        QuitAt(kStartMs + 2000);
        EXPECT_EQ(RunProgram(), 0);
        ASSERT_EQ(hosted::ShellExecutes().size(), 1u);
        const hosted::ShellExecuteCall& call = hosted::ShellExecutes()[0];
        EXPECT_EQ(call.window, MainWindow());
        EXPECT_TRUE(call.hasVerb);
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, "Protocols");
        EXPECT_FALSE(call.hasParameters);
        EXPECT_FALSE(call.hasDirectory);
        EXPECT_EQ(call.show, SW_SHOW);
        EXPECT_EQ(call.result > 32, folderExists);
        // A failed call shows and makes nothing.
        EXPECT_TRUE(hosted::MessageBoxes().empty());
        EXPECT_EQ(FileExists("Protocols"), folderExists);
        EXPECT_FALSE(FileExists("error.txt"));
        EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 2250)));
    }
}

TEST_F(MainWindowTest, CreateCurrentProtocolWritesTodaysProtocolsFromTheRunningJournal) {
    SwitchAt(TickAt(1) + 100, browser_);
    const std::int64_t chosenAt = TickAt(2) + 1000;
    std::string journalBefore;
    hosted::At(chosenAt - 100, [&] { journalBefore = Journal(); });
    ChooseFromTrayMenu(chosenAt, ID_TRAY_CREATE_PROTOCOL);
    QuitAt(chosenAt + 1000);
    EXPECT_EQ(RunProgram(), 0);
    // One row per record that has a successor; the browser's last record has none yet.
    EXPECT_EQ(ReadFile(kTodayDetail),
              std::string(kDetailHeaderLine) + "\"Tracking started\",\"-\",\"09:00:05\",\"09:00:15\",\"0:0:10\"\r\n" +
                  "\"notes.txt - Editor\",\"editor.exe\",\"09:00:15\",\"09:00:25\",\"0:0:10\"\r\n");
    EXPECT_EQ(ReadFile(kTodayStat).substr(0, std::strlen(kStatHeaderLine)), kStatHeaderLine);
    // The journal goes on: nothing emptied, nothing reported.
    EXPECT_EQ(journalBefore, Started(ClockAt(kStartMs)) + Editor(TickAt(1)) + Browser(TickAt(2)));
    EXPECT_EQ(Journal(), journalBefore + Quit(ClockAt(chosenAt + 1250)));
    EXPECT_TRUE(hosted::MessageBoxes().empty());
}

TEST_F(MainWindowTest, AfterAShellRestartTheIconComesBackWithTheIconOfTheCurrentState) {
    for (const bool paused : {false, true}) {
        TempWorkDir fresh;
        Fresh();
        if (paused) ChooseFromTrayMenu(kStartMs + 1000, ID_TRAY_PAUSE);
        bool goneAfterRestart = false;
        hosted::At(kStartMs + 2000, [&] {
            hosted::RestartShell();
            goneAfterRestart = !hosted::TrayIcon().present;
        });
        hosted::TrayIconInfo back;
        hosted::At(kStartMs + 3000, [&] { back = hosted::TrayIcon(); });
        QuitAt(kStartMs + 4000);  // through the icon that came back
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(goneAfterRestart);
        EXPECT_TRUE(back.present) << (paused ? "paused" : "tracking");
        EXPECT_EQ(hosted::ResourceIdOf(back.icon), paused ? IDI_PAUSED : IDI_TRACKING);
        EXPECT_EQ(back.tip, "Horalux");
        EXPECT_EQ(back.callbackMessage, static_cast<UINT>(WM_USER));
        EXPECT_EQ(back.window, MainWindow());
        EXPECT_FALSE(g_running) << "Quit came through the restored icon";
        EXPECT_EQ(g_tracking, !paused);
        EXPECT_EQ(DefProcCalls(hosted::RegisteredMessage("TaskbarCreated")), 0);
    }
}

TEST_F(MainWindowTest, AnIconThatCouldNotBeAddedAtStartAppearsWhenTheShellComesUp) {
    hosted::FailTrayAdd(1);
    bool iconAtFirstTick = true;
    hosted::At(TickAt(1) + 100, [&] { iconAtFirstTick = hosted::TrayIcon().present; });
    hosted::At(TickAt(1) + 200, [] { hosted::RestartShell(); });
    QuitAt(TickAt(1) + 1000);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_FALSE(iconAtFirstTick);
    EXPECT_FALSE(hosted::TrayCalls()[0].result);
    // Tracking went on without the icon, and Quit came through the new one.
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Editor(TickAt(1)) + Quit(ClockAt(TickAt(1) + 1250)));
}

TEST_F(MainWindowTest, AShellRestartAfterQuitAddsNothing) {
    hosted::At(kStartMs + 1000, [] {
        PostMessageA(MainWindow(), WM_COMMAND, ID_TRAY_QUIT, 0);
        hosted::RestartShell();  // its message is handled after the Quit, in the same drain
    });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_FALSE(hosted::TrayIcon().present);
    EXPECT_EQ(hosted::TrayCalls().back().message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(MainWindowTest, AMenuHeldOpenForAMinuteHoldsTheLoopAndTheNextPassTicksAtOnce) {
    const std::int64_t clickAt = TickAt(1) + 100;
    ChooseFromTrayMenu(clickAt, 0, 60000);
    SwitchAt(clickAt + 200, browser_);  // the user moves on while the menu is open
    const std::int64_t menuClosed = PassAt(clickAt) + 60000;
    QuitAt(menuClosed + 5000);
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_GE(hosted::PopupMenus().size(), 1u);
    EXPECT_EQ(hosted::PopupMenus()[0].opened, PassAt(clickAt));
    EXPECT_EQ(hosted::PopupMenus()[0].closed, menuClosed);
    EXPECT_EQ(hosted::PopupMenus()[0].chosen, 0u);
    // The tick after the menu sees the minute as a gap since the last one.
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Editor(TickAt(1)) +
                             Record(ClockAt(TickAt(1)), "Tracking interrupted", "-") + Browser(menuClosed) +
                             Quit(ClockAt(PassAt(menuClosed + 5000) + 250)));
}

TEST(TrayTip, ATitleIsCutTo63CharactersAndTheZero) {
    const std::string letters(80, 'x');
    for (const std::size_t length : {std::size_t{0}, std::size_t{7}, std::size_t{63}, std::size_t{64}, std::size_t{80}}) {
        NOTIFYICONDATAA icon{};
        std::memset(icon.szTip, '#', sizeof icon.szTip);
        const std::string title = letters.substr(0, length);
        CopyTrayTip(icon, title.c_str());
        const std::size_t kept = length < 63 ? length : 63;
        EXPECT_EQ(std::string(icon.szTip), title.substr(0, kept)) << length;
        // Nothing past the first version's 64 characters is touched.
        EXPECT_EQ(icon.szTip[64], '#') << length;
    }
}

}  // namespace
