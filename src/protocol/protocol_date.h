// The protocol date as folder and file names: its split into day, month and
// year, the month names, and the neutralising of tokens that come from a file
// anyone can edit.
#ifndef HORALUX_PROTOCOL_PROTOCOL_DATE_H
#define HORALUX_PROTOCOL_PROTOCOL_DATE_H

#include "journal/clock.h"

#include <cstddef>

constexpr std::size_t kMonthCount = 12;
// English month names, month 1 to 12, whatever the user's language.
extern const char* const g_monthNames[kMonthCount];

// The tokens of a date in their order: day, month, year.
constexpr std::size_t kDateTokenCount = 3;
enum DateToken { kDay = 0, kMonth = 1, kYear = 2 };

// Splits a copy of the date at dots: runs of dots count as one, dots at the
// start or end give no token. Fills at most three tokens (any further ones are
// ignored) and returns how many it found, 0 to 3. Tokens are cut to 31
// characters, as a clock string is.
std::size_t SplitDate(const char* date, char (&tokens)[kDateTokenCount][kClockTextSize]);

// A name that is safe as one folder or file name component: one character of
// prefix room beyond a clock string.
constexpr std::size_t kPathTokenSize = kClockTextSize + 1;

// Makes `text` usable as (part of) one file name on every system: leading
// blanks and trailing blanks and dots are dropped, each character that no Windows name may hold
// (< > : " / \ | ? * and control characters) becomes "_", an empty result
// becomes "_", and a reserved device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, also before a dot) gets a "_" in front. The text is read to at most
// 31 characters.
void MakePathToken(const char* text, char (&out)[kPathTokenSize]);

// The month folder's name: the month name when the token reads as 1 to 12
// (01 and 1 alike), otherwise the token itself made path-safe.
void MakeMonthFolderName(const char* monthToken, char (&out)[kPathTokenSize]);

#endif
