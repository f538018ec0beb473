// The real program on the X11 desktop: a private Xvfb server with openbox
// (or no window manager), windows of known titles and programs, and the
// program's WinMain on the virtual clock asking that server. Each test takes
// about a second of real time however many virtual minutes it covers.
#include "app/app.h"
#include "resource.h"
#include "support/program.h"
#include "support/x11_session.h"

#include <X11/X.h>

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifndef HORALUX_TRACKER
#error "the build names the live tracker"
#endif

namespace {

using namespace testing_support;

// The file name of the test window program, as /proc/<pid>/exe shows it.
constexpr const char kTestWindowProgram[] = "horalux_x11_test_window";
constexpr uid_t kNobody = 65534;

std::string Window(std::int64_t when, const std::string& title, const std::string& application) {
    return Record(ClockAt(when), title, application);
}

// A moment just after a whole second, so that the pass that handles
// something the server sent then, or the one after it, stamps the same time.
constexpr std::int64_t JustAfterSecond(std::int64_t ms) {
    return (ms / 1000 + 1) * 1000 + 10;
}

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

class X11DesktopTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        REQUIRE_X11_PROGRAMS("Xvfb", "openbox");
    }
    void TearDown() override {
        EXPECT_EQ(hosted::OpenProcessHandles(), 0) << "a process handle was left open";
        ProgramTest::TearDown();  // disconnects the program before the server ends
        session_.reset();
    }

    // `connect`: the program's desktop is the session from now on.
    void StartSession(X11Session::Manager manager = X11Session::Manager::kOpenbox, bool connect = true) {
        session_ = std::make_unique<X11Session>(manager);
        ASSERT_TRUE(session_->Ready()) << session_->Problem();
        if (connect) { ASSERT_TRUE(hosted::UseX11Desktop(session_->DisplayName().c_str())); }
    }
    unsigned long StartWindow(const std::vector<std::string>& args, const std::string& program = "",
                              uid_t uid = static_cast<uid_t>(-1)) {
        const unsigned long window = session_->StartWindow(args, program, uid);
        EXPECT_NE(window, 0u) << "the test window did not come up";
        return window;
    }
    void ActivateAt(std::int64_t when, unsigned long window) {
        X11Session* session = session_.get();
        hosted::At(when, [session, window] { EXPECT_TRUE(session->Activate(window)) << std::hex << window; });
    }
    static std::string Sampled(std::int64_t quitAt) { return JournalBetweenStartAndQuit(quitAt); }

    std::unique_ptr<X11Session> session_;
};

TEST_F(X11DesktopTest, EachChangeOfTheActiveWindowIsRecordedWithItsTitleAndProgram) {
    StartSession();
    const unsigned long editor = StartWindow({"--title", "notes.txt – Editor"}, "editor");
    const unsigned long browser = StartWindow({"--title", "News - Browser"}, "web browser");
    const unsigned long mail = StartWindow({"--title", "Inbox (3) - Mail"}, "mail");
    ActivateAt(TickAt(1) - 2000, editor);
    ActivateAt(TickAt(3) - 3000, browser);
    ActivateAt(TickAt(5) - 3000, mail);
    ActivateAt(TickAt(6) - 3000, editor);
    // Away and back between two ticks: nothing changed at the tick.
    ActivateAt(TickAt(8) - 6000, browser);
    ActivateAt(TickAt(8) - 2000, editor);
    CloseAt(TickAt(9) + 100);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(TickAt(9) + 500), Window(TickAt(1), "notes.txt – Editor", "editor") +
                                            Window(TickAt(3), "News - Browser", "web browser") +
                                            Window(TickAt(5), "Inbox (3) - Mail", "mail") +
                                            Window(TickAt(6), "notes.txt – Editor", "editor"));
}

