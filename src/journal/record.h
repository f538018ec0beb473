// The journal tmp/tmp.dat and the heartbeat file tmp/tmp.tsp: their layouts,
// the shared record buffer and the one routine through which both are written.
#ifndef HORALUX_JOURNAL_RECORD_H
#define HORALUX_JOURNAL_RECORD_H

#include "journal/clock.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdio>

#define HX_TMP_FOLDER "tmp"
constexpr const char kTmpFolder[] = HX_TMP_FOLDER;
constexpr const char kJournalPath[] = HX_TMP_FOLDER PATH_SEP "tmp.dat";
constexpr const char kHeartbeatPath[] = HX_TMP_FOLDER PATH_SEP "tmp.tsp";

// A window title or module name holds at most 255 characters and its zero.
constexpr int kTitleSize = 256;

// Line 2 of the event records, and the "-" of a missing title or module.
constexpr const char kTextTrackingStarted[] = "Tracking started";
constexpr const char kTextTrackingQuit[] = "Tracking quit";
constexpr const char kTextScreensaverActive[] = "Screensaver active";
constexpr const char kTextTrackingInterrupted[] = "Tracking interrupted";
constexpr const char kTextNone[] = "-";

// Every record and every heartbeat text is formatted here just before it is written.
constexpr std::size_t kRecordTextSize = 4096;
extern char g_recordText[kRecordTextSize];

// Creates the folder tmp, opens `path` with `mode`, writes `text` unchanged and
// closes the file. A failed open is reported as fatal.
void WriteTextFile(const char* path, const char* text, const char* mode);

// Appends one five-line record to the journal: the time, the title (or event
// text or "-"), the application (or "-"), the checksum, an empty line. Line
// breaks inside the texts become blanks, so that every record keeps its five
// lines.
void AppendRecord(const char* time, const char* title, const char* application);

// Writes the heartbeat file's two lines, the date and then the time.
void StampHeartbeat(const char* date, const char* time);

// Reads one line of the heartbeat file, whole up to its line feed, so that a
// time with a blank and a marker comes back as written. A carriage return
// before the line feed (the file saved by an editor) is no part of the line;
// a line longer than a clock string keeps its first 31 characters and the
// rest is passed over. False when the file held nothing more.
bool ReadHeartbeatLine(std::FILE* file, char (&line)[kClockTextSize]);

#endif
