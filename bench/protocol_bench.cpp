// CreateProtocol over generated journals, each beside its I/O floor: reading
// the same journal line by line and writing as many output lines and bytes
// with plain stdio. Run from the release build:
//   build/release/bench/protocol_bench
#include "protocol/protocol.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char kDate[] = "13.01.2008";
constexpr int kDateWeight = 2728;  // the weighted sum of kDate, which every checksum adds

struct Journal {
    const char* name;
    int records;
    int pairs;       // different title and application pairs
    int spanSeconds;  // from the first record to the last
};

// A typical working day; the worst possible day (a record at every ten-second
// tick, no pair twice); and a stress journal far beyond a day.
constexpr Journal kJournals[] = {
    {"typical", 2000, 150, 8 * 3600},
    {"worst", 8640, 8640, 86390},
    {"stress", 100000, 10000, 86399},
};

const char* const kApplications[] = {"writer.exe", "browser.exe", "mail.exe", "explorer.exe", "terminal.exe",
                                     "editor.exe", "calc.exe",    "chat.exe", "player.exe",   "viewer.exe"};

std::string RecordText(int seconds, int pair) {
    char text[256];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d\nProject notes %05d - Quarterly report draft\n%s\n%d\n\n",
                  seconds / 3600, seconds / 60 % 60, seconds % 60, pair, kApplications[pair % 10],
                  seconds + kDateWeight);
    return text;
}

// The folder of one journal: tmp/tmp.dat and tmp/tmp.tsp, and the protocols it gets.
struct Fixture {
    fs::path folder;
    std::uintmax_t journalBytes = 0;
    std::uintmax_t outputBytes = 0;
    long outputLines = 0;
};

std::map<std::string, Fixture> g_fixtures;
fs::path g_root;

void WriteWhole(const fs::path& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

long CountLines(const fs::path& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    long lines = 0;
    for (int c; (c = std::getc(file)) != EOF;) lines += c == '\n';
    std::fclose(file);
    return lines;
}

void Prepare(const Journal& journal) {
    Fixture fixture;
    fixture.folder = g_root / journal.name;
    fs::create_directories(fixture.folder / "tmp");
    std::string text;
    for (int i = 0; i < journal.records; ++i) {
        const int seconds = static_cast<int>(static_cast<long long>(i) * journal.spanSeconds / (journal.records - 1));
        // Pairs come round in a scrambled order, each at least once.
        const int pair = static_cast<int>((static_cast<long long>(i) * 7919) % journal.pairs);
        text += RecordText(seconds, pair);
    }
    WriteWhole(fixture.folder / "tmp" / "tmp.dat", text);
    WriteWhole(fixture.folder / "tmp" / "tmp.tsp", std::string(kDate) + "\n23:59:59\n");
    fixture.journalBytes = text.size();

    fs::current_path(fixture.folder);
    if (!CreateProtocol()) std::abort();
    const fs::path month = fixture.folder / "Protocols" / "2008" / "January";
    for (const char* file : {"2008-01-13_detail.csv", "2008-01-13_stat.csv"}) {
        fixture.outputBytes += fs::file_size(month / file);
        fixture.outputLines += CountLines(month / file);
    }
    g_fixtures[journal.name] = fixture;
}

void BM_CreateProtocol(benchmark::State& state, const Journal* journal) {
    const Fixture& fixture = g_fixtures[journal->name];
    fs::current_path(fixture.folder);
    for (auto _ : state) benchmark::DoNotOptimize(CreateProtocol());
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(journal->records) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(fixture.journalBytes) * state.iterations());
}

// Reads the journal as CreateProtocol does (line by line into 1024
// characters) and writes the same lines and bytes into two files.
void BM_IoFloor(benchmark::State& state, const Journal* journal) {
    const Fixture& fixture = g_fixtures[journal->name];
    fs::current_path(fixture.folder);
    const long lineBytes = static_cast<long>(fixture.outputBytes) / fixture.outputLines;
    std::string line(static_cast<std::size_t>(lineBytes - 1), 'x');
    line += '\n';
    for (auto _ : state) {
        FILE* in = std::fopen("tmp/tmp.dat", "rb");
        char buffer[1024];
        long read = 0;
        while (std::fgets(buffer, sizeof buffer, in) != nullptr) ++read;
        std::fclose(in);
        benchmark::DoNotOptimize(read);
        FILE* out[2] = {std::fopen("floor_a.csv", "w"), std::fopen("floor_b.csv", "w")};
        for (long i = 0; i < fixture.outputLines; ++i) std::fputs(line.c_str(), out[i & 1]);
        std::fclose(out[0]);
        std::fclose(out[1]);
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(journal->records) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// Keeps each run's time per iteration for the summary after the table.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                seconds_[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintSummary() const {
        std::printf("\n%-8s %9s %14s %12s %12s %7s\n", "journal", "records", "records/s", "protocol", "I/O floor",
                    "ratio");
        for (const Journal& journal : kJournals) {
            const auto protocol = seconds_.find(std::string("CreateProtocol/") + journal.name);
            const auto floor = seconds_.find(std::string("IoFloor/") + journal.name);
            if (protocol == seconds_.end() || floor == seconds_.end()) continue;
            std::printf("%-8s %9d %14.0f %9.3f ms %9.3f ms %6.2fx\n", journal.name, journal.records,
                        journal.records / protocol->second, protocol->second * 1e3, floor->second * 1e3,
                        protocol->second / floor->second);
        }
        const auto protocol = seconds_.find("CreateProtocol/worst");
        const auto floor = seconds_.find("IoFloor/worst");
        if (protocol != seconds_.end() && floor != seconds_.end())
            std::printf("goal, worst day within 3x its I/O floor: %s\n",
                        protocol->second <= 3 * floor->second ? "met" : "missed");
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    const fs::path start = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "horalux-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    g_root = pattern;
    for (const Journal& journal : kJournals) {
        Prepare(journal);
        benchmark::RegisterBenchmark((std::string("CreateProtocol/") + journal.name).c_str(), BM_CreateProtocol,
                                     &journal)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("IoFloor/") + journal.name).c_str(), BM_IoFloor, &journal)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    fs::current_path(start);
    fs::remove_all(g_root);
    return 0;
}
