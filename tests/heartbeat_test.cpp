// The heartbeat check with the real main loop: gaps become interruption
// records, a new date turns the journal into the previous day's protocol.
#include "app/app.h"
#include "support/program.h"

#include <filesystem>

namespace {

using namespace testing_support;

constexpr const char kYesterday[] = "04.01.2026";
constexpr const char kYesterdayDetail[] = "Protocols/2026/January/2026-01-04_detail.csv";
constexpr const char kYesterdayStat[] = "Protocols/2026/January/2026-01-04_stat.csv";
constexpr DWORD kEditorPid = 100;
constexpr int kLateEvening = 23 * 3600 + 59 * 60 + 30;

class HeartbeatTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        // The child must share this test's working folder: fork, do not re-run.
        ::testing::FLAGS_gtest_death_test_style = "fast";
        hosted::AddProcess(kEditorPid, "editor.exe");
        editor_ = hosted::AddForeignWindow("notes.txt - Editor", kEditorPid);
    }
    static void WriteHeartbeat(const std::string& date, const std::string& time) {
        MakeFolder("tmp");
        WriteFile("tmp/tmp.tsp", date + "\n" + time + "\n");
    }
    static std::string Stamp(const std::string& time, const std::string& date = kToday) {
        return date + "\n" + time + "\n";
    }
    // Runs from the start until the pass after `closeAt`; returns the exit code.
    static int RunUntil(std::int64_t closeAt) {
        CloseAt(closeAt);
        return RunProgram();
    }
    HWND editor_{};
};

TEST_F(HeartbeatTest, TheFirstCheckWithoutAFileWritesNoRecordAndNoProtocol) {
    EXPECT_EQ(RunUntil(kStartMs + 1000), 0);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
    EXPECT_FALSE(FileExists("Protocols"));
    EXPECT_EQ(Heartbeat(), Stamp(ClockAt(kStartMs + 1250)));
}

TEST_F(HeartbeatTest, TheFirstCheckStampsTodayAndTheTimeOfTheCheck) {
    hosted::At(kStartMs + 100, [] { EXPECT_EQ(Heartbeat(), Stamp(ClockAt(kStartMs))); });
    RunUntil(kStartMs + 1000);
}

TEST_F(HeartbeatTest, AGapOfMoreThan30SecondsOnTheSameDateIsAnInterruption) {
    const struct {
        std::int64_t storedAgo;  // ms before the start check
        bool interrupted;
    } cases[] = {{30000, false}, {31000, true}, {3600000, true}, {0, false}, {-60000, false}};
    for (const auto& c : cases) {
        TempWorkDir fresh;
        hosted::ResetDesktop();
        ResetProgramState();
        const std::string stored = ClockAt(kStartMs - c.storedAgo);
        WriteHeartbeat(kToday, stored);
        RunUntil(kStartMs + 1000);
        const std::string interruption = c.interrupted ? Record(stored, "Tracking interrupted", "-") : "";
        EXPECT_EQ(Journal(), interruption + Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)))
            << "stored " << c.storedAgo << " ms before";
    }
}

TEST_F(HeartbeatTest, ATimeMarkerDoesNotCountAndIsCarriedWholeIntoTheRecord) {
    hosted::SetTimeFormat("h:mm:ss tt");
    const struct {
        int hour, minute;
        const char* stored;
        bool interrupted;
    } cases[] = {
        {13, 10, "11:50:00 AM", false},  // 4200 s against 42600 s: reads as earlier
        {15, 46, "3:45:12 PM", true},    // 13560 s against 13512 s
    };
    for (const auto& c : cases) {
        TempWorkDir fresh;
        hosted::ResetDesktop();
        ResetProgramState();
        hosted::SetTimeFormat("h:mm:ss tt");
        hosted::SetLocalClock(2026, 1, 5, c.hour, c.minute, 0);
        WriteHeartbeat(kToday, c.stored);
        CloseAt(kStartMs + 100);
        RunProgram();
        const std::string journal = Journal();
        const std::string interruption = Record(c.stored, "Tracking interrupted", "-");
        EXPECT_EQ(journal.compare(0, interruption.size(), interruption) == 0, c.interrupted) << journal;
    }
}

