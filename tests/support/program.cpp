#include "support/program.h"

#include "app/about_dialog.h"
#include "app/app.h"
#include "app/main_window.h"
#include "journal/checksum.h"
#include "journal/record.h"
#include "protocol/statistics.h"

#include <cstdio>

namespace testing_support {

void ResetProgramState() {
    g_running = true;
    g_tracking = true;
    g_hInstance = nullptr;
    g_trayIcon = NOTIFYICONDATAA{};
    g_taskbarCreatedMessage = 0;
    g_prevUrlLinkProc = nullptr;
    g_prevMailLinkProc = nullptr;
    ResetStatistics();
}

int RunProgram() {
    char noCommandLine[] = "";
    return WinMain(hosted::ModuleInstance(), nullptr, noCommandLine, SW_SHOWDEFAULT);
}

void CloseAt(std::int64_t when) {
    hosted::At(when, [] { PostMessageA(MainWindow(), WM_CLOSE, 0, 0); });
}

void SwitchAt(std::int64_t when, HWND window) {
    hosted::At(when, [window] { hosted::SetForeground(window); });
}

HWND MainWindow() {
    return hosted::FindOwnWindow(kProductTitle);
}

void ChooseFromTrayMenu(std::int64_t when, UINT commandId, std::int64_t holdMs) {
    hosted::At(when, [commandId, holdMs] {
        hosted::PlanMenuChoice(commandId, holdMs);
        hosted::ClickTrayIcon(WM_RBUTTONDOWN);
    });
}

void QuitAt(std::int64_t when) {
    ChooseFromTrayMenu(when, ID_TRAY_QUIT);
}

std::string ClockAt(std::int64_t ms, int startSecond) {
    const std::int64_t seconds = startSecond + ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

std::string Record(const std::string& time, const std::string& title, const std::string& application,
                   const std::string& date) {
    return time + "\n" + title + "\n" + application + "\n" +
           std::to_string(EntryChecksum(time.c_str(), date.c_str())) + "\n\n";
}

std::string Started(const std::string& time, const std::string& date) {
    return Record(time, kTextTrackingStarted, "-", date);
}

std::string Quit(const std::string& time, const std::string& date) {
    return Record(time, kTextTrackingQuit, "-", date);
}

std::string Journal() {
    return ReadFile("tmp/tmp.dat");
}

std::string JournalBetweenStartAndQuit(std::int64_t quitAt) {
    const std::string journal = Journal();
    const std::string head = Started(ClockAt(kStartMs));
    const std::string tail = Quit(ClockAt(quitAt));
    EXPECT_EQ(journal.substr(0, head.size()), head);
    EXPECT_GE(journal.size(), head.size() + tail.size());
    if (journal.size() < head.size() + tail.size()) return journal;
    EXPECT_EQ(journal.substr(journal.size() - tail.size()), tail);
    return journal.substr(head.size(), journal.size() - head.size() - tail.size());
}

std::string Heartbeat() {
    return ReadFile("tmp/tmp.tsp");
}

std::string ErrorLog() {
    return ReadFile("error.txt");
}

void ProgramTest::SetUp() {
    hosted::ResetDesktop();
    ResetProgramState();
}

void ProgramTest::TearDown() {
    hosted::ResetDesktop();
}

}  // namespace testing_support
