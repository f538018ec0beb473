// Clock strings, the reading of time texts, and the record checksum.
#include "journal/checksum.h"
#include "journal/clock.h"
#include "support/program.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

using testing_support::ProgramTest;

struct TimeCase {
    const char* text;
    DWORD seconds;
};

TEST(TimeToSeconds, ReadsTheFirstThreeColonFields) {
    const TimeCase cases[] = {
        {"0:00:00", 0},
        {"23:59:59", 86399},
        {"14:05:09", 50709},
        {":14:05:09", 50709},       // leading colons are skipped
        {"14::05:09", 50709},       // a run of colons is one separator
        {"14:05:09:", 50709},
        {"3:45:12 PM", 13512},      // the marker does not count
        {"3:45:12 AM", 13512},
        {"15:45", 56700},           // no seconds: the missing field is 0
        {"15", 54000},
        {"", 0},
        {"abc", 0},                 // no digits
        {" 8: 5: 7", 29107},        // blanks before the digits are skipped
        {"+1:-1:+1", 3541},
        {"14.05.09", 50400},        // another separator: one field
        {"1:2:3:4", 3723},          // a fourth field is ignored
    };
    for (const TimeCase& c : cases) EXPECT_EQ(TimeToSeconds(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(TimeToSeconds, ReadsOnlyTheFirst31CharactersOfAHandEditedText) {
    // The third field starts within the first 31 characters and is cut there.
    const std::string text = "0:0:" + std::string(26, '0') + "12345";
    ASSERT_GT(text.size(), 31u);
    EXPECT_EQ(TimeToSeconds(text.c_str()), 1u);  // "0...01" is all that is read of the field
    EXPECT_EQ(TimeToSeconds((std::string(40, ':') + "1:0:0").c_str()), 0u);
}

TEST(TimeToSeconds, HugeNumbersWrapInsteadOfOverflowing) {
    // 99999999999 wraps to 1215752191 in 32 bits; times 3600 wraps again.
    EXPECT_EQ(TimeToSeconds("99999999999:0:0"), static_cast<DWORD>(1215752191u * 3600u));
    EXPECT_EQ(ReadDecimal("-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadDecimal("4294967296"), 0);
}

TEST(ReadDecimal, ReadsLikeTheRuntimesAtoi) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {{"53437\n", 53437}, {"-28", -28}, {"  +7x", 7}, {"", 0}, {"-", 0}, {"x12", 0}, {"\t\n 5", 5}};
    for (const auto& c : cases) EXPECT_EQ(ReadDecimal(c.text), c.value) << '"' << c.text << '"';
}

TEST(Checksum, WorkedExample) {
    EXPECT_EQ(WeightedSum("13.01.2008"), 2728);
    EXPECT_EQ(EntryChecksum("14:05:09", "13.01.2008"), 53437);
}

TEST(Checksum, WeightedSumTakesBytesAsSigned) {
    EXPECT_EQ(WeightedSum(""), 0);
    EXPECT_EQ(WeightedSum(nullptr), 0);
    EXPECT_EQ(WeightedSum("\xE4"), -28);
    EXPECT_EQ(WeightedSum("a\xE4"), 97 - 56);
    // A date with bytes above 0x7F can make a checksum negative.
    EXPECT_LT(EntryChecksum("0:00:01", "\xE4\xE4\xE4"), 0);
}

TEST_F(ProgramTest, ClockStringsUseTheGermanDefaults) {
    hosted::SetLocalClock(2008, 1, 13, 14, 5, 9);
    char date[kClockTextSize];
    char time[kClockTextSize];
    GetDateString(date);
    GetTimeString(time);
    EXPECT_STREQ(date, "13.01.2008");
    EXPECT_STREQ(time, "14:05:09");
    EXPECT_EQ(RecordChecksum(time, "any title", "any.exe"), 53437);
    EXPECT_EQ(RecordChecksum(time, "-", "-"), 53437);
}

TEST_F(ProgramTest, ClockStringsFollowTheUsersFormats) {
    hosted::SetLocalClock(2026, 1, 5, 15, 45, 12);
    const struct {
        const char* datePicture;
        const char* timePicture;
        const char* date;
        const char* time;
    } cases[] = {
        {"d.M.yyyy", "h:mm:ss tt", "5.1.2026", "3:45:12 PM"},
        {"yyyy-MM-dd", "HH:mm", "2026-01-05", "15:45"},
        {"dd/MM/yy", "H 'h' mm", "05/01/26", "15 h 45"},
    };
    for (const auto& c : cases) {
        hosted::SetShortDateFormat(c.datePicture);
        hosted::SetTimeFormat(c.timePicture);
        char date[kClockTextSize];
        char time[kClockTextSize];
        GetDateString(date);
        GetTimeString(time);
        EXPECT_STREQ(date, c.date);
        EXPECT_STREQ(time, c.time);
    }
}

TEST_F(ProgramTest, AFormatTooLongForAClockStringFallsBackToTheGermanForm) {
    hosted::SetLocalClock(2026, 1, 5, 7, 8, 9);
    hosted::SetShortDateFormat("dddd, dd. MMMM yyyy 'und noch viel mehr Text'");
    hosted::SetTimeFormat("HH 'Uhr' mm 'Minuten und' ss 'Sekunden am Morgen'");
    char date[kClockTextSize];
    char time[kClockTextSize];
    std::memset(date, 'x', sizeof date);
    std::memset(time, 'x', sizeof time);
    GetDateString(date);
    GetTimeString(time);
    EXPECT_STREQ(date, "05.01.2026");
    EXPECT_STREQ(time, "07:08:09");
}

}  // namespace
