// The statistics table: matching of pairs, long texts, sums at their limits,
// and a day with more different pairs than the table has rows.
#include "protocol/protocol.h"
#include "protocol/statistics.h"
#include "support/protocol_files.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetStatistics(); }
    // The bytes WriteStatistics gives, before text mode makes CR LF of them.
    static std::string Written(std::uint32_t corrupted) {
        char* bytes = nullptr;
        std::size_t size = 0;
        FILE* memory = open_memstream(&bytes, &size);
        WriteStatistics(memory, corrupted);
        std::fclose(memory);
        std::string text(bytes, size);
        std::free(bytes);
        return text;
    }
};

constexpr const char kHeader[] =
    "\"Datei\",\"Anwendung\",\"Zugriffe\",\"Bearbeitungszeit gesamt \",\"Durchnittliche Bearbeitungszeit\","
    "\"Maximale Bearbeitungszeit\",\"Minimale Bearbeitungszeit\"\n";

TEST_F(StatisticsTest, LongTextsAreCutTo255AndMatchedOnTheCut) {
    const std::string title(255, 't');
    const std::string application(255, 'a');
    AddToStatistics((title + "first tail").c_str(), (application + "x").c_str(), 10);
    AddToStatistics((title + "other tail").c_str(), application.c_str(), 5);
    AddToStatistics(title.substr(0, 254).c_str(), application.c_str(), 1);
    ASSERT_EQ(g_statRowCount, 2u);
    EXPECT_EQ(std::string(g_statTable[0].title), title);
    EXPECT_EQ(std::string(g_statTable[0].application), application);
    EXPECT_EQ(g_statTable[0].hits, 2);
    EXPECT_EQ(g_statTable[0].totalSeconds, 15);
    EXPECT_EQ(std::string(g_statTable[1].title), title.substr(0, 254));
}

TEST_F(StatisticsTest, TheSplitBetweenTitleAndApplicationIsPartOfTheKey) {
    AddToStatistics("ab", "c", 1);
    AddToStatistics("a", "bc", 2);
    AddToStatistics("abc", "", 3);
    AddToStatistics("", "abc", 4);
    AddToStatistics("ab", "c", 5);
    ASSERT_EQ(g_statRowCount, 4u);
    EXPECT_EQ(g_statTable[0].totalSeconds, 6);
    EXPECT_STREQ(g_statTable[3].application, "abc");
}

TEST_F(StatisticsTest, RowsAgreeWithASearchThroughEveryRow) {
    // A model that searches its rows one after another, fed the same pairs.
    struct ModelRow {
        std::string title, application;
        std::int32_t hits, maxSeconds, minSeconds, totalSeconds;
    };
    std::vector<ModelRow> model;
    std::uint32_t state = 12345;
    const auto next = [&state] { return state = state * 1103515245u + 12345u, (state >> 8) & 0xFFFFu; };
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t pair = next() % 3000;
        const std::int32_t seconds = static_cast<std::int32_t>(next() % 600);
        // Every 7th title is longer than a row, differing only beyond 255 characters.
        std::string title = "Title " + std::to_string(pair % 1000);
        if (pair % 7 == 0) title = std::string(255, 'L') + std::to_string(pair);
        const std::string application = "app" + std::to_string(pair / 1000) + ".exe";
        AddToStatistics(title.c_str(), application.c_str(), seconds);
        const std::string key = title.substr(0, 255);
        auto row = std::find_if(model.begin(), model.end(), [&](const ModelRow& r) {
            return r.title == key && r.application == application;
        });
        if (row == model.end()) {
            model.push_back({key, application, 1, seconds, seconds, seconds});
        } else {
            ++row->hits;
            row->totalSeconds += seconds;
            row->maxSeconds = std::max(row->maxSeconds, seconds);
            row->minSeconds = std::min(row->minSeconds, seconds);
        }
    }
    ASSERT_EQ(g_statRowCount, model.size());
    for (std::size_t i = 0; i < model.size(); ++i) {
        const StatEntry& row = g_statTable[i];
        EXPECT_EQ(row.title, model[i].title) << i;
        EXPECT_EQ(row.application, model[i].application) << i;
        EXPECT_EQ(row.hits, model[i].hits) << i;
        EXPECT_EQ(row.totalSeconds, model[i].totalSeconds) << i;
        EXPECT_EQ(row.maxSeconds, model[i].maxSeconds) << i;
        EXPECT_EQ(row.minSeconds, model[i].minSeconds) << i;
    }
}

