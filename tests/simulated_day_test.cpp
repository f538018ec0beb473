// A working day and the next morning through the real WinMain, judged by the
// shared checkers that also judge horalux.exe under Wine: the journal is valid
// and holds exactly the expected records, the heartbeat names the day, and
// both protocols (made from the menu at noon, and by the day rollover the next
// morning) are what the reference model computes from the journal.
#include "app/main_window.h"
#include "checkers/journal_check.h"
#include "checkers/protocol_model.h"
#include "support/program.h"

#include <cstdio>

namespace {

using namespace testing_support;

constexpr DWORD kWriterPid = 100;
constexpr DWORD kMailPid = 200;
constexpr DWORD kAdminPid = 300;

constexpr const char kMonday[] = "05.01.2026";
constexpr const char kTuesday[] = "06.01.2026";
const std::string kWriter = "Bericht \"Q1\", Entwurf.docx - Writer";
const std::string kMail = "\xDC" "bersicht M\xE4rz %s - Mail";
const std::string kAdmin = "Administrator: Terminal";

// "HH:mm:ss" of a wall clock that read `hour`:00:00 at virtual moment 0.
std::string ClockText(int hour, std::int64_t ms) {
    const std::int64_t seconds = hour * 3600 + ms / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

class SimulatedDayTest : public ProgramTest {
protected:
    // A fresh desktop at `hour` o'clock of the given day, with the day's programs
    // and the writer's window in front.
    void Morning(int year, int month, int day, int hour) {
        hosted::ResetDesktop();
        ResetProgramState();
        hosted::SetLocalClock(year, month, day, hour, 0, 0);
        hosted::AddProcess(kWriterPid, "writer.exe");
        hosted::AddProcess(kMailPid, "MAIL.EXE");
        hosted::AddProcess(kAdminPid, "cmd.exe", /*canOpen=*/false);
        writer_ = hosted::AddForeignWindow(kWriter.c_str(), kWriterPid);
        mail_ = hosted::AddForeignWindow(kMail.c_str(), kMailPid);
        admin_ = hosted::AddForeignWindow(kAdmin.c_str(), kAdminPid);
        blank_ = hosted::AddForeignWindow("", kWriterPid);
        hosted::SetForeground(writer_);
    }

    HWND writer_{}, mail_{}, admin_{}, blank_{};
};

std::string ReadProtocols(const checkers::ExpectedProtocols& expected, std::string* statistics) {
    *statistics = ReadFile(expected.statisticsPath);
    return ReadFile(expected.detailPath);
}

TEST_F(SimulatedDayTest, TheDaysFilesAgreeWithTheCheckersAtNoonAndAtTheRollover) {
    // Monday morning: a few windows, an untitled one, a program that cannot be
    // opened, the screensaver; at tick 17 the protocol of the day so far.
    Morning(2026, 1, 5, 8);
    SwitchAt(TickAt(3) + 100, mail_);
    SwitchAt(TickAt(6) + 100, blank_);
    SwitchAt(TickAt(8) + 100, admin_);
    hosted::At(TickAt(10) + 100, [] { hosted::SetScreensaverRunning(true); });
    hosted::At(TickAt(13) + 100, [] { hosted::SetScreensaverRunning(false); });
    SwitchAt(TickAt(15) + 100, writer_);
    hosted::At(TickAt(17) + 100, [] {
        PostMessageA(hosted::FindOwnWindow("Horalux"), WM_COMMAND, ID_TRAY_CREATE_PROTOCOL, 0);
    });
    std::string noonJournal, noonDetail, noonStatistics;
    hosted::At(TickAt(17) + 600, [&] {
        noonJournal = Journal();
        const checkers::ExpectedProtocols paths = checkers::ExpectProtocols("", kMonday);
        noonDetail = ReadProtocols(paths, &noonStatistics);
    });
    CloseAt(TickAt(20) + 100);
    EXPECT_EQ(RunProgram(), 0);

    auto at8 = [](std::int64_t ms, const std::string& title, const std::string& application) {
        return checkers::RecordBytes(ClockText(8, ms), title, application, kMonday);
    };
    const std::string morning = at8(kStartMs, "Tracking started", "-") + at8(TickAt(1), kWriter, "writer.exe") +
                                at8(TickAt(4), kMail, "MAIL.EXE") + at8(TickAt(7), "-", "-") +
                                at8(TickAt(9), kAdmin, "-") + at8(TickAt(11), "Screensaver active", "-") +
                                at8(TickAt(16), kWriter, "writer.exe");
    // The pass that drains the close request still sleeps before the loop ends.
    const std::string quit8 = ClockText(8, TickAt(20) + 500);
    EXPECT_EQ(checkers::CheckJournal(Journal(), kMonday), "");
    EXPECT_EQ(Journal(), morning + at8(TickAt(20) + 500, "Tracking quit", "-"));
    std::string heartbeatTime;
    EXPECT_EQ(checkers::CheckHeartbeat(Heartbeat(), kMonday, &heartbeatTime), "");
    EXPECT_EQ(heartbeatTime, quit8);

    EXPECT_EQ(noonJournal, morning);
    const checkers::ExpectedProtocols noon = checkers::ExpectProtocols(morning, kMonday);
    EXPECT_EQ(noonDetail, noon.detail);
    EXPECT_EQ(noonStatistics, noon.statistics);

    // Back after lunch on the same day: the gap since the quit shows as an
    // interruption with the quit's time.
    Morning(2026, 1, 5, 13);
    CloseAt(TickAt(2) + 100);
    EXPECT_EQ(RunProgram(), 0);
    auto at13 = [](std::int64_t ms, const std::string& title, const std::string& application) {
        return checkers::RecordBytes(ClockText(13, ms), title, application, kMonday);
    };
    const std::string monday = morning + at8(TickAt(20) + 500, "Tracking quit", "-") +
                               checkers::RecordBytes(quit8, "Tracking interrupted", "-", kMonday) +
                               at13(kStartMs, "Tracking started", "-") + at13(TickAt(1), kWriter, "writer.exe") +
                               at13(TickAt(2) + 500, "Tracking quit", "-");
    EXPECT_EQ(checkers::CheckJournal(Journal(), kMonday), "");
    EXPECT_EQ(Journal(), monday);

    // Tuesday's start makes Monday's protocols from the whole journal,
    // replacing the noon ones, and begins a new journal.
    Morning(2026, 1, 6, 8);
    CloseAt(kStartMs + 1000);
    EXPECT_EQ(RunProgram(), 0);
    const checkers::ExpectedProtocols rollover = checkers::ExpectProtocols(monday, kMonday);
    std::string statistics;
    EXPECT_EQ(ReadProtocols(rollover, &statistics), rollover.detail);
    EXPECT_EQ(statistics, rollover.statistics);
    EXPECT_EQ(checkers::CheckJournal(Journal(), kTuesday), "");
    EXPECT_EQ(Journal(), checkers::RecordBytes(ClockText(8, kStartMs), "Tracking started", "-", kTuesday) +
                             checkers::RecordBytes(ClockText(8, kStartMs + 1250), "Tracking quit", "-", kTuesday));
    EXPECT_EQ(checkers::CheckHeartbeat(Heartbeat(), kTuesday), "");
    EXPECT_TRUE(hosted::MessageBoxes().empty());
    EXPECT_FALSE(FileExists("error.txt"));
}

}  // namespace