TEST_F(X11DesktopTest, TitlesAreTheWindowsUtf8TextCutAt255BytesBetweenTwoCharacters) {
    StartSession();
    struct Case {
        std::vector<std::string> args;
        std::string recorded;
        std::string application;
    };
    const std::string latin1 = "Caf\xE9 cr\xE8me";  // WM_NAME alone, in ICCCM's Latin-1
    const Case cases[] = {
        {{"--title", "Grüße aus Köln – Übersicht"}, "Grüße aus Köln – Übersicht", kTestWindowProgram},
        {{"--latin1-name", latin1}, "Café crème", kTestWindowProgram},
        {{"--title", std::string(300, 'x')}, std::string(255, 'x'), kTestWindowProgram},
        // Two-byte characters: 255 bytes would end in half an "é".
        {{"--title", Repeat("é", 150)}, Repeat("é", 127), kTestWindowProgram},
        // Three-byte characters fit exactly.
        {{"--title", Repeat("€", 100)}, Repeat("€", 85), kTestWindowProgram},
        // Four-byte characters after one ASCII byte: 1 + 63 * 4 = 253.
        {{"--title", "a" + Repeat("😀", 70)}, "a" + Repeat("😀", 63), kTestWindowProgram},
        // No title at all: the untitled record.
        {{}, "-", "-"},
    };
    std::string expected;
    int tick = 1;
    for (const Case& c : cases) {
        ActivateAt(TickAt(tick) - 2000, StartWindow(c.args));
        expected += Window(TickAt(tick), c.recorded, c.application);
        ++tick;
    }
    CloseAt(TickAt(tick - 1) + 100);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(TickAt(tick - 1) + 500), expected);
}

TEST_F(X11DesktopTest, WithoutAWindowManagerTheFocusedTopLevelWindowIsTheForeground) {
    StartSession(X11Session::Manager::kNone);
    const unsigned long left = StartWindow({"--title", "Left", "--at", "0,0"}, "left");
    const unsigned long right = StartWindow({"--title", "Right", "--at", "600,0"}, "right");
    X11Session* s = session_.get();
    hosted::At(TickAt(1) - 2000, [s, left] { EXPECT_TRUE(s->Focus(left)); });
    hosted::At(TickAt(2) - 2000, [s, right] { EXPECT_TRUE(s->Focus(right)); });
    // No focus at all: the foreground is no window, which gives the untitled record.
    hosted::At(TickAt(3) - 2000, [s] { EXPECT_TRUE(s->Focus(0)); });
    // The focus following the pointer: the window under it.
    hosted::At(TickAt(4) - 2000, [s] { EXPECT_TRUE(s->MovePointer(100, 100) && s->Focus(1)); });
    hosted::At(TickAt(5) - 2000, [s] { EXPECT_TRUE(s->MovePointer(700, 100)); });
    CloseAt(TickAt(5) + 100);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(TickAt(5) + 500), Window(TickAt(1), "Left", "left") + Window(TickAt(2), "Right", "right") +
                                            Window(TickAt(3), "-", "-") + Window(TickAt(4), "Left", "left") +
                                            Window(TickAt(5), "Right", "right"));
}

TEST_F(X11DesktopTest, TheProgramIsADashWhereItsProcessCannotBeSeen) {
    StartSession();
    // A process that has ended: its id names no program any more.
    Child ended = Spawn({"true"}, "");
    const pid_t endedPid = ended.pid;
    ASSERT_EQ(WaitForExit(ended, 5000), 0);
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    struct Case {
        std::vector<std::string> args;
        std::string program;
        std::string application;
    };
    const Case cases[] = {
        {{"--title", "Stale", "--pid", std::to_string(endedPid)}, "", "-"},
        {{"--title", "No process id", "--no-pid"}, "", "-"},
        // Shown here from another machine: the id is one of that machine's.
        {{"--title", "Remote", "--machine", "elsewhere.example.org"}, "", "-"},
        {{"--title", "Fully named host", "--machine", std::string(host) + ".example.org"}, "", kTestWindowProgram},
        {{"--title", "Umlaut program"}, "büro tool", "büro tool"},
        // Replaced while it runs (an upgrade): still the program's own name.
        {{"--title", "Upgraded"}, "old-version", "old-version"},
    };
    std::string expected;
    int tick = 1;
    for (const Case& c : cases) {
        ActivateAt(TickAt(tick) - 2000, StartWindow(c.args, c.program));
        expected += Window(TickAt(tick), c.args[1], c.application);
        ++tick;
    }
    ASSERT_EQ(unlink(session_->ProgramPath("old-version").c_str()), 0);
    CloseAt(TickAt(tick - 1) + 100);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(TickAt(tick - 1) + 500), expected);
}

