// Reading the journal back, one five-line record at a time, with bounded
// buffers and a way back into step when a record is not five lines.
#ifndef HORALUX_PROTOCOL_JOURNAL_READER_H
#define HORALUX_PROTOCOL_JOURNAL_READER_H

#include <cstddef>
#include <cstdio>

// A line read back: up to 1023 characters, its line feed included.
constexpr std::size_t kLineSize = 1024;

// The first four lines of a record, each with its line feed; the fifth, empty
// line is read and dropped. Of a record with lines too many, the application
// and the checksum are the two lines before its end.
struct JournalRecord {
    char time[kLineSize];
    char title[kLineSize];
    char application[kLineSize];
    char checksum[kLineSize];
    // Not the five whole lines of a record: lines added (a line break in a
    // title), lost, run together by an interrupted write, or longer than a
    // line buffer. Its lines are shown, not trusted.
    bool damaged;
    // The journal ends inside the time line: the time may be cut as well.
    bool timeCut;
};

enum class RecordRead {
    kNone,      // the journal is exhausted (or a read failed): no record
    kComplete,  // a record up to its end, sound or damaged
    kCut,       // the journal ends inside this record: only its time line is of use
};

struct JournalReader {
    FILE* file;
    char pending[kLineSize];  // a line read one too far: the next record's time line
    bool hasPending;
    bool pendingLong;
    bool pendingCut;
    char spare[kLineSize];  // lines beyond the fourth of a damaged record
};

void StartJournalReader(JournalReader* reader, FILE* file);

// Reads the next record. A record ends with the empty line after its checksum
// line; a record whose fifth line is empty keeps the five-line step even with
// a damaged checksum line. When a record is not five lines, reading goes on to
// the end of the record it is in (the empty line after a line holding only a
// number) and takes the line after it as the next record's time, so that one
// damaged record does not shift every later one. A carriage return before a
// line feed counts as part of the line end.
RecordRead ReadJournalRecord(JournalReader* reader, JournalRecord* record);

#endif
