#include "protocol/protocol_text.h"

#include <charconv>
#include <cstring>
#include <iterator>

void FormatDuration(std::int32_t seconds, char (&out)[kDurationTextSize]) {
    if (seconds <= 0) seconds = 0;
    const std::int32_t parts[] = {seconds / 3600, seconds % 3600 / 60, seconds % 60};
    char* at = out;
    char* const end = out + kDurationTextSize - 1;
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        if (i > 0) *at++ = ':';
        at = std::to_chars(at, end, parts[i]).ptr;
    }
    *at = '\0';
}

char* StripLineEnd(char* text) {
    if (char* lineFeed = std::strchr(text, '\n')) *lineFeed = '\0';
    return text;
}

namespace {

// A row is gathered here and written at once: a protocol has thousands of
// rows, and a stream call per quote and comma costs more than the rest.
struct RowBuffer {
    FILE* file;
    std::size_t used;
    char bytes[4096];
};

void Put(RowBuffer& row, char c) {
    if (row.used == sizeof row.bytes) {
        std::fwrite(row.bytes, 1, row.used, row.file);
        row.used = 0;
    }
    row.bytes[row.used++] = c;
}

// A quoted field; a quote inside it is written twice, so that a title with
// quotes or commas stays one field for every CSV reader.
void PutField(RowBuffer& row, const char* text) {
    Put(row, '"');
    for (; *text != '\0'; ++text) {
        if (*text == '"') Put(row, '"');
        Put(row, *text);
    }
    Put(row, '"');
}

}  // namespace

void WriteCsvRow(FILE* file, const char* const* fields, std::size_t count) {
    RowBuffer row;
    row.file = file;
    row.used = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) Put(row, ',');
        PutField(row, fields[i]);
    }
    Put(row, '\n');
    std::fwrite(row.bytes, 1, row.used, file);
}
