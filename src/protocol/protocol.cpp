// CreateProtocol and the detail protocol: each record of the journal and the
// record after it become one row, checked for time order and checksum.
#include "protocol/protocol.h"

#include "app/report_error.h"
#include "journal/checksum.h"
#include "journal/clock.h"
#include "journal/record.h"
#include "platform/win32.h"
#include "protocol/journal_reader.h"
#include "protocol/protocol_paths.h"
#include "protocol/protocol_text.h"
#include "protocol/statistics.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

constexpr const char* const kDetailHeader[] = {"Datei", "Anwendung", "Bearbeitung Start", "Bearbeitung Ende",
                                               "Bearbeitungsdauer"};
constexpr const char kChecksumErrorText[] = "Error : checksum for this entry doesn't match";
constexpr const char kUntitledLine[] = "-\n";

// What the rows of one protocol share.
struct DetailRun {
    FILE* detail;
    const char* date;                // the protocol date, uncut, for the checksums
    std::uint32_t corruptedEntries;  // rows with the error text
};

// A stretch ends where the next record begins; an end before the start is no
// stretch at all.
bool MeasureStretch(const char* startLine, const char* endLine, std::int32_t* seconds) {
    const DWORD start = TimeToSeconds(startLine);
    const DWORD end = TimeToSeconds(endLine);
    *seconds = 0;
    if (end < start) return false;
    const DWORD length = end - start;
    // Only hand-edited times come near this; the duration then says "very long".
    *seconds = length > static_cast<DWORD>(std::numeric_limits<std::int32_t>::max())
                   ? std::numeric_limits<std::int32_t>::max()
                   : static_cast<std::int32_t>(length);
    return true;
}

bool ChecksumMatches(JournalRecord& record, const char* date) {
    return ReadDecimal(record.checksum) == EntryChecksum(StripLineEnd(record.time), date);
}

void WriteDetailRow(DetailRun* run, JournalRecord& record, char* endTime, std::int32_t seconds,
                    bool marked) {
    char duration[kDurationTextSize];
    FormatDuration(seconds, duration);
    if (marked) ++run->corruptedEntries;
    const char* const fields[] = {StripLineEnd(record.title), StripLineEnd(record.application),
                                  StripLineEnd(record.time), StripLineEnd(endTime),
                                  marked ? kChecksumErrorText : duration};
    WriteCsvRow(run->detail, fields, std::size(fields));
    AddToStatistics(record.title, record.application, seconds);
}

// The row of `previous`, which runs to the time of `current`.
void HandlePair(DetailRun* run, JournalRecord& previous, JournalRecord& current) {
    // An untitled window's time belongs to no row; a damaged record is always shown.
    if (!previous.damaged && std::strcmp(previous.title, kUntitledLine) == 0) return;
    std::int32_t seconds = 0;
    bool marked = !MeasureStretch(previous.time, current.time, &seconds);
    if (previous.damaged || current.timeCut || !ChecksumMatches(previous, run->date)) marked = true;
    WriteDetailRow(run, previous, current.time, seconds, marked);
}

// The journal's last record has no successor and no row of its own, unless it
// is damaged: then it is shown, as a stretch of nothing, so that the damage is
// seen.
void HandleLastRecord(DetailRun* run, JournalRecord& last) {
    if (!last.damaged) return;
    char endTime[kLineSize];
    std::memcpy(endTime, last.time, std::strlen(last.time) + 1);
    WriteDetailRow(run, last, endTime, 0, true);
}

void WriteDetailRows(DetailRun* run, FILE* journal) {
    JournalReader reader;
    StartJournalReader(&reader, journal);
    JournalRecord records[2];
    JournalRecord* previous = nullptr;
    JournalRecord* current = &records[0];
    for (;;) {
        const RecordRead read = ReadJournalRecord(&reader, current);
        if (read == RecordRead::kNone) break;
        if (previous != nullptr) HandlePair(run, *previous, *current);
        if (read == RecordRead::kCut) {
            // Its time ended the stretch before it; nothing else of it is of use.
            previous = nullptr;
            break;
        }
        JournalRecord* const next = previous != nullptr ? previous : &records[1];
        previous = current;
        current = next;
    }
    if (previous != nullptr) HandleLastRecord(run, *previous);
}

void MakeFolders(const ProtocolPaths& paths) {
    for (std::size_t i = 0; i < paths.folderCount; ++i) CreateDirectoryA(paths.folders[i], nullptr);
}

}  // namespace

bool CreateProtocol() {
    ResetStatistics();

    FILE* heartbeat = OpenStream(kHeartbeatPath, "rb");
    if (heartbeat == nullptr) {
        ReportError(kMsgFilesFatal, true);
        return false;
    }
    char date[kClockTextSize];
    date[0] = '\0';
    ReadHeartbeatLine(heartbeat, date);
    std::fclose(heartbeat);
    if (date[0] == '\0') {
        ReportError(kMsgNoProtocolDate, false);
        return false;
    }

    FILE* journal = OpenStream(kJournalPath, "rb");
    if (journal == nullptr) {
        ReportError(kMsgFilesFatal, true);
        return false;
    }

    ProtocolPaths paths;
    BuildProtocolPaths(date, &paths);
    MakeFolders(paths);  // one that cannot be made shows as a file that cannot be opened

    FILE* detail = OpenStream(paths.detail, "w");
    if (detail == nullptr) {
        ReportError(kMsgProtocolFiles, false);
        std::fclose(journal);
        return false;
    }
    FILE* statistics = OpenStream(paths.statistics, "w");
    if (statistics == nullptr) {
        ReportError(kMsgProtocolFiles, false);
        std::fclose(journal);
        std::fclose(detail);
        return false;
    }

    WriteCsvRow(detail, kDetailHeader, std::size(kDetailHeader));
    DetailRun run{detail, date, 0};
    WriteDetailRows(&run, journal);
    WriteStatistics(statistics, run.corruptedEntries);

    std::fclose(journal);
    std::fclose(detail);
    std::fclose(statistics);
    return true;
}