TEST_F(StatisticsTest, TheShortestAndLongestFollowEveryStretch) {
    for (std::int32_t seconds : {7, 3, 9, 3, 9, -5}) AddToStatistics("Editor", "edit.exe", seconds);
    ASSERT_EQ(g_statRowCount, 1u);
    const StatEntry& row = g_statTable[0];
    EXPECT_EQ(row.hits, 6);
    EXPECT_EQ(row.minSeconds, 0);  // a negative duration counts as none
    EXPECT_EQ(row.maxSeconds, 9);
    EXPECT_EQ(row.totalSeconds, 31);
}

TEST_F(StatisticsTest, SumsStopAtTheLargestNumberInsteadOfWrapping) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    AddToStatistics("Edited", "x", kMax - 1);
    AddToStatistics("Edited", "x", 10);
    EXPECT_EQ(g_statTable[0].totalSeconds, kMax);
    EXPECT_EQ(Written(0), std::string(kHeader) + "\"Edited\",\"x\",\"2\",\"596523:14:7\",\"298261:37:3\","
                                                 "\"596523:14:6\",\"0:0:10\"\n");
}

TEST_F(StatisticsTest, TheWarningCountIsNotCutTo16Bits) {
    AddToStatistics("Editor", "edit.exe", 1);
    EXPECT_EQ(Written(65536).substr(0, 63), "Warning : the details summary contains 65536 corrupted entries.");
}

TEST_F(StatisticsTest, AFullTableLeavesNewPairsOutAndStillSumsItsOwn) {
    for (std::size_t i = 0; i < kStatTableSize; ++i) AddToStatistics(("Window " + std::to_string(i)).c_str(), "app", 1);
    ASSERT_EQ(g_statRowCount, kStatTableSize);
    EXPECT_EQ(Written(0).substr(0, sizeof kHeader - 1), kHeader);  // full, but nothing left out

    AddToStatistics("One too many", "app", 5);
    AddToStatistics("One too many", "app", 5);
    AddToStatistics("Window 0", "app", 2);
    EXPECT_EQ(g_statRowCount, kStatTableSize);
    EXPECT_EQ(g_statRowsLeftOut, 2u);
    EXPECT_EQ(g_statTable[0].hits, 2);
    EXPECT_EQ(g_statTable[0].totalSeconds, 3);
    const std::string written = Written(0);
    EXPECT_EQ(written.substr(0, written.find(kHeader)),
              "Warning : the statistics are incomplete: only the first 10000 different pairs are listed, "
              "2 entries of further pairs are left out.\n\n");
    EXPECT_EQ(written.find("One too many"), std::string::npos);
}

TEST_F(StatisticsTest, BothWarningsStandBeforeTheHeader) {
    for (std::size_t i = 0; i <= kStatTableSize; ++i) AddToStatistics(std::to_string(i).c_str(), "app", 1);
    const std::string written = Written(3);
    EXPECT_EQ(written.substr(0, written.find(kHeader)),
              "Warning : the details summary contains 3 corrupted entries.\n\n"
              "Warning : the statistics are incomplete: only the first 10000 different pairs are listed, "
              "1 entries of further pairs are left out.\n\n");
}

class ManyPairsTest : public ProtocolTest {};

TEST_F(ManyPairsTest, ADayWithMorePairsThanRowsSaysItsStatisticsAreIncomplete) {
    // 10002 records a second apart from 00:00:00, each with a title of its own:
    // 10001 rows and pairs.
    std::string journal;
    for (int i = 0; i < 10002; ++i) {
        char record[96];
        std::snprintf(record, sizeof record, "%d:%d:%d\nWindow %d\napp.exe\n%d\n\n", i / 3600, i / 60 % 60, i % 60, i,
                      i + 2728);
        journal += record;
    }
    WriteJournalBytes(journal);
    ASSERT_TRUE(CreateProtocol());
    const std::string stat = ReadFile(kStatPath);
    const std::string warning =
        "Warning : the statistics are incomplete: only the first 10000 different pairs are listed, "
        "1 entries of further pairs are left out.\r\n\r\n";
    EXPECT_EQ(stat.substr(0, warning.size()), warning);
    EXPECT_NE(stat.find("\"Window 9999\",\"app.exe\",\"1\""), std::string::npos);
    EXPECT_EQ(stat.find("\"Window 10000\""), std::string::npos);
    std::size_t lines = 0;
    for (char c : stat) lines += c == '\n';
    EXPECT_EQ(lines, 2 + 1 + kStatTableSize);
    // The detail protocol has every row.
    EXPECT_NE(ReadFile(kDetailPath).find("\"Window 10000\",\"app.exe\",\"2:46:40\",\"2:46:41\",\"0:0:1\"\r\n"),
              std::string::npos);
}

}  // namespace
