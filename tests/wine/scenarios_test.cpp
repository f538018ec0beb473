// The real horalux.exe under Wine, in a virtual X display, driven by our own
// driver.exe as the user and the rest of the desktop, and judged by the same
// checkers as the hosted suite.
//
// Real time passes here: the program ticks every ten seconds and shows its
// splash for five. The scenarios therefore wait for files and windows rather
// than for fixed times, and each scenario has its own Wine prefix and X
// display, so that CTest can run them side by side. Where Wine or Xvfb is
// missing they are skipped with a message, except under CI, where that fails.
#include "app/main_window.h"
#include "checkers/journal_check.h"
#include "checkers/protocol_model.h"
#include "checkers/sample_day.h"
#include "resource.h"
#include "wine/wine_desktop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <thread>
#include <utility>

#ifndef HORALUX_EXE
#define HORALUX_EXE "build/windows/src/horalux.exe"
#endif
#ifndef HORALUX_WINE_DRIVER
#define HORALUX_WINE_DRIVER "build/windows/tests/wine/driver.exe"
#endif
#ifndef HORALUX_WINE_STATE
#define HORALUX_WINE_STATE "build/wine-checks"
#endif
#ifndef HORALUX_SOURCE_DIR
#define HORALUX_SOURCE_DIR "."
#endif

namespace {

namespace fs = std::filesystem;
using namespace wine_checks;
using checkers::JournalEntry;

constexpr char kGermanDate[] = "dd.MM.yyyy";
constexpr char kFilesFatal[] = "The protocol files can't be opened.\n\nThe application is terminated.";
constexpr char kModule[] = "driver.exe";  // the module name of the driver's windows
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kSplashWidth = 356;
constexpr int kSplashHeight = 205;

// A tick comes at most about 10.3 s after the previous one; the first one as
// long after the start record.
constexpr milliseconds kTickWait{14000};
constexpr milliseconds kStartWait{25000};  // Wine's start and the five-second splash
constexpr milliseconds kEndWait{10000};

using Pair = std::pair<std::string, std::string>;  // title, application

std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

bool InCi() {
    const std::string ci = Env("CI", "");
    return !ci.empty() && ci != "false" && ci != "0";
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

int SecondOfDay(const std::tm& t) {
    return t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
}

// A date in one of the two short date pictures the scenarios use.
std::string DateText(int day, int month, int year, const std::string& picture) {
    char text[32];
    if (picture == kGermanDate)
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
    else
        std::snprintf(text, sizeof text, "%d.%d.%d", day, month, year);
    return text;
}

std::string TimeText(int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
    return text;
}

// Every file below a folder with its bytes and its modification time.
std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot(const std::string& folder) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[fs::relative(entry.path(), folder).string()] = {
            entry.is_regular_file() ? ReadBytes(entry.path().string()) : "<folder>", entry.last_write_time()};
    return files;
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.insert(fs::relative(entry.path(), folder).string());
    return names;
}

// The splash picture's pixel as RRGGBB, counted from its top left corner.
class Bitmap {
public:
    explicit Bitmap(const std::string& path) : bytes_(ReadBytes(path)) {
        if (bytes_.size() < 54 || bytes_.compare(0, 2, "BM") != 0) throw ScenarioError("no bitmap: " + path);
        offset_ = Number(10);
        width_ = Number(18);
        height_ = Number(22);
        if (Number(28) % 65536 != 24) throw ScenarioError("not a 24-bit bitmap: " + path);
    }
    int Width() const { return static_cast<int>(width_); }
    int Height() const { return static_cast<int>(height_); }
    std::string Pixel(int x, int y) const {
        const std::size_t stride = (width_ * 3 + 3) / 4 * 4;
        const std::size_t at = offset_ + (height_ - 1 - static_cast<std::size_t>(y)) * stride + static_cast<std::size_t>(x) * 3;
        char text[8];
        std::snprintf(text, sizeof text, "%02X%02X%02X", Byte(at + 2), Byte(at + 1), Byte(at));
        return text;
    }

private:
    unsigned Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_.at(at)); }
    std::size_t Number(std::size_t at) const {
        return Byte(at) | Byte(at + 1) << 8 | Byte(at + 2) << 16 | static_cast<std::size_t>(Byte(at + 3)) << 24;
    }
    std::string bytes_;
    std::size_t offset_ = 0, width_ = 0, height_ = 0;
};