// Run as root, a process may look into every other: the tracker then runs
// as an ordinary user (nobody), as a person's tracker does, and meets a
// window of its own user's program and one of root's. Without root, the
// first process of the system stands in for another user's, when it is one.
TEST_F(X11DesktopTest, AProgramOfAnotherUserIsADashAndOneOfTheSameUserIsNamed) {
    const bool root = geteuid() == 0;
    char link[256];
    if (!root && readlink("/proc/1/exe", link, sizeof link) >= 0)
        GTEST_SKIP() << "needs root, or a process 1 of another user, to show another user's window";
    StartSession(X11Session::Manager::kOpenbox, /*connect=*/false);
    const uid_t sameUser = root ? kNobody : static_cast<uid_t>(-1);
    const unsigned long own = StartWindow({"--title", "My notes"}, "editor", sameUser);
    const unsigned long other = root ? StartWindow({"--title", "Administration"}, "admin tool")
                                     : StartWindow({"--title", "Administration", "--pid", "1"});
    ASSERT_EQ(chmod(dir_.path().c_str(), 0777), 0);

    const pid_t tracker = fork();
    ASSERT_GE(tracker, 0);
    if (tracker == 0) {
        // The child is the tracking user's program; nothing of the test
        // process's own must run in it (no test results, no destructors).
        if (root && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
        hosted::ResetDesktop();
        ResetProgramState();
        if (!hosted::UseX11Desktop(session_->DisplayName().c_str())) _exit(4);
        X11Session* s = session_.get();
        hosted::At(TickAt(1) - 2000, [s, own] { s->Activate(own); });
        hosted::At(TickAt(2) - 2000, [s, other] { s->Activate(other); });
        CloseAt(TickAt(2) + 100);
        const int code = RunProgram();
        const int handles = hosted::OpenProcessHandles();
        hosted::ResetDesktop();
        _exit(code == 0 && handles == 0 ? 0 : 5);
    }
    int status = 0;
    ASSERT_EQ(waitpid(tracker, &status, 0), tracker);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Sampled(TickAt(2) + 500),
              Window(TickAt(1), "My notes", "editor") + Window(TickAt(2), "Administration", "-"));
}

TEST_F(X11DesktopTest, TheScreenSaverForcedOnIsRecordedOnce) {
    StartSession();
    const unsigned long editor = StartWindow({"--title", "notes.txt – Editor"}, "editor");
    const unsigned long browser = StartWindow({"--title", "News - Browser"}, "web browser");
    X11Session* s = session_.get();
    ActivateAt(TickAt(1) - 2000, editor);
    hosted::At(TickAt(2) - 3000, [s] { EXPECT_TRUE(s->ForceScreenSaver(true)); });
    hosted::At(TickAt(4) - 3000, [s] { EXPECT_TRUE(s->ForceScreenSaver(false)); });
    ActivateAt(TickAt(5) - 3000, browser);
    CloseAt(TickAt(5) + 100);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(TickAt(5) + 500), Window(TickAt(1), "notes.txt – Editor", "editor") +
                                            Window(TickAt(2), "Screensaver active", "-") +
                                            Window(TickAt(5), "News - Browser", "web browser"));
}

// A picture's colour at a point, from the committed bitmap (24 bits,
// bottom-up rows padded to four bytes).
long BitmapPixel(const char* file, int x, int y) {
    const std::string bmp = ReadFile(std::string(HORALUX_RES_DIR "/") + file);
    if (bmp.size() < 54) return -2;
    const auto u32 = [&bmp](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 3])) << 24;
    };
    const std::size_t pixels = u32(10), width = u32(18), height = u32(22);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    const std::size_t at = pixels + (height - 1 - static_cast<std::size_t>(y)) * stride + static_cast<std::size_t>(x) * 3;
    if (at + 3 > bmp.size()) return -2;
    return static_cast<long>(static_cast<unsigned char>(bmp[at + 2])) << 16 |
           static_cast<long>(static_cast<unsigned char>(bmp[at + 1])) << 8 |
           static_cast<long>(static_cast<unsigned char>(bmp[at]));
}

