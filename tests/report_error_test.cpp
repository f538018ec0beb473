// The error reporter: the box, the log entry and the fatal flag.
#include "app/app.h"
#include "app/report_error.h"
#include "support/program.h"

namespace {

using namespace testing_support;

class ReportErrorTest : public ProgramTest {};

TEST_F(ReportErrorTest, TwoReportsLayOutTheLogWithCrLf) {
    hosted::SetLocalClock(2008, 1, 13, 14, 5, 9);
    ReportError(kMsgProtocolFiles, false);
    EXPECT_TRUE(g_running);
    hosted::SetLocalClock(2008, 1, 13, 14, 5, 10);
    ReportError(kMsgJournalNotEmptied, true);
    EXPECT_FALSE(g_running);
    // An empty first line; each entry: date;time, then the message's lines;
    // nothing after the last message.
    EXPECT_EQ(ErrorLog(),
              "\r\n13.01.2008;14:05:09\r\nThe protocol files can't be opened."
              "\r\n13.01.2008;14:05:10\r\nThe temporary file can't be deleted.\r\n\r\nThe application is terminated.");
    ASSERT_EQ(hosted::MessageBoxes().size(), 2u);
    EXPECT_EQ(hosted::MessageBoxes()[1].text, "The temporary file can't be deleted.\n\nThe application is terminated.");
    EXPECT_EQ(hosted::MessageBoxes()[1].caption, "Error");
}

TEST_F(ReportErrorTest, TheLogCarriesTheMomentOfTheFailureNotOfTheBoxClosing) {
    hosted::SetMessageBoxHold(65000);  // the user reads the box for a minute
    ReportError(kMsgCriticalError, true);
    ReportError(kMsgCriticalError, true);
    EXPECT_EQ(ErrorLog(),
              "\r\n05.01.2026;09:00:00\r\nThe application has been terminated due to a critical error."
              "\r\n05.01.2026;09:01:05\r\nThe application has been terminated due to a critical error.");
}

TEST_F(ReportErrorTest, ALogThatCannotBeOpenedStillShowsTheBoxAndStops) {
    MakeFolder("error.txt");
    ReportError(kMsgCriticalError, true);
    EXPECT_EQ(hosted::MessageBoxes().size(), 1u);
    EXPECT_FALSE(g_running);
}

}  // namespace
