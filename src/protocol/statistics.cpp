#include "protocol/statistics.h"

#include "platform/win32.h"
#include "protocol/protocol_text.h"

#include <charconv>
#include <cstring>
#include <iterator>
#include <limits>

StatEntry g_statTable[kStatTableSize];
std::uint16_t g_statRowCount = 0;
std::uint32_t g_statRowsLeftOut = 0;

static_assert(kStatTableSize <= std::numeric_limits<std::uint16_t>::max(), "the row count holds every row");

namespace {

constexpr std::size_t kStatKeyLength = kStatTextSize - 1;

// An open-addressing index of row numbers beside the table, so that finding
// a pair does not cost a search through every row. Over three slots per row
// keep the probe runs short; rows stay in the order their pairs came.
constexpr std::size_t kIndexSize = 32768;
static_assert((kIndexSize & (kIndexSize - 1)) == 0, "the index size is a power of two");
static_assert(kIndexSize > 3 * kStatTableSize, "the index stays sparse");
std::uint16_t g_indexSlots[kIndexSize];  // row number + 1; 0 is a free slot
std::uint32_t g_rowHashes[kStatTableSize];

// FNV-1a over the key as a row keeps it: 255 characters of each text.
std::uint32_t PairHash(const char* title, const char* application) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < kStatKeyLength && title[i] != '\0'; ++i)
        hash = (hash ^ static_cast<unsigned char>(title[i])) * 16777619u;
    hash = (hash ^ 0xFFu) * 16777619u;  // no byte of a text: keeps "ab"+"c" apart from "a"+"bc"
    for (std::size_t i = 0; i < kStatKeyLength && application[i] != '\0'; ++i)
        hash = (hash ^ static_cast<unsigned char>(application[i])) * 16777619u;
    return hash;
}
constexpr std::int32_t kMaxSeconds = std::numeric_limits<std::int32_t>::max();

constexpr const char* const kStatHeader[] = {"Datei",
                                             "Anwendung",
                                             "Zugriffe",
                                             "Bearbeitungszeit gesamt ",
                                             "Durchnittliche Bearbeitungszeit",
                                             "Maximale Bearbeitungszeit",
                                             "Minimale Bearbeitungszeit"};

// Matches on the first 255 characters, which is all a row keeps.
bool RowHoldsPair(const StatEntry& row, const char* title, const char* application) {
    return std::strncmp(row.title, title, kStatKeyLength) == 0 &&
           std::strncmp(row.application, application, kStatKeyLength) == 0;
}

// A day's sums cannot come near the limit; a hand-edited journal can.
std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) {
    return a > kMaxSeconds - b ? kMaxSeconds : a + b;
}

void SumIntoRow(StatEntry& row, std::int32_t seconds) {
    row.totalSeconds = SaturatingAdd(row.totalSeconds, seconds);
    row.hits = SaturatingAdd(row.hits, 1);
    if (seconds < row.minSeconds) row.minSeconds = seconds;
    if (seconds > row.maxSeconds) row.maxSeconds = seconds;
}

void FillNewRow(StatEntry& row, const char* title, const char* application, std::int32_t seconds) {
    lstrcpynA(row.title, title, static_cast<int>(kStatTextSize));
    lstrcpynA(row.application, application, static_cast<int>(kStatTextSize));
    row.hits = 1;
    row.maxSeconds = seconds;
    row.minSeconds = seconds;
    row.totalSeconds = seconds;
}

}  // namespace

void ResetStatistics() {
    g_statRowCount = 0;
    g_statRowsLeftOut = 0;
    std::memset(g_indexSlots, 0, sizeof g_indexSlots);
}

void AddToStatistics(const char* title, const char* application, std::int32_t seconds) {
    if (seconds < 0) seconds = 0;
    const std::uint32_t hash = PairHash(title, application);
    std::size_t slot = hash & (kIndexSize - 1);
    // Bounded, though a slot is always free: the index has more slots than rows.
    for (std::size_t probes = 0; probes < kIndexSize; ++probes, slot = (slot + 1) & (kIndexSize - 1)) {
        if (g_indexSlots[slot] == 0) break;
        const std::size_t row = g_indexSlots[slot] - 1u;
        if (row < g_statRowCount && g_rowHashes[row] == hash && RowHoldsPair(g_statTable[row], title, application)) {
            SumIntoRow(g_statTable[row], seconds);
            return;
        }
    }
    if (g_statRowCount >= kStatTableSize || g_indexSlots[slot] != 0) {
        ++g_statRowsLeftOut;
        return;
    }
    FillNewRow(g_statTable[g_statRowCount], title, application, seconds);
    g_rowHashes[g_statRowCount] = hash;
    ++g_statRowCount;
    g_indexSlots[slot] = g_statRowCount;
}

void WriteStatistics(FILE* file, std::uint32_t corruptedEntries) {
    if (corruptedEntries > 0)
        std::fprintf(file, "Warning : the details summary contains %u corrupted entries.\n\n", corruptedEntries);
    if (g_statRowsLeftOut > 0)
        std::fprintf(file,
                     "Warning : the statistics are incomplete: only the first %u different pairs are listed, "
                     "%u entries of further pairs are left out.\n\n",
                     static_cast<unsigned>(kStatTableSize), g_statRowsLeftOut);
    WriteCsvRow(file, kStatHeader, std::size(kStatHeader));

    char hits[16];
    char total[kDurationTextSize];
    char average[kDurationTextSize];
    char longest[kDurationTextSize];
    char shortest[kDurationTextSize];
    for (std::uint16_t i = 0; i < g_statRowCount; ++i) {
        StatEntry& row = g_statTable[i];
        *std::to_chars(hits, hits + sizeof hits - 1, row.hits).ptr = '\0';
        FormatDuration(row.totalSeconds, total);
        FormatDuration(row.totalSeconds / row.hits, average);
        FormatDuration(row.maxSeconds, longest);
        FormatDuration(row.minSeconds, shortest);
        const char* const fields[] = {StripLineEnd(row.title), StripLineEnd(row.application), hits, total,
                                      average, longest, shortest};
        WriteCsvRow(file, fields, std::size(fields));
    }
}