TEST_F(HeartbeatTest, AStartAfterAQuitOnTheSameDayShowsTheInterruption) {
    RunUntil(kStartMs + 1000);
    const std::string quitTime = ClockAt(kStartMs + 1250);
    hosted::ResetDesktop();
    ResetProgramState();
    hosted::SetLocalClock(2026, 1, 5, 9, 10, 0);
    constexpr int kTenPast = 9 * 3600 + 10 * 60;
    RunUntil(kStartMs + 1000);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(quitTime) + Record(quitTime, "Tracking interrupted", "-") +
                             Started(ClockAt(kStartMs, kTenPast)) + Quit(ClockAt(kStartMs + 1250, kTenPast)));
}

TEST_F(HeartbeatTest, ACrashLeavesTheLastTickWhichTheNextStartRecordsAsTheInterruption) {
    hosted::SetForeground(editor_);
    // The process dies between two ticks, without its shut-down.
    EXPECT_EXIT(
        {
            hosted::At(TickAt(2) + 3000, [] { std::_Exit(3); });
            RunProgram();
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(Heartbeat(), Stamp(ClockAt(TickAt(2))));
    hosted::ResetDesktop();
    ResetProgramState();
    hosted::SetLocalClock(2026, 1, 5, 9, 30, 0);
    RunUntil(kStartMs + 1000);
    const std::string journal = Journal();
    const std::string expectedTail = Record(ClockAt(TickAt(2)), "Tracking interrupted", "-") +
                                     Started(ClockAt(kStartMs, 9 * 3600 + 30 * 60));
    EXPECT_NE(journal.find(expectedTail), std::string::npos) << journal;
    EXPECT_EQ(journal.find("Tracking quit"), journal.rfind("Tracking quit")) << "only the second run quit";
}

TEST_F(HeartbeatTest, ANewDateMakesTheStoredDaysProtocolAndStartsAnEmptyJournal) {
    WriteHeartbeat(kYesterday, "17:00:00");
    WriteFile("tmp/tmp.dat", Record("16:00:00", "Tracking started", "-", kYesterday) +
                                 Record("17:00:00", "Tracking quit", "-", kYesterday));
    RunUntil(kStartMs + 1000);
    // No interruption record, however long the gap: the start record opens the new journal.
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
    EXPECT_TRUE(FileExists(kYesterdayDetail));
    EXPECT_TRUE(FileExists(kYesterdayStat));
    EXPECT_NE(ReadFile(kYesterdayDetail).find("\"Tracking started\",\"-\",\"16:00:00\",\"17:00:00\",\"1:0:0\""),
              std::string::npos);
    EXPECT_TRUE(hosted::MessageBoxes().empty());
}

TEST_F(HeartbeatTest, ADateThatDiffersInOneCharacterOrLiesAheadIsANewDayToo) {
    for (const char* stored : {"05.01.2027", "5.01.2026", "05.01.2026 "}) {
        TempWorkDir fresh;
        hosted::ResetDesktop();
        ResetProgramState();
        WriteHeartbeat(stored, ClockAt(kStartMs - 60000));
        WriteFile("tmp/tmp.dat", Started("08:00:00", stored));
        RunUntil(kStartMs + 1000);
        EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250))) << stored;
        EXPECT_TRUE(FileExists("Protocols")) << stored;
    }
}

TEST_F(HeartbeatTest, LeftRunningOverMidnightTheFirstTickAfterItRollsTheDayOver) {
    hosted::SetLocalClock(2026, 1, 4, 23, 59, 30);
    hosted::SetForeground(editor_);
    const HWND browser = hosted::AddForeignWindow("News - Browser", kEditorPid);
    // Ticks at 23:59:40 and 23:59:50 (after the start-up), then after midnight.
    hosted::At(TickAt(3) - 1000, [browser] { hosted::SetForeground(browser); });
    RunUntil(TickAt(3) + 100);
    // The tick's sample is the new journal's first record.
    EXPECT_EQ(Journal(), Record(ClockAt(TickAt(3), kLateEvening), "News - Browser", "editor.exe") +
                             Quit(ClockAt(TickAt(3) + 500, kLateEvening)));
    EXPECT_EQ(Heartbeat().substr(0, 11), "05.01.2026\n");
    EXPECT_TRUE(FileExists(kYesterdayDetail));
    const std::string detail = ReadFile(kYesterdayDetail);
    // The day's last record (the editor at the tick before midnight) ends the
    // start record's stretch and, having no successor, gives no row itself.
    EXPECT_NE(detail.find("\"Tracking started\",\"-\",\"" + ClockAt(kStartMs, kLateEvening) + "\",\"" +
                          ClockAt(TickAt(1), kLateEvening) + "\",\"0:0:10\""),
              std::string::npos)
        << detail;
}