class WineScenario : public ::testing::Test {
protected:
    void SetUp() override {
        setup_.horaluxExe = Env("HORALUX_EXE", HORALUX_EXE);
        setup_.driverExe = Env("HORALUX_WINE_DRIVER", HORALUX_WINE_DRIVER);
        setup_.stateDir = Env("HORALUX_WINE_STATE", HORALUX_WINE_STATE);
        const std::string missing = FindSetup(&setup_);
        if (!missing.empty()) {
            const std::string why = "the checks of horalux.exe under Wine need " + missing +
                                    " (install: bash .ci/install-packages; build: cmake --preset windows && "
                                    "cmake --build --preset windows)";
            if (InCi()) FAIL() << "CI runs every check, and " << why;
            GTEST_SKIP() << "skipped: " << why;
        }
        WaitPastMidnight();
        EnsureTemplatePrefix(setup_);
    }

    void TearDown() override {
        if (!desktop_) return;
        const bool failed = HasFailure();
        if (failed)
            std::cout << "--- transcript\n" << desktop_->Transcript() << desktop_->Logs()
                      << "--- files kept in " << desktop_->Folder() << "\n";
        WineDesktop* desktop = desktop_.get();
        const std::string folder = desktop->Folder();
        desktop_.reset();  // stops everything the scenario started
        std::error_code ignored;
        fs::remove_all(failed ? folder + "/prefix" : folder, ignored);
    }

    // A scenario that would reach midnight would see a day rollover of its own.
    static void WaitPastMidnight() {
        const int left = 24 * 3600 - SecondOfDay(LocalNow());
        if (left > 150) return;
        std::cout << "waiting " << left + 2 << " s for the new day" << std::endl;
        std::this_thread::sleep_for(std::chrono::seconds(left + 2));
    }

    void Start(const std::string& shortDate = kGermanDate) {
        shortDate_ = shortDate;
        firstSecond_ = SecondOfDay(LocalNow());
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        desktop_ = std::make_unique<WineDesktop>(setup_, name, shortDate);
    }

    WineDesktop& Desktop() { return *desktop_; }
    std::string Do(const std::string& command, milliseconds limit = milliseconds(15000)) {
        return desktop_->Do(command, limit);
    }
    std::string Path(const std::string& relative) const { return desktop_->WorkDir() + "/" + relative; }
    std::string Read(const std::string& relative) const { return ReadBytes(Path(relative)); }

    std::string Today() const {
        const std::tm now = LocalNow();
        return DateText(now.tm_mday, now.tm_mon + 1, now.tm_year + 1900, shortDate_);
    }

    // Opens the driver's windows and brings the first to the front.
    void OpenWindows(const std::vector<std::pair<std::string, std::string>>& windows) {
        for (const auto& window : windows) Do("open " + window.first + " " + window.second);
        Do("front " + windows.front().first);
    }

    // Polls the journal until it holds at least `count` whole records.
    std::vector<JournalEntry> WaitForRecords(std::size_t count, milliseconds limit) {
        const Clock::time_point deadline = Clock::now() + limit;
        std::vector<JournalEntry> entries;
        for (;;) {
            const std::string fault = checkers::ParseJournal(Read("tmp/tmp.dat"), &entries);
            if (fault.empty() && entries.size() >= count) {
                desktop_->Note("journal: " + std::to_string(entries.size()) + " records, last \"" +
                               entries.back().title + "\"");
                return entries;
            }
            if (Clock::now() >= deadline)
                throw ScenarioError("the journal did not reach " + std::to_string(count) + " records within " +
                                    std::to_string(limit.count() / 1000) + " s: \"" + Read("tmp/tmp.dat") + "\"");
            std::this_thread::sleep_for(milliseconds(100));
        }
    }

    // Polls a file of the working folder until its bytes are no longer `before`.
    void WaitForChange(const std::string& relative, const std::string& before, milliseconds limit) {
        const Clock::time_point deadline = Clock::now() + limit;
        while (Read(relative) == before) {
            if (Clock::now() >= deadline)
                throw ScenarioError(relative + " did not change within " + std::to_string(limit.count() / 1000) + " s");
            std::this_thread::sleep_for(milliseconds(100));
        }
        desktop_->Note(relative + " changed");
    }

