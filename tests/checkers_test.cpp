// The shared checkers themselves: if they let a fault through, both suites
// would pass a broken program. Their verdicts on small hand-made files.
#include "checkers/journal_check.h"
#include "checkers/protocol_model.h"
#include "checkers/sample_day.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// 13.01.2008: a record's checksum is its time in seconds plus 2728.
constexpr const char kDay[] = "13.01.2008";

TEST(CheckersTest, AJournalIsValidOnlyAsWholeRecordsWithTheDaysChecksums) {
    const std::string good = "14:05:09\nReport - Writer\nwriter.exe\n53437\n\n";
    EXPECT_EQ(checkers::RecordBytes("14:05:09", "Report - Writer", "writer.exe", kDay), good);
    EXPECT_EQ(checkers::CheckJournal("", kDay), "");
    EXPECT_EQ(checkers::CheckJournal(good + good, kDay), "");
    const struct {
        std::string bytes;
        std::string fault;
    } cases[] = {
        {"14:05:09\r\nReport\nwriter.exe\n53437\n\n", "carriage return at byte 8"},
        {"14:05:09\nReport\nwriter.exe\n53437\n", "record 1 has only 4 lines"},
        {"14:05:09\nReport\nwriter.exe\n53437\n\n14:05:10", "the last line has no line feed"},
        {"14:05:09\n\nwriter.exe\n53437\n\n", "record 1, line 2: empty"},
        {"14:05:09\nReport\nwriter.exe\n53437\nx\n", "record 1, line 5: not empty: \"x\""},
        {good + "14:05:10\nReport\nwriter.exe\n53437\n\n",
         "record 2, line 4: checksum 53437, but 14:05:10 on 13.01.2008 gives 53438"},
        {"14:05:09\nReport\nwriter.exe\n053437\n\n",
         "record 1, line 4: checksum 053437, but 14:05:09 on 13.01.2008 gives 53437"},
    };
    for (const auto& c : cases) EXPECT_EQ(checkers::CheckJournal(c.bytes, kDay), c.fault) << c.bytes;
    EXPECT_NE(checkers::CheckJournal(good, "14.01.2008"), "") << "another day's checksums";
}

TEST(CheckersTest, HeartbeatAndErrorLogAreCheckedToTheByte) {
    std::string time;
    EXPECT_EQ(checkers::CheckHeartbeat("13.01.2008\n14:05:09\n", kDay, &time), "");
    EXPECT_EQ(time, "14:05:09");
    EXPECT_NE(checkers::CheckHeartbeat("13.01.2008\r\n14:05:09\r\n", kDay), "");
    EXPECT_NE(checkers::CheckHeartbeat("13.01.2008\n14:05:09", kDay), "");
    EXPECT_NE(checkers::CheckHeartbeat("12.01.2008\n14:05:09\n", kDay), "");

    const std::string message = "The protocol files can't be opened.\n\nThe application is terminated.";
    const std::string entry = "\r\n13.01.2008;14:05:09\r\nThe protocol files can't be opened.\r\n\r\n"
                              "The application is terminated.";
    std::vector<std::string> times;
    EXPECT_EQ(checkers::CheckErrorLog(entry + entry, kDay, {message, message}, &times), "");
    EXPECT_EQ(times, (std::vector<std::string>{"14:05:09", "14:05:09"}));
    EXPECT_EQ(checkers::CheckErrorLog("", kDay, {}), "");
    EXPECT_NE(checkers::CheckErrorLog(entry, kDay, {message, message}), "") << "an entry missing";
    EXPECT_NE(checkers::CheckErrorLog(entry + entry, kDay, {message}), "") << "an entry too many";
    EXPECT_NE(checkers::CheckErrorLog("\n13.01.2008;14:05:09\n" + message, kDay, {message}), "") << "bare LF";
}

