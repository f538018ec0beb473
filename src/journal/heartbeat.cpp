#include "journal/heartbeat.h"

#include "app/report_error.h"
#include "journal/clock.h"
#include "journal/record.h"
#include "protocol/protocol.h"

#include <cstdio>
#include <cstdlib>

namespace {

// What a heartbeat file held when it was read.
enum class Stored {
    Nothing,   // no file, or no date in it: nothing to compare with
    DateOnly,  // a date but no time line (cut short): no gap can be measured
    DateAndTime,
};

Stored ReadHeartbeat(char (&date)[kClockTextSize], char (&time)[kClockTextSize]) {
    date[0] = '\0';
    time[0] = '\0';
    FILE* file = OpenStream(kHeartbeatPath, "rb");
    if (file == nullptr) return Stored::Nothing;
    ReadHeartbeatLine(file, date);
    const bool hasTime = ReadHeartbeatLine(file, time);
    std::fclose(file);
    if (date[0] == '\0') {
        // Only a hand-edited or damaged file lacks its date. Counting it as
        // absent keeps the journal: its records go into the next protocol,
        // where a record of another day fails its checksum and shows as such.
        ReportError(kMsgHeartbeatWithoutDate, false);
        return Stored::Nothing;
    }
    return hasTime ? Stored::DateAndTime : Stored::DateOnly;
}

// A journal that is missing or empty holds no record of its day.
bool JournalHoldsRecords() {
    FILE* journal = OpenStream(kJournalPath, "rb");
    if (journal == nullptr) return false;
    const bool any = std::fgetc(journal) != EOF;
    std::fclose(journal);
    return any;
}

void EmptyJournal() {
    FILE* journal = OpenStream(kJournalPath, "w");
    if (journal == nullptr) {
        ReportError(kMsgJournalNotEmptied, true);
        std::exit(0);
    }
    std::fclose(journal);
}

// The journal belongs to the stored day: it becomes that day's protocol and
// then starts afresh. Without records there is nothing to write, and an
// existing protocol of that day must not be replaced by an empty one; the
// user learns of it, and tracking goes on.
void RollOver(const char* storedDate) {
    if (!JournalHoldsRecords()) {
        char message[160];
        std::snprintf(message, sizeof message, kMsgNoRecordsForDay, storedDate);
        ReportError(message, false);
    } else if (!CreateProtocol()) {
        ReportError(kMsgCriticalError, true);
        std::exit(0);
    }
    EmptyJournal();
}

bool SameText(const char* a, const char* b) {
    for (; *a != '\0' && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

}  // namespace

void CheckHeartbeat() {
    char today[kClockTextSize];
    char now[kClockTextSize];
    GetDateString(today);
    GetTimeString(now);

    char storedDate[kClockTextSize];
    char storedTime[kClockTextSize];
    const Stored stored = ReadHeartbeat(storedDate, storedTime);
    if (stored != Stored::Nothing) {
        if (!SameText(storedDate, today)) {
            RollOver(storedDate);  // no gap test across a change of day
        } else if (stored == Stored::DateAndTime && TimeToSeconds(now) > TimeToSeconds(storedTime) + kMaxGapSeconds) {
            // The stretch before the gap ends at the last moment known to be tracked.
            AppendRecord(storedTime, kTextTrackingInterrupted, kTextNone);
        }
    }
    StampHeartbeat(today, now);
}
