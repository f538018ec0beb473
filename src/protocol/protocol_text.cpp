#include "protocol/protocol_text.h"

#include <cstring>

void FormatDuration(std::int32_t seconds, char (&out)[kDurationTextSize]) {
    if (seconds <= 0) seconds = 0;
    std::snprintf(out, kDurationTextSize, "%i:%i:%i", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
}

char* StripLineEnd(char* text) {
    if (char* lineFeed = std::strchr(text, '\n')) *lineFeed = '\0';
    return text;
}

namespace {

// A quoted field; a quote inside it is written twice, so that a title with
// quotes or commas stays one field for every CSV reader.
void WriteCsvField(FILE* file, const char* text) {
    std::fputc('"', file);
    while (const char* quote = std::strchr(text, '"')) {
        std::fwrite(text, 1, static_cast<std::size_t>(quote - text) + 1, file);
        std::fputc('"', file);
        text = quote + 1;
    }
    std::fputs(text, file);
    std::fputc('"', file);
}

}  // namespace

void WriteCsvRow(FILE* file, const char* const* fields, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) std::fputc(',', file);
        WriteCsvField(file, fields[i]);
    }
    std::fputc('\n', file);
}
