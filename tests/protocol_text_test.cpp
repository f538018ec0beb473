// Durations, line ends and CSV fields as both protocols write them.
#include "protocol/protocol_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

TEST(FormatDurationTest, HoursMinutesSecondsWithoutLeadingZeros) {
    const struct {
        std::int32_t seconds;
        const char* text;
    } cases[] = {
        {0, "0:0:0"},
        {-1, "0:0:0"},
        {std::numeric_limits<std::int32_t>::min(), "0:0:0"},
        {1, "0:0:1"},
        {59, "0:0:59"},
        {60, "0:1:0"},
        {3599, "0:59:59"},
        {3600, "1:0:0"},
        {3725, "1:2:5"},
        {68400, "19:0:0"},
        {86399, "23:59:59"},
        {90000, "25:0:0"},
        {std::numeric_limits<std::int32_t>::max(), "596523:14:7"},
    };
    for (const auto& c : cases) {
        char text[kDurationTextSize];
        FormatDuration(c.seconds, text);
        EXPECT_STREQ(text, c.text) << c.seconds;
    }
}

TEST(StripLineEndTest, CutsAtTheFirstLineFeedInPlace) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Editor\n", "Editor"}, {"\n", ""},          {"", ""},         {"no end", "no end"},
        {"a\nb\n", "a"},        {"cr\r\n", "cr\r"},  {"\nrest", ""},
    };
    for (const auto& c : cases) {
        char text[32];
        std::snprintf(text, sizeof text, "%s", c.in);
        EXPECT_EQ(StripLineEnd(text), text);
        EXPECT_STREQ(text, c.out) << c.in;
    }
}

// The bytes WriteCsvRow gives for these fields.
std::string CsvRow(std::initializer_list<const char*> fields) {
    char* bytes = nullptr;
    std::size_t size = 0;
    FILE* memory = open_memstream(&bytes, &size);
    WriteCsvRow(memory, fields.begin(), fields.size());
    std::fclose(memory);
    std::string row(bytes, size);
    std::free(bytes);
    return row;
}

TEST(WriteCsvRowTest, QuotesEveryFieldAndDoublesQuotesInside) {
    EXPECT_EQ(CsvRow({"Datei", "Anwendung"}), "\"Datei\",\"Anwendung\"\n");
    EXPECT_EQ(CsvRow({"a, b", "-"}), "\"a, b\",\"-\"\n");
    EXPECT_EQ(CsvRow({"say \"hi\"", ""}), "\"say \"\"hi\"\"\",\"\"\n");
    EXPECT_EQ(CsvRow({"\"", "\"\"", "x\""}), "\"\"\"\",\"\"\"\"\"\",\"x\"\"\"\n");
    EXPECT_EQ(CsvRow({"100% %s %n"}), "\"100% %s %n\"\n");
    EXPECT_EQ(CsvRow({}), "\n");
}

}  // namespace