TEST_F(X11DesktopTest, TheSplashShowsItsPictureCentredForFiveSecondsThenHides) {
    StartSession();
    X11Session* s = session_.get();
    X11Session::Geometry during{}, after{};
    std::vector<long> shown, expected;
    const int points[][2] = {{0, 0}, {178, 102}, {355, 204}, {60, 150}, {300, 20}};
    hosted::At(kStartMs / 2, [&] {
        const unsigned long splash = s->FindWindowTitled(kProductTitle);
        during = s->Describe(splash);
        for (const auto& p : points) {
            shown.push_back(s->PixelAt(splash, p[0], p[1]));
            expected.push_back(BitmapPixel("splash.bmp", p[0], p[1]));
        }
    });
    hosted::At(kStartMs + 100, [&] { after = s->Describe(s->FindWindowTitled(kProductTitle)); });
    CloseAt(kStartMs + 200);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(during.viewable);
    EXPECT_EQ(during.x, (s->Width() - 356) / 2);
    EXPECT_EQ(during.y, (s->Height() - 205) / 2);
    EXPECT_EQ(during.width, 356);
    EXPECT_EQ(during.height, 205);
    EXPECT_EQ(shown, expected) << "the picture, its last column cut";
    EXPECT_TRUE(after.exists) << "the window stays for the instance check";
    EXPECT_TRUE(after.topLevel);
    EXPECT_FALSE(after.viewable);
}

TEST_F(X11DesktopTest, ASecondCopyFindsTheFirstOnesWindowAndDoesNotStart) {
    StartSession();
    const unsigned long editor = StartWindow({"--title", "notes.txt – Editor"}, "editor");
    ActivateAt(TickAt(1) - 2000, editor);
    const std::string display = session_->DisplayName();
    int secondExit = -2;
    bool secondTouchedFiles = true;
    hosted::At(TickAt(1) + 100, [&] {
        TempWorkDir other;  // the second copy's own working folder
        Child second = Spawn({HORALUX_TRACKER}, display);
        secondExit = WaitForExit(second, 30000);
        EndChild(second);
        secondTouchedFiles = CountEntries(other.path()) != 0;
    });
    CloseAt(TickAt(2) + 100);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(secondExit, 0);
    EXPECT_FALSE(secondTouchedFiles);
    EXPECT_EQ(Sampled(TickAt(2) + 500), Window(TickAt(1), "notes.txt – Editor", "editor"));
}

TEST_F(X11DesktopTest, AnotherProgramsWindowWithAProductTitleAlsoPreventsTheStart) {
    StartSession();
    StartWindow({"--title", "Quarterly report - Horalux Pro.ods"}, "office");
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(CountEntries("."), 0) << "no file may be touched";
    EXPECT_EQ(session_->FindWindowTitled(kProductTitle), 0u) << "no window may be made";
}

TEST_F(X11DesktopTest, TheSessionsCloseRequestEndsTrackingWithTheQuitRecord) {
    StartSession();
    const unsigned long editor = StartWindow({"--title", "notes.txt – Editor"}, "editor");
    ActivateAt(TickAt(1) - 2000, editor);
    X11Session* s = session_.get();
    const std::int64_t closeAt = JustAfterSecond(TickAt(2));
    hosted::At(closeAt, [s] { EXPECT_TRUE(s->RequestClose(s->FindWindowTitled(kProductTitle))); });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(closeAt), Window(TickAt(1), "notes.txt – Editor", "editor"));
}

TEST_F(X11DesktopTest, TheEndOfTheXServerEndsTrackingWithTheQuitRecord) {
    StartSession();
    const unsigned long editor = StartWindow({"--title", "notes.txt – Editor"}, "editor");
    ActivateAt(TickAt(1) - 2000, editor);
    X11Session* s = session_.get();
    const std::int64_t killAt = JustAfterSecond(TickAt(2));
    hosted::At(killAt, [s] { s->KillServer(); });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_FALSE(hosted::UsesX11Desktop());
    EXPECT_EQ(Sampled(killAt), Window(TickAt(1), "notes.txt – Editor", "editor"));
}