TEST_F(HeartbeatTest, APauseOverMidnightMakesTheRolloverInsteadOfAnInterruption) {
    hosted::SetLocalClock(2026, 1, 4, 23, 50, 0);
    hosted::SetForeground(editor_);
    hosted::At(TickAt(1) + 1000, [] { g_tracking = false; });
    hosted::At(TickAt(1) + 20 * 60000, [] { g_tracking = true; });  // 00:10 and a little
    RunUntil(TickAt(1) + 20 * 60000 + 100);
    const std::string journal = Journal();
    EXPECT_EQ(journal.find("Tracking interrupted"), std::string::npos) << journal;
    EXPECT_EQ(journal.find("notes.txt"), std::string::npos) << "the editor is still the last window recorded";
    EXPECT_TRUE(FileExists(kYesterdayDetail));
    EXPECT_EQ(Heartbeat().substr(0, 11), "05.01.2026\n");
}

TEST_F(HeartbeatTest, WithoutAJournalTheNewDayStartsAndTheUserLearnsThatNoProtocolWasWritten) {
    WriteHeartbeat(kYesterday, "17:00:00");
    MakeFolder("Protocols/2026/January");
    WriteFile(kYesterdayDetail, "an earlier protocol of that day");
    EXPECT_EQ(RunUntil(kStartMs + 1000), 0);
    EXPECT_EQ(ReadFile(kYesterdayDetail), "an earlier protocol of that day");
    EXPECT_FALSE(FileExists(kYesterdayStat));
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
    EXPECT_EQ(Heartbeat(), Stamp(ClockAt(kStartMs + 1250)));
    ASSERT_EQ(hosted::MessageBoxes().size(), 1u);
    EXPECT_EQ(hosted::MessageBoxes()[0].text,
              "No protocol was written for 04.01.2026: the journal of that day is missing or empty.");
    EXPECT_NE(ErrorLog().find("No protocol was written for 04.01.2026"), std::string::npos);
    // And the next start is an ordinary one.
    hosted::ResetDesktop();
    ResetProgramState();
    hosted::SetLocalClock(2026, 1, 5, 9, 0, 10);
    RunUntil(kStartMs + 1000);
    EXPECT_EQ(hosted::MessageBoxes().size(), 0u);
}

TEST_F(HeartbeatTest, AnEmptyJournalAtTheRolloverKeepsTheDaysProtocol) {
    WriteHeartbeat(kYesterday, "17:00:00");
    WriteFile("tmp/tmp.dat", "");
    MakeFolder("Protocols/2026/January");
    WriteFile(kYesterdayStat, "kept");
    RunUntil(kStartMs + 1000);
    EXPECT_EQ(ReadFile(kYesterdayStat), "kept");
    EXPECT_EQ(hosted::MessageBoxes().size(), 1u);
}

TEST_F(HeartbeatTest, AHeartbeatWithoutADateCountsAsAbsentAndKeepsTheJournal) {
    for (const char* content : {"", "\n", "\n09:00:00\n", "\r\n09:00:00\r\n"}) {
        TempWorkDir fresh;
        hosted::ResetDesktop();
        ResetProgramState();
        MakeFolder("tmp");
        WriteFile("tmp/tmp.tsp", content);
        const std::string earlier = Record("08:00:00", "notes.txt - Editor", "editor.exe", kYesterday);
        WriteFile("tmp/tmp.dat", earlier);
        RunUntil(kStartMs + 1000);
        EXPECT_EQ(Journal(), earlier + Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
        EXPECT_EQ(Heartbeat(), Stamp(ClockAt(kStartMs + 1250)));
        EXPECT_FALSE(FileExists("Protocols"));
        ASSERT_EQ(hosted::MessageBoxes().size(), 1u);
        EXPECT_EQ(hosted::MessageBoxes()[0].text,
                  "The heartbeat file holds no date.\n\nThe journal is kept and goes into the next protocol.");
    }
}

TEST_F(HeartbeatTest, AHeartbeatCutAfterItsDateStillRollsTheDayButMeasuresNoGap) {
    MakeFolder("tmp");
    WriteFile("tmp/tmp.tsp", std::string(kToday) + "\n");
    RunUntil(kStartMs + 1000);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));

    TempWorkDir fresh;
    hosted::ResetDesktop();
    ResetProgramState();
    MakeFolder("tmp");
    WriteFile("tmp/tmp.tsp", kYesterday);  // no line feed at all
    WriteFile("tmp/tmp.dat", Record("16:00:00", "Tracking started", "-", kYesterday) +
                                 Record("17:00:00", "Tracking quit", "-", kYesterday));
    RunUntil(kStartMs + 1000);
    EXPECT_TRUE(FileExists(kYesterdayDetail));
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
}

