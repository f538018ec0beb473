// The bytes of journal records and of the heartbeat file.
#include "app/app.h"
#include "journal/record.h"
#include "support/program.h"

namespace {

using namespace testing_support;

class RecordTest : public ProgramTest {};

TEST_F(RecordTest, EveryKindIsFiveLinesWithLineFeedsOnly) {
    hosted::SetLocalClock(2008, 1, 13, 14, 5, 9);
    AppendRecord("14:05:09", kTextTrackingStarted, kTextNone);
    AppendRecord("14:05:09", "Inbox - Mail", "mail.exe");
    AppendRecord("14:05:09", kTextNone, kTextNone);
    AppendRecord("14:05:09", kTextScreensaverActive, kTextNone);
    AppendRecord("14:05:09", kTextTrackingInterrupted, kTextNone);
    AppendRecord("14:05:09", kTextTrackingQuit, kTextNone);
    // One checksum for all: it covers the time and the day, not the texts.
    EXPECT_EQ(Journal(),
              "14:05:09\nTracking started\n-\n53437\n\n"
              "14:05:09\nInbox - Mail\nmail.exe\n53437\n\n"
              "14:05:09\n-\n-\n53437\n\n"
              "14:05:09\nScreensaver active\n-\n53437\n\n"
              "14:05:09\nTracking interrupted\n-\n53437\n\n"
              "14:05:09\nTracking quit\n-\n53437\n\n");
}

TEST_F(RecordTest, TheFirstRecordCreatesTheFolderTmp) {
    ASSERT_FALSE(FileExists("tmp"));
    AppendRecord("09:00:00", kTextTrackingStarted, kTextNone);
    EXPECT_EQ(Journal(), Started("09:00:00"));
}

TEST_F(RecordTest, PercentSignsAreStoredAsTheyStand) {
    AppendRecord("09:00:00", "100% done %s %i %n", "50%.exe");
    EXPECT_EQ(Journal(), Record("09:00:00", "100% done %s %i %n", "50%.exe"));
}

TEST_F(RecordTest, LineBreaksInsideATitleBecomeBlanksSoTheRecordKeepsFiveLines) {
    AppendRecord("09:00:00", "first\nsecond\r\nthird", "odd\r.exe");
    EXPECT_EQ(Journal(), Record("09:00:00", "first second  third", "odd .exe"));
}

TEST_F(RecordTest, ANegativeChecksumIsWrittenWithItsMinus) {
    hosted::SetShortDateFormat("'\xE4\xE4\xE4'");
    AppendRecord("0:00:01", kTextTrackingStarted, kTextNone);
    EXPECT_EQ(Journal(), "0:00:01\nTracking started\n-\n-167\n\n");
}

TEST_F(RecordTest, TheLongestRecordFitsItsBuffer) {
    const std::string title(255, 'T');
    const std::string application(255, 'A');
    const std::string time(31, '1');
    AppendRecord(time.c_str(), title.c_str(), application.c_str());
    EXPECT_EQ(Journal(), Record(time, title, application));
}

TEST_F(RecordTest, TheHeartbeatIsTwoLinesReplacedWhole) {
    StampHeartbeat("05.01.2026", "09:00:00");
    StampHeartbeat("05.01.2026", "3:45:12 PM");
    EXPECT_EQ(Heartbeat(), "05.01.2026\n3:45:12 PM\n");
    EXPECT_FALSE(FileExists("tmp/tmp.tsp.new"));
}

TEST_F(RecordTest, AHeartbeatThatCannotBeWrittenLeavesTheOldOne) {
    StampHeartbeat("05.01.2026", "09:00:00");
    hosted::FailOpen("tmp/tmp.tsp.new", 1);
    StampHeartbeat("05.01.2026", "09:00:10");
    EXPECT_EQ(Heartbeat(), "05.01.2026\n09:00:00\n");
    ASSERT_EQ(hosted::MessageBoxes().size(), 1u);
    EXPECT_EQ(hosted::MessageBoxes()[0].text, "The protocol files can't be opened.\n\nThe application is terminated.");
    EXPECT_FALSE(g_running);
}

TEST_F(RecordTest, TmpAsAPlainFileMakesEveryWriteAFatalError) {
    WriteFile("tmp", "not a folder");
    AppendRecord("09:00:00", kTextTrackingStarted, kTextNone);
    StampHeartbeat("05.01.2026", "09:00:00");
    ASSERT_EQ(hosted::MessageBoxes().size(), 2u);
    for (const hosted::MessageBoxCall& box : hosted::MessageBoxes()) {
        EXPECT_EQ(box.text, "The protocol files can't be opened.\n\nThe application is terminated.");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_FALSE(g_running);
    EXPECT_EQ(ReadFile("tmp"), "not a folder");
    const std::string entry =
        "\r\n05.01.2026;09:00:00\r\nThe protocol files can't be opened.\r\n\r\nThe application is terminated.";
    EXPECT_EQ(ErrorLog(), entry + entry);
}

}  // namespace
