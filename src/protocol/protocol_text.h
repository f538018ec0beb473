// Small text routines of both protocols: durations, line ends, CSV rows.
#ifndef HORALUX_PROTOCOL_PROTOCOL_TEXT_H
#define HORALUX_PROTOCOL_PROTOCOL_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Room for any duration text: "596523:14:7" (the largest 32-bit count) is 11.
constexpr std::size_t kDurationTextSize = 16;

// Seconds as hours:minutes:seconds without leading zeros ("1:2:5"); 0 or
// less gives "0:0:0", the hours have no upper limit.
void FormatDuration(std::int32_t seconds, char (&out)[kDurationTextSize]);

// Cuts the text at its first line feed, in place, and returns it.
char* StripLineEnd(char* text);

// Writes one CSV line: every field in double quotes, a double quote inside a
// field doubled, fields joined by single commas, a line feed at the end (the
// protocols are text files, so it reaches the disk as CR LF).
void WriteCsvRow(FILE* file, const char* const* fields, std::size_t count);

#endif
