// The statistics protocol: one row per pair of title and application, summed
// while the detail rows are written, and written after the last of them.
#ifndef HORALUX_PROTOCOL_STATISTICS_H
#define HORALUX_PROTOCOL_STATISTICS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr std::size_t kStatTextSize = 256;  // 255 characters and the terminating zero
constexpr std::size_t kStatTableSize = 10000;

struct StatEntry {
    char title[kStatTextSize];
    char application[kStatTextSize];
    std::int32_t hits;
    std::int32_t maxSeconds;
    std::int32_t minSeconds;
    std::int32_t totalSeconds;
};

// Rows from the first on that belong to the running protocol, in the order in
// which their pairs first came.
extern StatEntry g_statTable[kStatTableSize];
extern std::uint16_t g_statRowCount;
// Detail rows whose pair found no free row once the table was full.
extern std::uint32_t g_statRowsLeftOut;

// Starts a new protocol's statistics: no rows in use, nothing left out.
void ResetStatistics();

// Sums one detail row into the row of its pair, or makes a new row. Texts
// longer than 255 characters are cut, and the cut text is the key.
void AddToStatistics(const char* title, const char* application, std::int32_t seconds);

// The warning lines when needed, the header, and one line per row in use.
void WriteStatistics(FILE* file, std::uint32_t corruptedEntries);

#endif
