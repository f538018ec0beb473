// Telling the user of a failure: a message box, a line in error.txt, and for a
// fatal failure the end of the main loop. Every part of the program reports
// through here.
#ifndef HORALUX_APP_REPORT_ERROR_H
#define HORALUX_APP_REPORT_ERROR_H

// The program's messages, exactly as the user sees and the log keeps them.
constexpr const char kMsgCriticalError[] =
    "The application has been terminated due to a critical error.";
constexpr const char kMsgJournalNotEmptied[] =
    "The temporary file can't be deleted.\n\nThe application is terminated.";
constexpr const char kMsgFilesFatal[] =
    "The protocol files can't be opened.\n\nThe application is terminated.";
constexpr const char kMsgProtocolFiles[] = "The protocol files can't be opened.";
// Not fatal: tracking goes on, the user learns that a day has no protocol or
// that the heartbeat file was damaged. The first takes the day's date.
constexpr const char kMsgNoRecordsForDay[] =
    "No protocol was written for %s: the journal of that day is missing or empty.";
constexpr const char kMsgHeartbeatWithoutDate[] =
    "The heartbeat file holds no date.\n\nThe journal is kept and goes into the next protocol.";
constexpr const char kMsgNoProtocolDate[] =
    "The date of the protocol can't be read from the file tmp.tsp, so no protocol was written.";

constexpr const char kErrorCaption[] = "Error";
constexpr const char kErrorLogPath[] = "error.txt";

// Shows the message (caption "Error"), appends it with the date and time to
// error.txt, and when fatal clears g_running so that the main loop ends.
void ReportError(const char* message, bool fatal);

#endif