    // Waits for a process to end and returns its exit status.
    int WaitForExit(ChildProcess& program, milliseconds limit) {
        const std::optional<int> status = program.WaitFor(limit);
        if (!status)
            throw ScenarioError("horalux.exe did not end within " + std::to_string(limit.count() / 1000) + " s");
        desktop_->Note("horalux.exe ended with " + std::to_string(*status));
        return *status;
    }

    // The journal's records, once it has been found valid for today.
    std::vector<JournalEntry> ValidJournal() {
        const std::string bytes = Read("tmp/tmp.dat");
        EXPECT_EQ(checkers::CheckJournal(bytes, Today()), "") << bytes;
        std::vector<JournalEntry> entries;
        checkers::ParseJournal(bytes, &entries);
        return entries;
    }
    static std::vector<Pair> TitlesAndPrograms(const std::vector<JournalEntry>& entries) {
        std::vector<Pair> pairs;
        for (const JournalEntry& entry : entries) pairs.emplace_back(entry.title, entry.application);
        return pairs;
    }

    // The journal is valid for today and holds exactly these records, with
    // German times of this run in order. Returns its records.
    std::vector<JournalEntry> ExpectJournal(const std::vector<Pair>& expected) {
        const std::vector<JournalEntry> entries = ValidJournal();
        EXPECT_EQ(TitlesAndPrograms(entries), expected);
        ExpectTimesOfThisRun(entries);
        return entries;
    }

    void ExpectTimesOfThisRun(const std::vector<JournalEntry>& entries) {
        const int last = SecondOfDay(LocalNow());
        int previous = firstSecond_ - 1;
        for (const JournalEntry& entry : entries) {
            const int second = checkers::GermanTimeSeconds(entry.time);
            EXPECT_GE(second, previous) << entry.time << " (" << entry.title << ") is no later time of this run";
            EXPECT_LE(second, last + 1) << entry.time << " (" << entry.title << ") lies in the future";
            previous = second;
        }
    }

    // The heartbeat names today and the time of the last record (the quit).
    void ExpectHeartbeatOf(const JournalEntry& last) {
        std::string time;
        EXPECT_EQ(checkers::CheckHeartbeat(Read("tmp/tmp.tsp"), Today(), &time), "");
        EXPECT_EQ(time, last.time);
    }

    // No error.txt, no protocol folder: nothing but the journal files.
    void ExpectOnlyTheJournalFiles() {
        EXPECT_EQ(Entries(desktop_->WorkDir()), (std::set<std::string>{"tmp", "tmp/tmp.dat", "tmp/tmp.tsp"}));
    }

    // Wine settles some answers on its own time (the tray window repaints,
    // the activation of the next window reaches its thread as a message):
    // polls `command` until it answers `look` (or, with `same` false, no
    // longer does), for at most three seconds.
    std::string Settled(const std::string& command, const std::string& look, bool same = true) {
        const Clock::time_point deadline = Clock::now() + milliseconds(3000);
        std::string now = Do(command);
        while ((now == look) != same && Clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(100));
            now = Do(command);
        }
        return now;
    }
    std::string TrayLook(const std::string& look, bool same) { return Settled("tray-icons", look, same); }

    // The start of horalux.exe up to its start record, with the driver's first
    // window brought back to the front once the splash has gone.
    ChildProcess StartAndWaitForTheStartRecord(const std::string& frontWindow) {
        ChildProcess horalux = desktop_->StartHoralux();
        WaitForRecords(1, kStartWait);
        if (!frontWindow.empty()) Do("front " + frontWindow);
        return horalux;
    }

    WineSetup setup_;
    std::unique_ptr<WineDesktop> desktop_;
    std::string shortDate_ = kGermanDate;
    int firstSecond_ = 0;
};

const Pair kStarted{"Tracking started", "-"};
const Pair kQuit{"Tracking quit", "-"};
const Pair kInterrupted{"Tracking interrupted", "-"};