TEST_F(HeartbeatTest, AHeartbeatSavedWithCrLfLineEndsReadsAsWritten) {
    MakeFolder("tmp");
    const std::string stored = ClockAt(kStartMs - 60000);
    WriteFile("tmp/tmp.tsp", std::string(kToday) + "\r\n" + stored + "\r\n");
    RunUntil(kStartMs + 1000);
    // The same day, so no rollover; the gap is measured from the stored time.
    EXPECT_EQ(Journal(), Record(stored, "Tracking interrupted", "-") + Started(ClockAt(kStartMs)) +
                             Quit(ClockAt(kStartMs + 1250)));
    EXPECT_FALSE(FileExists("Protocols"));
}

TEST_F(HeartbeatTest, OverLongHandEditedLinesAreReadSafely) {
    MakeFolder("tmp");
    WriteFile("tmp/tmp.tsp", std::string(kToday) + std::string(200, 'x') + "\n" + std::string(300, '9') + "\n");
    EXPECT_EQ(RunUntil(kStartMs + 1000), 0);
    EXPECT_EQ(Heartbeat(), Stamp(ClockAt(kStartMs + 1250)));
}

TEST_F(HeartbeatTest, AProtocolThatCannotBeWrittenEndsTheProcessAndTheNextStartTriesAgain) {
    WriteHeartbeat(kYesterday, "17:00:00");
    const std::string journal = Record("16:00:00", "Tracking started", "-", kYesterday) +
                                Record("17:00:00", "Tracking quit", "-", kYesterday);
    WriteFile("tmp/tmp.dat", journal);
    MakeFolder(kYesterdayDetail);  // a folder where the protocol must go
    EXPECT_EXIT(RunProgram(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Journal(), journal) << "the journal stays for the next try";
    EXPECT_EQ(Heartbeat(), Stamp("17:00:00", kYesterday));
    EXPECT_NE(ErrorLog().find("The protocol files can't be opened.\r\n"), std::string::npos);
    EXPECT_NE(ErrorLog().find("The application has been terminated due to a critical error."), std::string::npos);

    std::filesystem::remove(kYesterdayDetail);
    hosted::ResetDesktop();
    ResetProgramState();
    RunUntil(kStartMs + 1000);
    EXPECT_TRUE(FileExists(kYesterdayStat));
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
}

TEST_F(HeartbeatTest, AJournalThatCannotBeEmptiedEndsTheProcessAndTheNextStartTriesAgain) {
    WriteHeartbeat(kYesterday, "17:00:00");
    const std::string journal = Record("16:00:00", "Tracking started", "-", kYesterday) +
                                Record("17:00:00", "Tracking quit", "-", kYesterday);
    WriteFile("tmp/tmp.dat", journal);
    EXPECT_EXIT(
        {
            hosted::FailOpen("tmp/tmp.dat", -1, "w");
            RunProgram();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Journal(), journal);
    EXPECT_EQ(Heartbeat(), Stamp("17:00:00", kYesterday));
    EXPECT_TRUE(FileExists(kYesterdayDetail)) << "the protocol was written before the emptying failed";
    EXPECT_NE(ErrorLog().find("The temporary file can't be deleted.\r\n\r\nThe application is terminated."),
              std::string::npos);

    hosted::ResetDesktop();
    ResetProgramState();
    RunUntil(kStartMs + 1000);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs + 1250)));
}

TEST_F(HeartbeatTest, AnInterruptionThatCannotBeWrittenIsFatalButTheStampFollows) {
    WriteHeartbeat(kToday, ClockAt(kStartMs - 60000));
    hosted::FailOpen("tmp/tmp.dat", 1, "ab");
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Quit(ClockAt(kStartMs)));
    EXPECT_EQ(hosted::MessageBoxes().size(), 1u);
}

}  // namespace