// What a user does with the tray icon's menu, as planned actions: once the
// menu is open, a click on the item with this text. The texts of each menu
// seen go to `seen` ("-" for a separator).
void ChooseFromMenu(X11Session* s, const std::string& text, std::vector<std::vector<std::string>>* seen,
                    int patience = 400) {
    hosted::After(100, [=] {
        const std::vector<hosted::ShownMenuItem> items = hosted::ShownMenu();
        if (items.empty()) {
            // Not open yet: the program opens it at a pass of its loop.
            if (patience > 0) ChooseFromMenu(s, text, seen, patience - 1);
            else ADD_FAILURE() << "the menu did not open for " << text;
            return;
        }
        std::vector<std::string> texts;
        const hosted::ShownMenuItem* target = nullptr;
        for (const hosted::ShownMenuItem& item : items) {
            texts.push_back(item.text.empty() ? "-" : item.text);
            if (item.text == text) target = &item;
        }
        seen->push_back(texts);
        ASSERT_NE(target, nullptr) << text;
        EXPECT_TRUE(s->Click(target->x + target->width / 2, target->y + target->height / 2, 1));
    });
}

TEST_F(X11DesktopTest, TheTrayIconDocksAndItsMenuPausesContinuesMakesTheProtocolAndQuits) {
    REQUIRE_X11_PROGRAMS("trayer");
    StartSession(X11Session::Manager::kOpenbox, /*connect=*/false);
    ASSERT_TRUE(session_->StartTrayHost()) << "trayer did not take the tray";
    ASSERT_TRUE(hosted::UseX11Desktop(session_->DisplayName().c_str()));
    const unsigned long editor = StartWindow({"--title", "notes.txt – Editor"}, "editor");
    ActivateAt(TickAt(1) - 2000, editor);
    X11Session* s = session_.get();
    std::vector<std::vector<std::string>> menus;
    std::vector<long> iconPixels;
    bool docked = false;
    const auto rightClickIcon = [s, &iconPixels](bool lookAtIt) {
        const unsigned long icon = s->FindTrayIcon();
        const X11Session::Geometry g = s->Describe(icon);
        if (lookAtIt) iconPixels.push_back(s->PixelAt(icon, g.width / 2, g.height / 2 + 1));
        EXPECT_TRUE(s->ClickCentre(icon, 3));
        EXPECT_TRUE(hosted::AwaitX11Event(ButtonPress, 5000)) << "the click reaches the program";
    };
    const std::int64_t t1 = TickAt(1) + 100, step = 60000;
    // The tray host repaints around the icon when a menu closes, on its own
    // time; a second before each look, real time is given for that repaint's
    // Expose to arrive, so that the passes in between let the program redraw.
    for (int n = 0; n < 3; ++n)
        hosted::At(t1 + n * step - 1000, [] { hosted::AwaitX11Event(Expose, 500); });
    hosted::At(t1, [&, s] {
        const unsigned long icon = s->FindTrayIcon();
        docked = icon != 0 && s->Describe(icon).viewable;
        rightClickIcon(true);
        ChooseFromMenu(s, "Pause", &menus);
    });
    hosted::At(t1 + step, [&, s] {
        rightClickIcon(true);
        ChooseFromMenu(s, "Continue", &menus);
    });
    hosted::At(t1 + 2 * step, [&, s] {
        rightClickIcon(true);
        ChooseFromMenu(s, "Create current protocol", &menus);
    });
    hosted::At(t1 + 3 * step, [&, s] {
        rightClickIcon(false);
        ChooseFromMenu(s, "Quit", &menus);
    });
    EXPECT_EQ(RunProgram(), 0);

    EXPECT_TRUE(docked) << "the icon sits in the tray host";
    const std::vector<std::string> tracking = {"About", "-", "Create current protocol", "Open protocol folder",
                                               "-", "Pause", "-", "Quit"};
    std::vector<std::string> paused = tracking;
    paused[5] = "Continue";
    EXPECT_EQ(menus, (std::vector<std::vector<std::string>>{tracking, paused, tracking, tracking}));
    ASSERT_EQ(iconPixels.size(), 3u);
    EXPECT_NE(iconPixels[1], iconPixels[0]) << "the paused icon shows while paused";
    EXPECT_EQ(iconPixels[2], iconPixels[0]) << "and the tracking icon again after Continue";
    std::vector<DWORD> requests;
    for (const hosted::TrayCall& call : hosted::TrayCalls())
        if (call.result) requests.push_back(call.message);
    EXPECT_EQ(requests, (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_MODIFY, NIM_DELETE}));
    EXPECT_TRUE(FileExists("Protocols/2026/January/2026-01-05_detail.csv"));
    EXPECT_TRUE(FileExists("Protocols/2026/January/2026-01-05_stat.csv"));
    const std::string journal = Journal();
    EXPECT_NE(journal.find("\nnotes.txt – Editor\neditor\n"), std::string::npos) << journal;
    EXPECT_NE(journal.find("\nTracking interrupted\n"), std::string::npos) << "the pause is a gap";
    EXPECT_TRUE(journal.size() > 40 && journal.find("\nTracking quit\n-\n", journal.size() - 40) != std::string::npos)
        << "the quit record ends the journal: " << journal;
    EXPECT_EQ(s->FindTrayIcon(), 0u) << "Quit removes the icon";
}

