// Three working days on the virtual clock, with a lunch pause, a screensaver,
// a crash and a night left running: each day gets exactly one pair of
// protocols, and their rows account for every record of that day's journal.
#include "app/app.h"
#include "journal/clock.h"
#include "support/program.h"

#include <cstdlib>
#include <map>
#include <vector>

namespace {

using namespace testing_support;

constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;

struct JournalEntry {
    std::string time, title, application;
};

// The journal's records, five lines each.
std::vector<JournalEntry> ParseJournal(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        EXPECT_NE(end, std::string::npos) << "every line ends in a line feed";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    EXPECT_EQ(lines.size() % 5, 0u);
    std::vector<JournalEntry> entries;
    for (std::size_t i = 0; i + 4 < lines.size(); i += 5) entries.push_back({lines[i], lines[i + 1], lines[i + 2]});
    return entries;
}

// Rows of a CSV file with quoted fields ("" inside a field is one quote) and CR LF lines.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            ADD_FAILURE() << "unexpected character outside quotes at " << i;
        }
    }
    rows.back().push_back(field);
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();  // after the last line's CR LF
    return rows;
}

int Seconds(const std::string& duration) {
    int h = 0, m = 0, s = 0;
    EXPECT_EQ(std::sscanf(duration.c_str(), "%d:%d:%d", &h, &m, &s), 3) << duration;
    return h * 3600 + m * 60 + s;
}

// One simulated desk: three programs, switched every 20 minutes, and a window
// without a title now and then.
class Desk {
public:
    Desk() {
        hosted::AddProcess(100, "editor.exe");
        hosted::AddProcess(200, "browser.exe");
        hosted::AddProcess(300, "mail.exe");
        windows_[0] = hosted::AddForeignWindow("report, draft \"2\" - Editor", 100);
        windows_[1] = hosted::AddForeignWindow("Search - Browser", 200);
        windows_[2] = hosted::AddForeignWindow("Inbox - Mail", 300);
        windows_[3] = hosted::AddForeignWindow("", 300);
        hosted::SetForeground(windows_[0]);
    }
    void SwitchEvery20Minutes(std::int64_t from, std::int64_t until) {
        int n = 0;
        for (std::int64_t t = from; t < until; t += 20 * kMinute, ++n) {
            SwitchAt(t, windows_[n % 7 == 6 ? 3 : n % 3]);
        }
    }

private:
    HWND windows_[4]{};
};

struct Day {
    std::string date;          // the short date
    std::string file;          // Protocols/2026/January/2026-01-0N
    std::string journal;       // the day's whole journal, as the rollover found it
};

class MultiDayTest : public ProgramTest {
protected:
    static void StartRun(int day, int hour, int minute) {
        hosted::ResetDesktop();
        ResetProgramState();
        hosted::SetLocalClock(2026, 1, day, hour, minute, 0);
    }
};

void CheckDay(const Day& day, std::vector<std::string> expectedInterruptions) {
    SCOPED_TRACE(day.date);
    const std::vector<JournalEntry> records = ParseJournal(day.journal);
    ASSERT_GE(records.size(), 2u);
    const auto detail = ParseCsv(ReadFile(day.file + "_detail.csv"));
    const auto stat = ParseCsv(ReadFile(day.file + "_stat.csv"));

    // Every record but the untitled ones and the last gives one row, in order,
    // running to the next record's time; no checksum fails.
    std::size_t row = 1;
    long long rowSeconds = 0;
    std::map<std::pair<std::string, std::string>, std::pair<int, long long>> pairs;
    std::vector<std::string> interruptions;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
        if (records[i].title == "-") continue;
        ASSERT_LT(row, detail.size());
        const std::vector<std::string>& fields = detail[row++];
        ASSERT_EQ(fields.size(), 5u);
        EXPECT_EQ(fields[0], records[i].title);
        EXPECT_EQ(fields[1], records[i].application);
        EXPECT_EQ(fields[2], records[i].time);
        EXPECT_EQ(fields[3], records[i + 1].time);
        const int seconds = Seconds(fields[4]);
        EXPECT_EQ(seconds, static_cast<int>(TimeToSeconds(records[i + 1].time.c_str()) -
                                            TimeToSeconds(records[i].time.c_str())));
        rowSeconds += seconds;
        auto& sum = pairs[{fields[0], fields[1]}];
        ++sum.first;
        sum.second += seconds;
        if (records[i].title == "Tracking interrupted") interruptions.push_back(records[i].time);
    }
    EXPECT_EQ(row, detail.size()) << "no row without its record";
    EXPECT_EQ(interruptions, expectedInterruptions);

    // The statistics add up to the same time, pair by pair.
    ASSERT_EQ(stat.size(), pairs.size() + 1) << "a header and one line per pair, no warning";
    long long statSeconds = 0;
    for (std::size_t i = 1; i < stat.size(); ++i) {
        const auto found = pairs.find({stat[i][0], stat[i][1]});
        ASSERT_NE(found, pairs.end()) << stat[i][0];
        EXPECT_EQ(std::atoi(stat[i][2].c_str()), found->second.first);
        EXPECT_EQ(Seconds(stat[i][3]), found->second.second);
        statSeconds += Seconds(stat[i][3]);
    }
    EXPECT_EQ(statSeconds, rowSeconds);
}