TEST_F(WineScenario, FirstStartShowsTheSplashAndTheTrayIconOpensAboutAndQuitsThroughTheMenu) {
    Start();
    OpenWindows({{"A", "notes.txt - Editor"}});
    ChildProcess horalux = Desktop().StartHoralux();

    // The splash: centred, 356 x 205, showing the splash picture, before any file.
    const std::string shown = Do("find 20000", milliseconds(25000));
    const Clock::time_point shownAt = Clock::now();
    EXPECT_EQ(shown, "1 " + std::to_string((kScreenWidth - kSplashWidth) / 2) + " " +
                         std::to_string((kScreenHeight - kSplashHeight) / 2) + " " + std::to_string(kSplashWidth) +
                         " " + std::to_string(kSplashHeight));
    EXPECT_FALSE(fs::exists(Path("tmp"))) << "files were written while the splash shows";
    EXPECT_EQ(Settled("foreground", "Horalux:Horalux"), "Horalux:Horalux") << "showing the splash activates it";
    const Bitmap splash(std::string(HORALUX_SOURCE_DIR) + "/res/splash.bmp");
    auto screenPixel = [this](int x, int y) {
        return Do("pixel " + std::to_string((kScreenWidth - kSplashWidth) / 2 + x) + " " +
                  std::to_string((kScreenHeight - kSplashHeight) / 2 + y));
    };
    // The window may be on the screen a moment before its first paint is.
    const Clock::time_point painted = Clock::now() + milliseconds(2000);
    while (screenPixel(kSplashWidth / 2, kSplashHeight / 2) != splash.Pixel(kSplashWidth / 2, kSplashHeight / 2) &&
           Clock::now() < painted)
        std::this_thread::sleep_for(milliseconds(50));
    std::string wrongPixels;
    for (int y = 10; y < kSplashHeight; y += 48)
        for (int x = 10; x < kSplashWidth; x += 86) {
            const std::string shownPixel = screenPixel(x, y);
            if (shownPixel != splash.Pixel(x, y))
                wrongPixels += " (" + std::to_string(x) + "," + std::to_string(y) + ") " + shownPixel +
                               " instead of " + splash.Pixel(x, y);
        }
    EXPECT_EQ(wrongPixels, "") << "the splash window does not show the splash picture";

    Do("hidden 15000", milliseconds(20000));
    const auto splashMs = std::chrono::duration_cast<milliseconds>(Clock::now() - shownAt).count();
    EXPECT_GE(splashMs, 4500) << "the splash stays five seconds";
    EXPECT_LE(splashMs, 8000) << "the splash stays five seconds";
    const std::string editor = "HoraluxDriverWindow:notes.txt - Editor";
    EXPECT_EQ(Settled("foreground", editor), editor)
        << "hiding the splash gives the foreground back, so the first tick sees the user's window";
    std::vector<JournalEntry> entries = WaitForRecords(1, kStartWait);
    EXPECT_NE(TrayLook("none", false), "none") << "the tray icon is shown once the splash has gone";

    // About, the first item, from the program's own dialog resource; Esc closes it.
    Do("menu 5000 down return");
    const std::string about = Do("dialog 5000 2 About");
    for (const std::string control : {"1000:Button:Close", "1002:Static:" HX_WEB_ADDRESS, "1004:Static:" HX_MAIL_ADDRESS,
                                      "-1:Static:Contact :"})
        EXPECT_NE(about.find(control), std::string::npos) << control << " in " << about;
    std::string time;
    EXPECT_EQ(checkers::CheckHeartbeat(Read("tmp/tmp.tsp"), Today(), &time), "") << "the first check stamps";

    // Quit, the last item of the tray menu, chosen with the keyboard.
    Do("menu 5000 up return");
    EXPECT_EQ(WaitForExit(horalux, kEndWait), 0);
    entries = ExpectJournal({kStarted, kQuit});
    if (!entries.empty()) ExpectHeartbeatOf(entries.back());
    ExpectOnlyTheJournalFiles();
    EXPECT_EQ(TrayLook("none", true), "none") << "Quit removes the tray icon";
}

