#include "protocol/journal_reader.h"

#include <cstring>
#include <iterator>

namespace {

enum class LineRead {
    kNone,     // nothing left to read
    kWhole,    // up to and with its line feed
    kCut,      // the journal ends before the line feed
    kTooLong,  // longer than the buffer: its start is kept, the rest skipped
};

constexpr std::size_t kRecordLines = 5;

// One line into `line`. A longer line is read to its end and dropped beyond
// the buffer, so that the next read starts on the next line.
LineRead ReadLine(FILE* file, char (&line)[kLineSize]) {
    line[kLineSize - 1] = '\1';  // stays unless the line fills the buffer
    if (std::fgets(line, static_cast<int>(kLineSize), file) == nullptr) return LineRead::kNone;
    const std::size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') {
        if (length > 1 && line[length - 2] == '\r') {
            line[length - 2] = '\n';
            line[length - 1] = '\0';
        }
        return LineRead::kWhole;
    }
    if (line[kLineSize - 1] == '\0' && line[kLineSize - 2] != '\n') {
        int c;
        while ((c = std::getc(file)) != EOF && c != '\n') {
        }
        return LineRead::kTooLong;
    }
    // Shorter than the buffer without a line feed where the text ends: the end
    // of the journal, or a zero byte inside a line that does end in one.
    return std::feof(file) || std::ferror(file) ? LineRead::kCut : LineRead::kWhole;
}

bool IsEmptyLine(const char* line) {
    return line[0] == '\n' && line[1] == '\0';
}

// A checksum line: an optional minus and decimal digits, nothing else.
bool IsNumberLine(const char* line) {
    if (*line == '-') ++line;
    if (*line < '0' || *line > '9') return false;
    while (*line >= '0' && *line <= '9') ++line;
    return *line == '\n' || *line == '\0';
}

// The first line of a record: the one read too far for the record before, or
// the next in the file.
LineRead ReadFirstLine(JournalReader* reader, char (&line)[kLineSize]) {
    if (!reader->hasPending) return ReadLine(reader->file, line);
    reader->hasPending = false;
    std::memcpy(line, reader->pending, std::strlen(reader->pending) + 1);
    if (reader->pendingLong) return LineRead::kTooLong;
    return reader->pendingCut ? LineRead::kCut : LineRead::kWhole;
}

void KeepForNextRecord(JournalReader* reader, const char* line, LineRead status) {
    std::memcpy(reader->pending, line, std::strlen(line) + 1);
    reader->hasPending = true;
    reader->pendingLong = status == LineRead::kTooLong;
    reader->pendingCut = status == LineRead::kCut;
}

}  // namespace

void StartJournalReader(JournalReader* reader, FILE* file) {
    reader->file = file;
    reader->pending[0] = '\0';
    reader->hasPending = false;
    reader->pendingLong = false;
    reader->pendingCut = false;
}

RecordRead ReadJournalRecord(JournalReader* reader, JournalRecord* record) {
    record->title[0] = '\0';
    record->application[0] = '\0';
    record->checksum[0] = '\0';
    record->damaged = false;

    LineRead status = ReadFirstLine(reader, record->time);
    if (status == LineRead::kNone) return RecordRead::kNone;
    bool tooLong = status == LineRead::kTooLong;
    bool atEnd = status == LineRead::kCut;
    record->timeCut = atEnd;

    char (*const slots[])[kLineSize] = {&record->title, &record->application, &record->checksum};
    std::size_t lines = 1;
    bool lastIsNumber = false;  // the line before this one holds only a number
    while (!atEnd) {
        char(&line)[kLineSize] = lines <= std::size(slots) ? *slots[lines - 1] : reader->spare;
        status = ReadLine(reader->file, line);
        if (status == LineRead::kNone) {
            atEnd = true;
            break;
        }
        ++lines;
        tooLong = tooLong || status == LineRead::kTooLong;
        const bool empty = IsEmptyLine(line);
        if (empty && (lines == kRecordLines || (lines > 3 && lastIsNumber))) {
            // The record's end. A line was lost when it comes early: then the
            // number line was line 3, which is no application.
            if (lines == 4) record->application[0] = '\0';
            record->damaged = lines != kRecordLines || !lastIsNumber || tooLong;
            return RecordRead::kComplete;
        }
        if (lines == kRecordLines && lastIsNumber) {
            // The empty line after the checksum is missing: this line already
            // starts the next record.
            KeepForNextRecord(reader, line, status);
            record->damaged = true;
            return RecordRead::kComplete;
        }
        lastIsNumber = IsNumberLine(line);
        atEnd = status == LineRead::kCut;
        if (lines > kRecordLines - 1) {
            // A line too many: the application is then the line before the
            // checksum, so the last two lines read are kept.
            std::memcpy(record->application, record->checksum, std::strlen(record->checksum) + 1);
            std::memcpy(record->checksum, line, std::strlen(line) + 1);
        }
    }
    // The journal ends inside the record. What an interrupted write leaves (at
    // most four lines) is a cut record; anything longer was never one record.
    if (lines < kRecordLines && !tooLong) return RecordRead::kCut;
    record->damaged = true;
    return RecordRead::kComplete;
}
