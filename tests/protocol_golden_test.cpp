// The two protocols of a day, byte for byte, from small journals written out
// as literal text. The day is 13.01.2008, on which a record's checksum is its
// time in seconds plus 2728 (14:05:09 gives 53437).
#include "app/app.h"
#include "protocol/protocol.h"
#include "protocol/statistics.h"
#include "support/protocol_files.h"

#include <filesystem>

namespace {

using namespace testing_support;

class ProtocolGoldenTest : public ProtocolTest {
protected:
    // Runs CreateProtocol on the journal and expects it to succeed quietly.
    void Make(const std::string& journal) {
        WriteJournalBytes(journal);
        ASSERT_TRUE(CreateProtocol());
        EXPECT_TRUE(hosted::MessageBoxes().empty());
        EXPECT_TRUE(g_running);
    }
};

constexpr const char kStartWindowQuit[] =
    "08:00:00\nTracking started\n-\n31528\n\n"
    "08:00:10\nInbox - Mail\nmail.exe\n31538\n\n"
    "09:00:10\nTracking quit\n-\n35138\n\n";

TEST_F(ProtocolGoldenTest, TheWorkedChecksumExampleIsASoundRecord) {
    Make("14:05:09\nReport.doc - Writer\nwriter.exe\n53437\n\n"
         "14:05:19\nTracking quit\n-\n53447\n\n");
    EXPECT_EQ(ReadFile(kDetailPath), std::string(kDetailHeaderLine) +
                                         "\"Report.doc - Writer\",\"writer.exe\",\"14:05:09\",\"14:05:19\",\"0:0:10\"\r\n");
}

TEST_F(ProtocolGoldenTest, AnEmptyJournalGivesTheHeaderLinesAlone) {
    Make("");
    EXPECT_EQ(ReadFile(kDetailPath), kDetailHeaderLine);
    EXPECT_EQ(ReadFile(kStatPath), kStatHeaderLine);
}

TEST_F(ProtocolGoldenTest, OneRecordHasNoSuccessorAndGivesNoRow) {
    Make("08:00:00\nTracking started\n-\n31528\n\n");
    EXPECT_EQ(ReadFile(kDetailPath), kDetailHeaderLine);
    EXPECT_EQ(ReadFile(kStatPath), kStatHeaderLine);
}

TEST_F(ProtocolGoldenTest, StartWindowAndQuitGiveTwoRows) {
    Make(kStartWindowQuit);
    EXPECT_EQ(ReadFile(kDetailPath), std::string(kDetailHeaderLine) +
                                         "\"Tracking started\",\"-\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n"
                                         "\"Inbox - Mail\",\"mail.exe\",\"08:00:10\",\"09:00:10\",\"1:0:0\"\r\n");
    EXPECT_EQ(ReadFile(kStatPath), std::string(kStatHeaderLine) +
                                       "\"Tracking started\",\"-\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n"
                                       "\"Inbox - Mail\",\"mail.exe\",\"1\",\"1:0:0\",\"1:0:0\",\"1:0:0\",\"1:0:0\"\r\n");
}

TEST_F(ProtocolGoldenTest, AnUntitledRecordEndsTheRowBeforeItAndHasNoneOfItsOwn) {
    Make("08:00:00\nEditor\nedit.exe\n31528\n\n"
         "08:00:10\n-\n-\n31538\n\n"
         "08:00:30\nEditor\nedit.exe\n31558\n\n"
         "08:00:35\nTracking quit\n-\n31563\n\n");
    EXPECT_EQ(ReadFile(kDetailPath), std::string(kDetailHeaderLine) +
                                         "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n"
                                         "\"Editor\",\"edit.exe\",\"08:00:30\",\"08:00:35\",\"0:0:5\"\r\n");
    EXPECT_EQ(ReadFile(kStatPath), std::string(kStatHeaderLine) +
                                       "\"Editor\",\"edit.exe\",\"2\",\"0:0:15\",\"0:0:7\",\"0:0:10\",\"0:0:5\"\r\n");
}

TEST_F(ProtocolGoldenTest, AWindowTitledExactlyDashIsUntitled) {
    // Only the title decides: the module name of the window does not matter.
    Make("08:00:00\n-\nnotepad.exe\n31528\n\n"
         "08:00:10\n- \nnotepad.exe\n31538\n\n"
         "08:00:20\nTracking quit\n-\n31548\n\n");
    EXPECT_EQ(ReadFile(kDetailPath), std::string(kDetailHeaderLine) +
                                         "\"- \",\"notepad.exe\",\"08:00:10\",\"08:00:20\",\"0:0:10\"\r\n");
}

TEST_F(ProtocolGoldenTest, AnEarlierSuccessorMarksTheRowAndCountsZeroSeconds) {
    Make("08:00:00\nEditor\nedit.exe\n31528\n\n"
         "08:00:20\nEditor\nedit.exe\n31548\n\n"
         "08:00:10\nTracking quit\n-\n31538\n\n");
    EXPECT_EQ(ReadFile(kDetailPath),
              std::string(kDetailHeaderLine) +
                  "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:20\",\"0:0:20\"\r\n"
                  "\"Editor\",\"edit.exe\",\"08:00:20\",\"08:00:10\",\"Error : checksum for this entry doesn't match\"\r\n");
    EXPECT_EQ(ReadFile(kStatPath), "Warning : the details summary contains 1 corrupted entries.\r\n\r\n" +
                                       std::string(kStatHeaderLine) +
                                       "\"Editor\",\"edit.exe\",\"2\",\"0:0:20\",\"0:0:10\",\"0:0:20\",\"0:0:0\"\r\n");
}

TEST_F(ProtocolGoldenTest, AChangedChecksumMarksTheRowAndKeepsItsTrueDuration) {
    Make("08:00:00\nEditor\nedit.exe\n31529\n\n"
         "08:00:12\nTracking quit\n-\n31540\n\n");
    EXPECT_EQ(ReadFile(kDetailPath),
              std::string(kDetailHeaderLine) +
                  "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:12\",\"Error : checksum for this entry doesn't match\"\r\n");
    EXPECT_EQ(ReadFile(kStatPath), "Warning : the details summary contains 1 corrupted entries.\r\n\r\n" +
                                       std::string(kStatHeaderLine) +
                                       "\"Editor\",\"edit.exe\",\"1\",\"0:0:12\",\"0:0:12\",\"0:0:12\",\"0:0:12\"\r\n");
}

TEST_F(ProtocolGoldenTest, ARecordWrittenOnAnotherDayFailsItsChecksum) {
    // 08:00:00 on 14.01.2008: the weighted sum of that date is 2738.
    Make("08:00:00\nEditor\nedit.exe\n31538\n\n"
         "08:00:10\nTracking quit\n-\n31538\n\n");
    EXPECT_EQ(ReadFile(kDetailPath),
              std::string(kDetailHeaderLine) +
                  "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:10\",\"Error : checksum for this entry doesn't match\"\r\n");
}

TEST_F(ProtocolGoldenTest, NineteenHoursShowAs19_0_0) {
    Make("03:00:00\nLong build\nbuild.exe\n13528\n\n"
         "22:00:00\nTracking quit\n-\n81928\n\n");
    EXPECT_EQ(ReadFile(kDetailPath), std::string(kDetailHeaderLine) +
                                         "\"Long build\",\"build.exe\",\"03:00:00\",\"22:00:00\",\"19:0:0\"\r\n");
}

TEST_F(ProtocolGoldenTest, SamePairsShareALineAndDifferentOnesDoNot) {
    // Same title twice; the same title with another application; a title that
    // differs only in case. Lines follow the first appearance of each pair.
    Make("08:00:00\nmail\nmail.exe\n31528\n\n"
         "08:00:10\nEditor\nedit.exe\n31538\n\n"
         "08:00:11\nEditor\nother.exe\n31539\n\n"
         "08:00:12\nmail\nmail.exe\n31540\n\n"
         "08:00:14\nMail\nmail.exe\n31542\n\n"
         "08:00:20\nTracking quit\n-\n31548\n\n");
    EXPECT_EQ(ReadFile(kStatPath), std::string(kStatHeaderLine) +
                                       "\"mail\",\"mail.exe\",\"2\",\"0:0:12\",\"0:0:6\",\"0:0:10\",\"0:0:2\"\r\n"
                                       "\"Editor\",\"edit.exe\",\"1\",\"0:0:1\",\"0:0:1\",\"0:0:1\",\"0:0:1\"\r\n"
                                       "\"Editor\",\"other.exe\",\"1\",\"0:0:1\",\"0:0:1\",\"0:0:1\",\"0:0:1\"\r\n"
                                       "\"Mail\",\"mail.exe\",\"1\",\"0:0:6\",\"0:0:6\",\"0:0:6\",\"0:0:6\"\r\n");
}

TEST_F(ProtocolGoldenTest, AveragesDropTheirRemainder) {
    // Editor: 1, 1 and 2 seconds; Mail: 10 and 15 seconds.
    Make("08:00:00\nEditor\nedit.exe\n31528\n\n"
         "08:00:01\nMail\nmail.exe\n31529\n\n"
         "08:00:11\nEditor\nedit.exe\n31539\n\n"
         "08:00:12\nEditor\nedit.exe\n31540\n\n"
         "08:00:14\nMail\nmail.exe\n31542\n\n"
         "08:00:29\nTracking quit\n-\n31557\n\n");
    EXPECT_EQ(ReadFile(kStatPath), std::string(kStatHeaderLine) +
                                       "\"Editor\",\"edit.exe\",\"3\",\"0:0:4\",\"0:0:1\",\"0:0:2\",\"0:0:1\"\r\n"
                                       "\"Mail\",\"mail.exe\",\"2\",\"0:0:25\",\"0:0:12\",\"0:0:15\",\"0:0:10\"\r\n");
}

TEST_F(ProtocolGoldenTest, AnEmptyApplicationLineGivesAnEmptyField) {
    Make("08:00:00\nConsole\n\n31528\n\n"
         "08:00:10\nConsole\n\n31538\n\n"
         "08:00:30\nTracking quit\n-\n31558\n\n");
    EXPECT_EQ(ReadFile(kDetailPath), std::string(kDetailHeaderLine) +
                                         "\"Console\",\"\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n"
                                         "\"Console\",\"\",\"08:00:10\",\"08:00:30\",\"0:0:20\"\r\n");
    EXPECT_EQ(ReadFile(kStatPath), std::string(kStatHeaderLine) +
                                       "\"Console\",\"\",\"2\",\"0:0:30\",\"0:0:15\",\"0:0:20\",\"0:0:10\"\r\n");
}

TEST_F(ProtocolGoldenTest, QuotesAreDoubledAndCommasStayInsideTheirField) {
    // The journal keeps the title as it stands; only the CSV doubles the quote.
    Make("08:00:00\nSay \"hi\", then go\n\"odd\".exe\n31528\n\n"
         "08:00:10\nTracking quit\n-\n31538\n\n");
    EXPECT_EQ(ReadFile(kDetailPath),
              std::string(kDetailHeaderLine) +
                  "\"Say \"\"hi\"\", then go\",\"\"\"odd\"\".exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n");
    EXPECT_EQ(ReadFile(kStatPath),
              std::string(kStatHeaderLine) +
                  "\"Say \"\"hi\"\", then go\",\"\"\"odd\"\".exe\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n");
    EXPECT_EQ(ReadFile("tmp/tmp.dat").substr(9, 18), "Say \"hi\", then go\n");
}

TEST_F(ProtocolGoldenTest, TheDateGivesTheFolderAndTheFileNamesKeepTheMonthAsWritten) {
    WriteHeartbeatDate("13.1.2008");
    // 13.1.2008 has the weighted sum 2239.
    Make("08:00:00\nEditor\nedit.exe\n31039\n\n"
         "08:00:10\nTracking quit\n-\n31049\n\n");
    EXPECT_EQ(ReadFile("Protocols/2008/January/2008-1-13_detail.csv"),
              std::string(kDetailHeaderLine) + "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n");
    EXPECT_TRUE(FileExists("Protocols/2008/January/2008-1-13_stat.csv"));
    EXPECT_FALSE(FileExists(kDetailPath));

    WriteHeartbeatDate(kProtocolDay);
    ASSERT_TRUE(CreateProtocol());
    EXPECT_TRUE(FileExists(kDetailPath));
    EXPECT_TRUE(FileExists(kStatPath));
    EXPECT_EQ(CountEntries("Protocols"), 6);  // 2008, January and four files
}

TEST_F(ProtocolGoldenTest, EveryMonthHasItsEnglishName) {
    const char* const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
    WriteJournalBytes("");
    for (int month = 1; month <= 12; ++month) {
        WriteHeartbeatDate("01." + std::to_string(month) + ".2030");
        ASSERT_TRUE(CreateProtocol());
        EXPECT_TRUE(FileExists("Protocols/2030/" + std::string(names[month - 1]) + "/2030-" +
                               std::to_string(month) + "-01_detail.csv"))
            << month;
    }
}

TEST_F(ProtocolGoldenTest, ARemovedProtocolsFolderIsMadeAgain) {
    Make(kStartWindowQuit);
    const std::string detail = ReadFile(kDetailPath);
    std::filesystem::remove_all("Protocols");
    ASSERT_TRUE(CreateProtocol());
    EXPECT_EQ(ReadFile(kDetailPath), detail);
    EXPECT_EQ(ReadFile(kStatPath).substr(0, sizeof kStatHeaderLine - 1), kStatHeaderLine);
}

TEST_F(ProtocolGoldenTest, TheWarningCountsMarkedRowsAndTheirRowsAreSummed) {
    // Two marked rows: a changed checksum (true 10 s) and an earlier end (0 s).
    Make("08:00:00\nEditor\nedit.exe\n1\n\n"
         "08:00:10\nEditor\nedit.exe\n31538\n\n"
         "08:00:20\nEditor\nedit.exe\n31548\n\n"
         "08:00:05\nTracking quit\n-\n31533\n\n");
    EXPECT_EQ(ReadFile(kStatPath), "Warning : the details summary contains 2 corrupted entries.\r\n\r\n" +
                                       std::string(kStatHeaderLine) +
                                       "\"Editor\",\"edit.exe\",\"3\",\"0:0:20\",\"0:0:6\",\"0:0:10\",\"0:0:0\"\r\n");
}

TEST_F(ProtocolGoldenTest, ASecondCallStartsWithAnEmptyTable) {
    Make(kStartWindowQuit);
    WriteJournalBytes("08:00:00\nNews\nbrowser.exe\n31528\n\n"
                      "08:00:10\nTracking quit\n-\n31538\n\n");
    ASSERT_TRUE(CreateProtocol());
    EXPECT_EQ(ReadFile(kDetailPath), std::string(kDetailHeaderLine) +
                                         "\"News\",\"browser.exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n");
    EXPECT_EQ(ReadFile(kStatPath), std::string(kStatHeaderLine) +
                                       "\"News\",\"browser.exe\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n");
    EXPECT_EQ(g_statRowCount, 1u);
}

// ---- Failures ----------------------------------------------------------------------

constexpr const char kFatal[] = "The protocol files can't be opened.\n\nThe application is terminated.";
constexpr const char kNotFatal[] = "The protocol files can't be opened.";

class ProtocolFailureTest : public ProtocolTest {
protected:
    void ExpectOneReport(const char* message, bool fatal) {
        ASSERT_EQ(hosted::MessageBoxes().size(), 1u);
        EXPECT_EQ(hosted::MessageBoxes()[0].text, message);
        EXPECT_EQ(hosted::MessageBoxes()[0].caption, "Error");
        EXPECT_EQ(g_running, !fatal);
        std::string logged = message;
        for (std::size_t at = 0; (at = logged.find('\n', at)) != std::string::npos; at += 2) logged.insert(at, "\r");
        EXPECT_NE(ErrorLog().find(logged), std::string::npos);
    }
};

TEST_F(ProtocolFailureTest, AMissingHeartbeatIsFatalAndTouchesNoProtocol) {
    std::filesystem::remove("tmp/tmp.tsp");
    WriteJournalBytes(kStartWindowQuit);
    EXPECT_FALSE(CreateProtocol());
    ExpectOneReport(kFatal, true);
    EXPECT_FALSE(FileExists("Protocols"));
}

TEST_F(ProtocolFailureTest, AMissingJournalIsFatalAndTouchesNoProtocol) {
    MakeFolder("Protocols/2008/January");
    WriteFile(kDetailPath, "an earlier detail protocol");
    WriteFile(kStatPath, "an earlier statistics protocol");
    EXPECT_FALSE(CreateProtocol());
    ExpectOneReport(kFatal, true);
    EXPECT_EQ(ReadFile(kDetailPath), "an earlier detail protocol");
    EXPECT_EQ(ReadFile(kStatPath), "an earlier statistics protocol");
    EXPECT_EQ(CountEntries("Protocols"), 4);
}

TEST_F(ProtocolFailureTest, AJournalThatCannotBeOpenedIsFatal) {
    WriteJournalBytes(kStartWindowQuit);
    hosted::FailOpen("tmp/tmp.dat");
    EXPECT_FALSE(CreateProtocol());
    ExpectOneReport(kFatal, true);
    EXPECT_FALSE(FileExists("Protocols"));
}

TEST_F(ProtocolFailureTest, AnEmptyHeartbeatWritesNothingAndSaysWhy) {
    WriteJournalBytes(kStartWindowQuit);
    for (const char* heartbeat : {"", "\n09:00:00\n", "\n", "\r\n09:00:00\r\n"}) {
        hosted::ResetDesktop();
        g_running = true;
        WriteFile("tmp/tmp.tsp", heartbeat);
        EXPECT_FALSE(CreateProtocol());
        ExpectOneReport("The date of the protocol can't be read from the file tmp.tsp, so no protocol was written.",
                        false);
        EXPECT_FALSE(FileExists("Protocols"));
    }
}

TEST_F(ProtocolFailureTest, ADetailProtocolThatCannotBeMadeLeavesTheStatisticsAlone) {
    WriteJournalBytes(kStartWindowQuit);
    MakeFolder(kDetailPath);  // a folder where the file should be
    WriteFile(kStatPath, "an earlier protocol");
    EXPECT_FALSE(CreateProtocol());
    ExpectOneReport(kNotFatal, false);
    EXPECT_EQ(ReadFile(kStatPath), "an earlier protocol");
}

TEST_F(ProtocolFailureTest, AFolderThatCannotBeMadeShowsAsADetailProtocolThatCannotBeOpened) {
    WriteJournalBytes(kStartWindowQuit);
    hosted::FailCreateDirectory("Protocols/2008");
    EXPECT_FALSE(CreateProtocol());
    ExpectOneReport(kNotFatal, false);
    EXPECT_TRUE(FileExists("Protocols"));
    EXPECT_FALSE(FileExists("Protocols/2008"));
}

TEST_F(ProtocolFailureTest, AStatisticsProtocolThatCannotBeMadeLeavesAnEmptyDetailProtocol) {
    WriteJournalBytes(kStartWindowQuit);
    MakeFolder(kStatPath);
    WriteFile(kDetailPath, "an earlier protocol");
    EXPECT_FALSE(CreateProtocol());
    ExpectOneReport(kNotFatal, false);
    EXPECT_TRUE(FileExists(kDetailPath));
    EXPECT_EQ(ReadFile(kDetailPath), "");
}

}  // namespace