TEST_F(WineScenario, SwitchingWindowsGivesOneRecordPerChangeWithTheDriversModuleName) {
    Start();
    // 8-bit titles as Windows-1252, the ANSI code page of German settings.
    const std::string mail = "\xDC" "bersicht M\xE4rz %s - Mail";
    OpenWindows({{"A", "notes.txt - Editor"}, {"B", mail}, {"C", "Command Prompt"}});
    ChildProcess horalux = StartAndWaitForTheStartRecord("A");

    WaitForRecords(2, kTickWait);  // tick 1: the editor
    Do("front B");
    WaitForRecords(3, kTickWait);  // tick 2: the mail window
    // Away and back before the next tick: tick 3 sees the window it recorded.
    Do("front A");
    Do("front B");
    std::this_thread::sleep_for(milliseconds(11500));  // past tick 3, well before tick 4
    EXPECT_EQ(WaitForRecords(3, kTickWait).size(), 3u) << "the same window twice in a row gave a record";
    Do("front C");
    WaitForRecords(4, kTickWait);  // tick 4: the prompt
    Do("close");
    EXPECT_EQ(WaitForExit(horalux, kEndWait), 0);
    const std::vector<JournalEntry> entries = ExpectJournal(
        {kStarted, {"notes.txt - Editor", kModule}, {mail, kModule}, {"Command Prompt", kModule}, kQuit});
    if (!entries.empty()) ExpectHeartbeatOf(entries.back());
    ExpectOnlyTheJournalFiles();
}

TEST_F(WineScenario, ASecondCopyEndsAtOnceAndTouchesNoFile) {
    Start();
    OpenWindows({{"A", "notes.txt - Editor"}});
    ChildProcess first = StartAndWaitForTheStartRecord("A");
    const auto before = Snapshot(Desktop().WorkDir());

    const Clock::time_point started = Clock::now();
    ChildProcess second = Desktop().StartHoralux();
    EXPECT_EQ(WaitForExit(second, kEndWait), 0);
    const auto seconds = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
    EXPECT_LT(seconds, 5000) << "the second copy did not end at once";
    EXPECT_TRUE(Snapshot(Desktop().WorkDir()) == before) << "the second copy changed the working folder";
    EXPECT_TRUE(first.Running());

    Do("close");
    EXPECT_EQ(WaitForExit(first, kEndWait), 0);
    const std::vector<JournalEntry> entries = ExpectJournal({kStarted, kQuit});
    if (!entries.empty()) ExpectHeartbeatOf(entries.back());
    ExpectOnlyTheJournalFiles();
}

TEST_F(WineScenario, CreateCurrentProtocolWritesTodaysProtocolsOfTheJournalSoFar) {
    Start();
    // Quotes and a comma in a title: one CSV field all the same.
    const std::string report = "Bericht \"Q1\", Entwurf.docx - Writer";
    OpenWindows({{"A", report}, {"B", "Inbox - Mail"}});
    ChildProcess horalux = StartAndWaitForTheStartRecord("A");
    WaitForRecords(2, kTickWait);
    Do("front B");
    WaitForRecords(3, kTickWait);

    Do("command " + std::to_string(ID_TRAY_CREATE_PROTOCOL));  // answered once the command has run
    const std::string journal = Read("tmp/tmp.dat");
    const checkers::ExpectedProtocols expected = checkers::ExpectProtocols(journal, Today());
    EXPECT_EQ(Read(expected.detailPath), expected.detail);
    EXPECT_EQ(Read(expected.statisticsPath), expected.statistics);
    EXPECT_NE(Read(expected.detailPath).find("\"Bericht \"\"Q1\"\", Entwurf.docx - Writer\",\"driver.exe\","),
              std::string::npos)
        << "the report's row, its quotes doubled";

    Do("command " + std::to_string(ID_TRAY_QUIT));
    EXPECT_EQ(WaitForExit(horalux, kEndWait), 0);
    const std::vector<JournalEntry> entries =
        ExpectJournal({kStarted, {report, kModule}, {"Inbox - Mail", kModule}, kQuit});
    if (!entries.empty()) ExpectHeartbeatOf(entries.back());
    EXPECT_FALSE(fs::exists(Path("error.txt")));
    EXPECT_EQ(Entries(Desktop().WorkDir()),
              (std::set<std::string>{"tmp", "tmp/tmp.dat", "tmp/tmp.tsp", "Protocols",
                                     fs::path(expected.folder).parent_path().string(), expected.folder,
                                     expected.detailPath, expected.statisticsPath}));
}