TEST_F(MultiDayTest, ThreeDaysGiveThreePairsOfProtocolsThatAccountForEveryRecord) {
    ::testing::FLAGS_gtest_death_test_style = "fast";  // the crash must share this folder
    std::vector<Day> days = {{"05.01.2026", "Protocols/2026/January/2026-01-05", ""},
                             {"06.01.2026", "Protocols/2026/January/2026-01-06", ""},
                             {"07.01.2026", "Protocols/2026/January/2026-01-07", ""}};
    std::string lastTickBeforeLunch;
    std::string lastTickBeforeCrash;

    // Monday 08:00 to 17:00, an hour's lunch pause, a screensaver in the afternoon.
    StartRun(5, 8, 0);
    {
        Desk desk;
        desk.SwitchEvery20Minutes(kStartMs + 7 * kMinute, 9 * kHour);
        hosted::At(4 * kHour, [&] {
            g_tracking = false;
            lastTickBeforeLunch = ReadFile("tmp/tmp.tsp").substr(11, 8);
        });
        hosted::At(5 * kHour, [] { g_tracking = true; });
        hosted::At(7 * kHour, [] { hosted::SetScreensaverRunning(true); });
        hosted::At(7 * kHour + 20 * kMinute, [] { hosted::SetScreensaverRunning(false); });
        CloseAt(9 * kHour);
        ASSERT_EQ(RunProgram(), 0);
    }
    days[0].journal = Journal();

    // Tuesday from 08:30: the rollover makes Monday's protocols; at 15:00 the
    // process dies without its shut-down.
    EXPECT_EXIT(
        {
            StartRun(6, 8, 30);
            Desk desk;
            desk.SwitchEvery20Minutes(kStartMs + 5 * kMinute, 7 * kHour);
            hosted::At(6 * kHour + 30 * kMinute, [] { std::_Exit(9); });
            RunProgram();
        },
        ::testing::ExitedWithCode(9), "");
    lastTickBeforeCrash = Heartbeat().substr(11, 8);
    EXPECT_TRUE(FileExists(days[0].file + "_detail.csv"));

    // Tuesday 15:30: tracking again, left running through the night until
    // Wednesday 10:00; the first tick after midnight makes Tuesday's protocols.
    StartRun(6, 15, 30);
    {
        Desk desk;
        desk.SwitchEvery20Minutes(kStartMs + 3 * kMinute, 18 * kHour);
        const std::int64_t beforeMidnight = 8 * kHour + 29 * kMinute + 59 * 1000 + 900;
        hosted::At(beforeMidnight, [&] { days[1].journal = Journal(); });
        CloseAt(18 * kHour + 30 * kMinute);
        ASSERT_EQ(RunProgram(), 0);
    }
    days[2].journal = Journal();

    // Thursday morning: the start makes Wednesday's protocols.
    StartRun(8, 8, 0);
    CloseAt(kStartMs + 1000);
    ASSERT_EQ(RunProgram(), 0);

    EXPECT_EQ(CountEntries("Protocols/2026/January"), 6) << "three days, two files each";
    ASSERT_FALSE(lastTickBeforeLunch.empty());
    CheckDay(days[0], {lastTickBeforeLunch});
    CheckDay(days[1], {lastTickBeforeCrash});
    CheckDay(days[2], {});
    EXPECT_TRUE(hosted::MessageBoxes().empty());
    EXPECT_FALSE(FileExists("error.txt"));
}

}  // namespace
