#include "journal/record.h"

#include "app/report_error.h"
#include "journal/checksum.h"

#include <cstdio>

char g_recordText[kRecordTextSize];

namespace {

constexpr const char kHeartbeatNewPath[] = HX_TMP_FOLDER PATH_SEP "tmp.tsp.new";

// Appends `text` as one journal line at `*at`, never past `end`. A line feed
// or carriage return inside a title would add lines to the record and make a
// reader lose its five-line step, so each becomes a blank.
void PutLine(char** at, const char* end, const char* text) {
    char* out = *at;
    for (; *text != '\0' && out < end - 2; ++text) *out++ = (*text == '\n' || *text == '\r') ? ' ' : *text;
    *out++ = '\n';
    *out = '\0';
    *at = out;
}

// Returns whether the whole text reached the file.
bool WriteFileOnce(const char* path, const char* text, const char* mode) {
    CreateDirectoryA(kTmpFolder, nullptr);  // already there is no error
    FILE* file = OpenStream(path, mode);
    if (file == nullptr) {
        ReportError(kMsgFilesFatal, true);
        return false;
    }
    const bool written = std::fputs(text, file) >= 0;
    return std::fclose(file) == 0 && written;
}

}  // namespace

void WriteTextFile(const char* path, const char* text, const char* mode) {
    WriteFileOnce(path, text, mode);
}

void AppendRecord(const char* time, const char* title, const char* application) {
    const std::int32_t checksum = RecordChecksum(time, title, application);
    char* at = g_recordText;
    const char* end = g_recordText + kRecordTextSize - 16;  // room for the checksum lines
    PutLine(&at, end, time);
    PutLine(&at, end, title);
    PutLine(&at, end, application);
    std::snprintf(at, 16, "%i\n\n", static_cast<int>(checksum));
    WriteTextFile(kJournalPath, g_recordText, "ab");
}

void StampHeartbeat(const char* date, const char* time) {
    std::snprintf(g_recordText, kRecordTextSize, "%s\n%s\n", date, time);
    // Written beside the old file and moved over it in one step, so that a
    // crash or power loss mid-write leaves the old two lines, never half of them.
    if (!WriteFileOnce(kHeartbeatNewPath, g_recordText, "wb")) return;
    if (!MoveFileExA(kHeartbeatNewPath, kHeartbeatPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ReportError(kMsgFilesFatal, true);
}

bool ReadHeartbeatLine(std::FILE* file, char (&line)[kClockTextSize]) {
    int length = 0;
    int read = 0;
    int c = 0;
    while ((c = std::fgetc(file)) != EOF) {
        ++read;
        if (c == '\n') break;
        if (length < kClockTextSize - 1) line[length++] = static_cast<char>(c);
    }
    const bool whole = read - (c == '\n' ? 1 : 0) == length;
    if (whole && length > 0 && line[length - 1] == '\r') --length;
    line[length] = '\0';
    return read > 0;
}