TEST_F(X11DesktopTest, WithoutATrayHostTheProgramTracksAndItsIconDocksWhenOneStarts) {
    REQUIRE_X11_PROGRAMS("trayer");
    StartSession();
    const unsigned long editor = StartWindow({"--title", "notes.txt – Editor"}, "editor");
    const unsigned long browser = StartWindow({"--title", "News - Browser"}, "web browser");
    ActivateAt(TickAt(1) - 2000, editor);
    ActivateAt(TickAt(3) - 2000, browser);
    X11Session* s = session_.get();
    unsigned long iconBefore = 1, iconAfter = 0;
    hosted::At(TickAt(2), [s, &iconBefore] {
        iconBefore = s->FindTrayIcon();
        EXPECT_TRUE(s->StartTrayHost());
        EXPECT_TRUE(hosted::AwaitX11Event(ClientMessage, 5000)) << "the tray host's announcement reaches the program";
    });
    hosted::At(TickAt(3) + 100, [s, &iconAfter] { iconAfter = s->FindTrayIcon(); });
    CloseAt(TickAt(3) + 200);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Sampled(TickAt(3) + 500), Window(TickAt(1), "notes.txt – Editor", "editor") +
                                            Window(TickAt(3), "News - Browser", "web browser"));
    EXPECT_EQ(iconBefore, 0u);
    EXPECT_NE(iconAfter, 0u) << "the program adds its icon when the tray host comes";
    ASSERT_GE(hosted::TrayCalls().size(), 2u);
    EXPECT_EQ(hosted::TrayCalls()[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_FALSE(hosted::TrayCalls()[0].result) << "no tray host at the end of the splash";
    EXPECT_EQ(hosted::TrayCalls()[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(hosted::TrayCalls()[1].result);
}

// Once the About dialog is on the screen, `act` runs with it.
void WhenAboutShown(X11Session* s, std::function<void(HWND, unsigned long)> act, int patience = 400) {
    hosted::After(100, [=] {
        const HWND dialog = hosted::ActiveDialog();
        const unsigned long window = dialog != nullptr ? s->FindWindowTitled("About") : 0;
        if (window == 0 || !s->Describe(window).viewable) {
            if (patience > 0) WhenAboutShown(s, act, patience - 1);
            else ADD_FAILURE() << "the About dialog did not come up";
            return;
        }
        act(dialog, window);
    });
}

TEST_F(X11DesktopTest, AboutFromTheTrayMenuIsAWindowWhoseLinkOpensWithTheDesktopsOpener) {
    REQUIRE_X11_PROGRAMS("trayer");
    StartSession(X11Session::Manager::kOpenbox, /*connect=*/false);
    ASSERT_TRUE(session_->StartTrayHost());
    ASSERT_TRUE(hosted::UseX11Desktop(session_->DisplayName().c_str()));
    // A stand-in for xdg-open that notes what it was asked to open.
    MakeFolder("bin");
    const std::string opened = dir_.path() + "/opened.txt";
    WriteFile("bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + opened + "'\n");
    ASSERT_EQ(chmod("bin/xdg-open", 0755), 0);
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (dir_.path() + "/bin:" + path).c_str(), 1);

    X11Session* s = session_.get();
    std::vector<std::vector<std::string>> menus;
    long picturePixel = -1;
    X11Session::Geometry shown{};
    hosted::At(TickAt(1) + 100, [&, s] {
        EXPECT_TRUE(s->ClickCentre(s->FindTrayIcon(), 3));
        EXPECT_TRUE(hosted::AwaitX11Event(ButtonPress, 5000));
        ChooseFromMenu(s, "About", &menus);
        WhenAboutShown(s, [&, s](HWND dialog, unsigned long window) {
            shown = s->Describe(window);
            // The picture control sits at 4, 3 dialog units: 7, 5 pixels.
            picturePixel = s->PixelAt(window, 7 + 20, 5 + 30);
            RECT link{};
            ASSERT_TRUE(hosted::ControlOnScreen(GetDlgItem(dialog, IDC_LINK_URL), &link));
            EXPECT_TRUE(s->Click((link.left + link.right) / 2, (link.top + link.bottom) / 2, 1));
        });
    });
    CloseAt(TickAt(1) + 60000);
    EXPECT_EQ(RunProgram(), 0);
    setenv("PATH", path.c_str(), 1);

    EXPECT_TRUE(shown.viewable);
    EXPECT_EQ(shown.width, 345 * 7 / 4);
    EXPECT_EQ(shown.height, 166 * 15 / 8);
    EXPECT_EQ(picturePixel, BitmapPixel("about.bmp", 20, 30)) << "the About picture";
    ASSERT_EQ(hosted::DialogCalls().size(), 1u);
    EXPECT_EQ(hosted::DialogCalls()[0].result, IDC_LINK_URL) << "the link ends the dialog";
    EXPECT_EQ(session_->FindWindowTitled("About"), 0u) << "its window ends with it";
    std::string asked;
    for (int i = 0; i < 500 && asked.empty(); ++i) {
        asked = ReadFile(opened);
        if (asked.empty()) usleep(10000);  // the opener runs on its own
    }
    EXPECT_EQ(asked, std::string(HX_WEB_ADDRESS) + "\n");
}

TEST_F(X11DesktopTest, AnErrorMessageIsAWindowOfTheDesktopWhileTheUserReadsIt) {
    StartSession();
    hosted::FailOpen("tmp/tmp.dat");  // the start record can't be written
    hosted::SetMessageBoxHold(3000);
    X11Session* s = session_.get();
    X11Session::Geometry box{};
    hosted::At(kStartMs + 1000, [s, &box] { box = s->Describe(s->FindWindowTitled("Error")); });
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(box.viewable) << "the box is on the screen while it is open";
    EXPECT_GT(box.width, 240 - 1);
    ASSERT_EQ(hosted::MessageBoxes().size(), 2u) << "the start and the quit record";
    EXPECT_EQ(hosted::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(session_->FindWindowTitled("Error"), 0u) << "and gone once dismissed";
}

// The hosted layer's own windows on the server, without the program.
TEST_F(X11DesktopTest, OwnWindowsAreShownHiddenAndEnumeratedUnderTheirOwnHandles) {
    StartSession();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = hosted::ModuleInstance();
    wc.lpszClassName = "Probe";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), session_->Width());
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), session_->Height());
    HWND probe = CreateWindowExA(0, "Probe", "Probe window", WS_POPUP, 100, 50, 356, 205, nullptr, nullptr,
                                 hosted::ModuleInstance(), nullptr);
    ASSERT_NE(probe, nullptr);
    const unsigned long xid = session_->FindWindowTitled("Probe window");
    ASSERT_NE(xid, 0u);
    EXPECT_FALSE(session_->Describe(xid).viewable);

    ShowWindow(probe, SW_SHOW);
    X11Session::Geometry g = session_->Describe(xid);
    EXPECT_TRUE(g.viewable) << "on the screen when ShowWindow returns";
    EXPECT_EQ(g.x, 100);
    EXPECT_EQ(g.y, 50);
    EXPECT_EQ(g.width, 356);
    EXPECT_EQ(g.height, 205);

    ShowWindow(probe, SW_HIDE);
    g = session_->Describe(xid);
    EXPECT_TRUE(g.exists);
    EXPECT_FALSE(g.viewable) << "off the screen when ShowWindow returns";
    EXPECT_TRUE(g.topLevel) << "handed back to the root by the window manager when ShowWindow returns";

    const unsigned long foreign = StartWindow({"--title", "Foreign"});
    struct Seen {
        std::vector<HWND> handles;
        std::vector<std::string> titles;
    } seen;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            Seen* s = reinterpret_cast<Seen*>(param);
            char title[256];
            GetWindowTextA(hwnd, title, sizeof title);
            s->handles.push_back(hwnd);
            s->titles.push_back(title);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    int probes = 0, foreigners = 0;
    for (std::size_t i = 0; i < seen.handles.size(); ++i) {
        if (seen.titles[i] == "Probe window") {
            ++probes;
            EXPECT_EQ(seen.handles[i], probe) << "the program's window under its own handle";
        }
        if (seen.titles[i] == "Foreign") {
            ++foreigners;
            EXPECT_TRUE(IsWindow(seen.handles[i]));
            DWORD pid = 0;
            EXPECT_NE(GetWindowThreadProcessId(seen.handles[i], &pid), 0u);
            EXPECT_EQ(static_cast<pid_t>(pid), session_->WindowProcess(foreign));
        }
    }
    EXPECT_EQ(probes, 1) << "the hidden window is a top-level window too";
    EXPECT_EQ(foreigners, 1);

    EXPECT_TRUE(DestroyWindow(probe));
    EXPECT_FALSE(session_->Describe(xid).exists);
}