TEST_F(WineScenario, PauseStopsTheTicksAndContinueRecordsTheInterruption) {
    Start();
    OpenWindows({{"A", "notes.txt - Editor"}, {"B", "Inbox - Mail"}});
    ChildProcess horalux = StartAndWaitForTheStartRecord("A");
    WaitForRecords(2, kTickWait);
    const Clock::time_point tick1Seen = Clock::now();
    const std::string trackingIcon = Do("tray-icons");

    // Pause and Continue share the sixth item of the tray menu: the second
    // from the bottom, chosen with the keyboard.
    Do("menu 5000 up up return");
    EXPECT_NE(trackingIcon, "none") << "no tray icon while tracking";
    const std::string pausedIcon = TrayLook(trackingIcon, false);
    EXPECT_NE(pausedIcon, trackingIcon) << "the tray shows the paused icon";
    // A pause of more than 30 s, without waiting for it: while paused, the
    // heartbeat's stored time is set 40 s back, as if the last tick had been
    // that long ago; the first tick after Continue then finds the gap.
    std::string stored;
    ASSERT_EQ(checkers::CheckHeartbeat(Read("tmp/tmp.tsp"), Today(), &stored), "");
    const int storedSecond = checkers::GermanTimeSeconds(stored);
    ASSERT_GE(storedSecond, 40) << stored;
    const std::string earlier = TimeText(storedSecond - 40);
    WriteBytes(Path("tmp/tmp.tsp"), Today() + "\n" + earlier + "\n");
    const std::string pausedJournal = Read("tmp/tmp.dat");

    // Past the moment of the next tick: nothing is sampled while paused.
    Do("front B");
    std::this_thread::sleep_until(tick1Seen + milliseconds(11500));
    EXPECT_EQ(Read("tmp/tmp.dat"), pausedJournal) << "a record was written while paused";
    EXPECT_EQ(Read("tmp/tmp.tsp"), Today() + "\n" + earlier + "\n") << "the heartbeat was stamped while paused";

    Do("menu 5000 up up return");
    // Wine's tray window draws a changed icon over the old one without
    // clearing it, so the tracking icon now shows a corner of the paused one:
    // only the change itself is seen.
    EXPECT_NE(TrayLook(pausedIcon, false), pausedIcon) << "the tray shows the tracking icon again";
    // The first pass after Continue takes a tick at once.
    WaitForRecords(4, milliseconds(3000));
    Do("command " + std::to_string(ID_TRAY_QUIT));
    EXPECT_EQ(WaitForExit(horalux, kEndWait), 0);

    const std::vector<JournalEntry> entries = ValidJournal();
    // The menu made the program's hidden window the foreground one, as the
    // menu needs; that is the window the tick after Continue finds.
    EXPECT_EQ(TitlesAndPrograms(entries), (std::vector<Pair>{kStarted, {"notes.txt - Editor", kModule},
                                                             kInterrupted, {"Horalux", "horalux.exe"}, kQuit}));
    if (entries.size() == 5) {
        EXPECT_EQ(entries[2].time, earlier) << "the interruption carries the stored time of the last tick";
        std::vector<JournalEntry> others = entries;
        others.erase(others.begin() + 2);
        ExpectTimesOfThisRun(others);
        ExpectHeartbeatOf(entries.back());
    }
    ExpectOnlyTheJournalFiles();
}

// An earlier day's journal and heartbeat: the start makes that day's
// protocols, byte for byte as the model says, and begins a new journal.
class EarlierDay : public WineScenario, public ::testing::WithParamInterface<const char*> {};

