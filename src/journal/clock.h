// Clock strings: every date and time the program stores comes from these two,
// in the user's regional formats, and is read back with TimeToSeconds.
#ifndef HORALUX_JOURNAL_CLOCK_H
#define HORALUX_JOURNAL_CLOCK_H

#include "platform/win32.h"

#include <cstdint>

// A clock string holds at most 31 characters and its terminating zero.
constexpr int kClockTextSize = 32;

// Today's date in the user's short date format.
void GetDateString(char (&out)[kClockTextSize]);
// The current time of day in the user's time format.
void GetTimeString(char (&out)[kClockTextSize]);

// hours * 3600 + minutes * 60 + seconds from the first three colon-separated
// fields of a time text; missing fields count 0, anything after the digits of
// a field (a time marker) is ignored, only the first 31 characters are read.
DWORD TimeToSeconds(const char* text);

// A decimal number as the C runtime's atoi reads it (leading white space, one
// sign, digits up to the first other character, 0 without digits), but
// wrapping in 32 bits instead of overflowing.
std::int32_t ReadDecimal(const char* text);

#endif
