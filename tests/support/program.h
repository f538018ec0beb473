// Running the real program on the virtual desktop, and the texts it should write.
#ifndef HORALUX_TESTS_SUPPORT_PROGRAM_H
#define HORALUX_TESTS_SUPPORT_PROGRAM_H

#include "platform/hosted/desktop.h"
#include "support/workdir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace testing_support {

// The date of the fresh virtual desktop's clock (05.01.2026, 09:00:00).
constexpr const char kToday[] = "05.01.2026";

// Virtual moment at which start-up has ended and the loop's clock starts:
// after the five seconds of the splash.
constexpr std::int64_t kStartMs = 5000;
// Virtual moment of the pass that takes the n-th tick (1, 2, ...) when
// nothing holds the loop: passes come every 250 ms, a tick is due once more
// than 10000 ms have passed since the end of the previous one.
constexpr std::int64_t TickAt(int n) { return kStartMs + 10250LL * n; }

// The German time text `ms` virtual ms after a clock set to `startSecond`
// (seconds of the day; the fresh desktop's 09:00:00 by default).
constexpr int kNineOClock = 9 * 3600;
std::string ClockAt(std::int64_t ms, int startSecond = kNineOClock);

// Puts every process-wide variable of the program back to its start value.
void ResetProgramState();

// Runs WinMain as Windows would start it and returns its exit code.
int RunProgram();

// The shell's close request to the program's window at a virtual moment.
void CloseAt(std::int64_t when);
// At `when` the user brings `window` to the front.
void SwitchAt(std::int64_t when, HWND window);

// The program's hidden main window, or NULL before it exists.
HWND MainWindow();
// At `when` the user right-clicks the tray icon, holds the menu open for
// `holdMs` and chooses `commandId` (0: closes the menu without a choice).
void ChooseFromTrayMenu(std::int64_t when, UINT commandId, std::int64_t holdMs = 0);
// "Quit" from the tray menu.
void QuitAt(std::int64_t when);

// One journal record as the program must write it on `date`.
std::string Record(const std::string& time, const std::string& title, const std::string& application,
                   const std::string& date = kToday);
std::string Started(const std::string& time, const std::string& date = kToday);
std::string Quit(const std::string& time, const std::string& date = kToday);

std::string Journal();
// The journal between the start record (at kStartMs) and the quit record at
// `quitAt`, both checked on the way.
std::string JournalBetweenStartAndQuit(std::int64_t quitAt);
std::string Heartbeat();
std::string ErrorLog();

// A fresh working directory, a fresh desktop and fresh program state per test.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TempWorkDir dir_;
};

}  // namespace testing_support

#endif