TEST_P(EarlierDay, TheStartWritesThatDaysProtocolsAndBeginsANewJournal) {
    Start(GetParam());
    const int year = LocalNow().tm_year + 1900 - 1;
    const std::string day = DateText(3, 1, year, shortDate_);
    fs::create_directories(Path("tmp"));
    const std::string journal = checkers::SampleDayJournal(day);
    WriteBytes(Path("tmp/tmp.dat"), journal);
    WriteBytes(Path("tmp/tmp.tsp"), checkers::SampleDayHeartbeat(day));
    const checkers::ExpectedProtocols expected = checkers::ExpectProtocols(journal, day);

    OpenWindows({{"A", "notes.txt - Editor"}});
    ChildProcess horalux = Desktop().StartHoralux();
    WaitForChange("tmp/tmp.dat", journal, kStartWait);
    WaitForRecords(1, milliseconds(1000));
    Do("find 5000");
    EXPECT_EQ(Read(expected.detailPath), expected.detail);
    EXPECT_EQ(Read(expected.statisticsPath), expected.statistics);
    Do("close");
    EXPECT_EQ(WaitForExit(horalux, kEndWait), 0);

    const std::vector<JournalEntry> entries = ExpectJournal({kStarted, kQuit});
    if (!entries.empty()) ExpectHeartbeatOf(entries.back());
    EXPECT_EQ(Read(expected.detailPath), expected.detail) << "the protocols stay as the start wrote them";
    EXPECT_EQ(Entries(Desktop().WorkDir()),
              (std::set<std::string>{"tmp", "tmp/tmp.dat", "tmp/tmp.tsp", "Protocols",
                                     fs::path(expected.folder).parent_path().string(), expected.folder,
                                     expected.detailPath, expected.statisticsPath}));
}

// Windows' German short date, and Wine's own, whose days and months have no
// leading zero: the file names follow the date as it is.
INSTANTIATE_TEST_SUITE_P(WineScenario, EarlierDay, ::testing::Values(kGermanDate, "d.M.yyyy"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return std::string(param.param) == kGermanDate ? "TwoDigitDayAndMonth"
                                                                            : "DayAndMonthWithoutLeadingZero";
                         });

TEST_F(WineScenario, APlainFileNamedTmpGivesTheErrorBoxesAndTheLogAndExitCode0) {
    Start();
    WriteBytes(Path("tmp"), "not a folder\n");
    OpenWindows({{"A", "notes.txt - Editor"}});
    ChildProcess horalux = Desktop().StartHoralux();

    // Every write of a journal file fails: the first check's stamp, the start
    // record, the quit record and the final stamp, one box each.
    std::vector<std::string> texts;
    const Clock::time_point deadline = Clock::now() + milliseconds(60000);
    while (horalux.Running() && Clock::now() < deadline) {
        const std::string answer = Desktop().Ask("error-box 1000", milliseconds(10000));
        if (answer.rfind("ok ", 0) == 0) texts.push_back(answer.substr(3));
    }
    EXPECT_EQ(WaitForExit(horalux, kEndWait), 0);
    const std::string shown = "The protocol files can't be opened.\\n\\nThe application is terminated.";
    EXPECT_EQ(texts, std::vector<std::string>(4, shown));

    std::vector<std::string> times;
    EXPECT_EQ(checkers::CheckErrorLog(Read("error.txt"), Today(), std::vector<std::string>(4, kFilesFatal), &times),
              "");
    for (const std::string& time : times) {
        EXPECT_GE(checkers::GermanTimeSeconds(time), firstSecond_ - 1) << time;
        EXPECT_LE(checkers::GermanTimeSeconds(time), SecondOfDay(LocalNow()) + 1) << time;
    }
    EXPECT_EQ(Read("tmp"), "not a folder\n");
    EXPECT_EQ(Entries(Desktop().WorkDir()), (std::set<std::string>{"tmp", "error.txt"}));
}

TEST_F(WineScenario, TheShellsCloseRequestEndsTrackingLikeQuit) {
    Start();
    OpenWindows({{"A", "notes.txt - Editor"}});
    ChildProcess horalux = StartAndWaitForTheStartRecord("A");
    Do("close");  // WM_CLOSE, as the shell and taskkill without /F send it
    EXPECT_EQ(WaitForExit(horalux, kEndWait), 0);
    Do("gone 5000");
    const std::vector<JournalEntry> entries = ExpectJournal({kStarted, kQuit});
    if (!entries.empty()) ExpectHeartbeatOf(entries.back());
    ExpectOnlyTheJournalFiles();
}

}  // namespace