TEST(CheckersTest, TheModelGivesTheWorkedDayOfStartWindowAndQuit) {
    const checkers::ExpectedProtocols p = checkers::ExpectProtocols(
        "08:00:00\nTracking started\n-\n31528\n\n"
        "08:00:10\nInbox \"3\" - Mail\nmail.exe\n31538\n\n"
        "09:00:10\nTracking quit\n-\n35138\n\n",
        kDay);
    EXPECT_EQ(p.detailPath, "Protocols/2008/January/2008-01-13_detail.csv");
    EXPECT_EQ(p.statisticsPath, "Protocols/2008/January/2008-01-13_stat.csv");
    EXPECT_EQ(p.detail, std::string(checkers::kDetailHeader) +
                            "\"Tracking started\",\"-\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n"
                            "\"Inbox \"\"3\"\" - Mail\",\"mail.exe\",\"08:00:10\",\"09:00:10\",\"1:0:0\"\r\n");
    EXPECT_EQ(p.statistics, std::string(checkers::kStatisticsHeader) +
                                "\"Tracking started\",\"-\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n"
                                "\"Inbox \"\"3\"\" - Mail\",\"mail.exe\",\"1\",\"1:0:0\",\"1:0:0\",\"1:0:0\",\"1:0:0\"\r\n");
}

TEST(CheckersTest, TheModelMarksFaultsSkipsUntitledRecordsAndSumsPairs) {
    const checkers::ExpectedProtocols p =
        checkers::ExpectProtocols(checkers::SampleDayJournal("3.1.2024"), "3.1.2024");
    EXPECT_EQ(p.detailPath, "Protocols/2024/January/2024-1-3_detail.csv");
    const std::string error = "\"Error : checksum for this entry doesn't match\"";
    EXPECT_EQ(p.detail,
              std::string(checkers::kDetailHeader) +
                  "\"Tracking started\",\"-\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n"
                  "\"Bericht \"\"Q1\"\", Entwurf.docx - Writer\",\"writer.exe\",\"08:00:10\",\"08:20:10\",\"0:20:0\"\r\n"
                  "\"\xDC" "bersicht M\xE4rz %s - Mail\",\"mail.exe\",\"08:25:00\",\"09:00:00\",\"0:35:0\"\r\n"
                  "\"Screensaver active\",\"-\",\"09:00:00\",\"09:30:00\",\"0:30:0\"\r\n"
                  "\"Bericht \"\"Q1\"\", Entwurf.docx - Writer\",\"writer.exe\",\"09:30:00\",\"09:45:00\",\"0:15:0\"\r\n"
                  "\"Rechner\",\"calc.exe\",\"09:45:00\",\"09:40:00\"," + error + "\r\n"
                  "\"Tracking interrupted\",\"-\",\"09:40:00\",\"10:00:00\",\"0:20:0\"\r\n"
                  "\"Tracking started\",\"-\",\"10:00:00\",\"11:30:00\",\"1:30:0\"\r\n"
                  "\"Administrator: Terminal\",\"-\",\"11:30:00\",\"17:45:10\"," + error + "\r\n");
    EXPECT_EQ(p.statistics,
              "Warning : the details summary contains 2 corrupted entries.\r\n\r\n" +
                  std::string(checkers::kStatisticsHeader) +
                  "\"Tracking started\",\"-\",\"2\",\"1:30:10\",\"0:45:5\",\"1:30:0\",\"0:0:10\"\r\n"
                  "\"Bericht \"\"Q1\"\", Entwurf.docx - Writer\",\"writer.exe\",\"2\",\"0:35:0\",\"0:17:30\","
                  "\"0:20:0\",\"0:15:0\"\r\n"
                  "\"\xDC" "bersicht M\xE4rz %s - Mail\",\"mail.exe\",\"1\",\"0:35:0\",\"0:35:0\",\"0:35:0\",\"0:35:0\"\r\n"
                  "\"Screensaver active\",\"-\",\"1\",\"0:30:0\",\"0:30:0\",\"0:30:0\",\"0:30:0\"\r\n"
                  "\"Rechner\",\"calc.exe\",\"1\",\"0:0:0\",\"0:0:0\",\"0:0:0\",\"0:0:0\"\r\n"
                  "\"Tracking interrupted\",\"-\",\"1\",\"0:20:0\",\"0:20:0\",\"0:20:0\",\"0:20:0\"\r\n"
                  "\"Administrator: Terminal\",\"-\",\"1\",\"6:15:10\",\"6:15:10\",\"6:15:10\",\"6:15:10\"\r\n");
    EXPECT_THROW(checkers::ExpectProtocols("", "2024-01-03"), std::invalid_argument);
    EXPECT_THROW(checkers::ExpectProtocols("08:00:00\n", "3.1.2024"), std::invalid_argument);
}

}  // namespace