// The live tracker, as the README's run command starts it: it says once
// which desktop it tracks, and SIGTERM ends it with its closing records.
TEST_F(X11DesktopTest, TheLiveTrackerTracksTheDisplayThatDisplayNamesOrAnEmptyDesktop) {
    StartSession(X11Session::Manager::kOpenbox, /*connect=*/false);
    struct Case {
        std::string display;
        std::string told;
        bool window;
    };
    const Case cases[] = {
        {session_->DisplayName(), "Horalux is tracking the X11 desktop " + session_->DisplayName(), true},
        {"", "Horalux: DISPLAY is not set; tracking an empty desktop", false},
        {":65000", "Horalux: the X display named by DISPLAY can't be reached; tracking an empty desktop", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display);
        TempWorkDir folder;
        // Standard error on the pipe, to read what it says.
        Child tracker = Spawn({"/bin/sh", "-c", std::string("exec \"$0\" 2>&1"), HORALUX_TRACKER}, c.display);
        ASSERT_GT(tracker.pid, 0);
        std::string told;
        char ch = 0;
        while (read(tracker.output, &ch, 1) == 1 && ch != '\n') told += ch;
        EXPECT_EQ(told.substr(0, c.told.size()), c.told) << told;
        if (c.window) { EXPECT_NE(session_->WaitForWindowTitled(kProductTitle, true, 10000), 0u); }
        kill(tracker.pid, SIGTERM);
        EXPECT_EQ(WaitForExit(tracker, 30000), 0);
        EndChild(tracker);
        const std::string journal = Journal();
        EXPECT_NE(journal.find("\nTracking started\n-\n"), std::string::npos) << journal;
        EXPECT_NE(journal.find("\nTracking quit\n-\n"), std::string::npos) << journal;
        if (c.window) { EXPECT_EQ(session_->FindWindowTitled(kProductTitle), 0u) << "its window ends with it"; }
    }
}

}  // namespace
