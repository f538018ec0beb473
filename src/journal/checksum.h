// The checksum stored with every journal record: it covers the record's time
// text and the date on which the record was written, nothing else.
#ifndef HORALUX_JOURNAL_CHECKSUM_H
#define HORALUX_JOURNAL_CHECKSUM_H

#include <cstdint>

// Sum of each byte (as a signed 8-bit number) times its position plus one.
std::int32_t WeightedSum(const char* text);
// TimeToSeconds(time) + WeightedSum(date), in 32-bit arithmetic.
std::int32_t EntryChecksum(const char* time, const char* date);
// The checksum of a record written now, with today's date. Lines 2 and 3 are
// taken so that every writer names the whole record, but do not enter it.
std::int32_t RecordChecksum(const char* time, const char* line2, const char* line3);

#endif
