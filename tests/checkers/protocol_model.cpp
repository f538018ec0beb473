#include "checkers/protocol_model.h"

#include "checkers/journal_check.h"
#include "journal/checksum.h"
#include "journal/clock.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace checkers {

const char kDetailHeader[] =
    "\"Datei\",\"Anwendung\",\"Bearbeitung Start\",\"Bearbeitung Ende\",\"Bearbeitungsdauer\"\r\n";
const char kStatisticsHeader[] =
    "\"Datei\",\"Anwendung\",\"Zugriffe\",\"Bearbeitungszeit gesamt \",\"Durchnittliche Bearbeitungszeit\","
    "\"Maximale Bearbeitungszeit\",\"Minimale Bearbeitungszeit\"\r\n";

namespace {

constexpr const char kErrorText[] = "Error : checksum for this entry doesn't match";
constexpr const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};

struct Pair {
    std::string title;
    std::string application;
    long long hits = 0;
    long long total = 0;
    long long longest = 0;
    long long shortest = 0;
};

std::string Duration(long long seconds) {
    if (seconds <= 0) return "0:0:0";
    return std::to_string(seconds / 3600) + ":" + std::to_string(seconds % 3600 / 60) + ":" +
           std::to_string(seconds % 60);
}

std::string Field(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Row(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : ",") + Field(field);
    return line + "\r\n";
}

std::vector<std::string> DateTokens(const std::string& date) {
    std::vector<std::string> tokens;
    std::string token;
    for (char c : date + ".") {
        if (c != '.') {
            token += c;
        } else if (!token.empty()) {
            tokens.push_back(token);
            token.clear();
        }
    }
    return tokens;
}

bool Digits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The stored checksum against the one that the time gives on the date; a line
// that is no decimal number matches nothing.
bool ChecksumMatches(const JournalEntry& entry, const std::string& date) {
    const std::string& stored = entry.checksum;
    const std::size_t digitsAt = !stored.empty() && stored[0] == '-' ? 1 : 0;
    if (!Digits(stored.substr(digitsAt))) return false;
    return std::stoll(stored) == EntryChecksum(entry.time.c_str(), date.c_str());
}

void Count(std::vector<Pair>* pairs, const JournalEntry& entry, long long seconds) {
    for (Pair& pair : *pairs) {
        if (pair.title != entry.title || pair.application != entry.application) continue;
        ++pair.hits;
        pair.total += seconds;
        if (seconds > pair.longest) pair.longest = seconds;
        if (seconds < pair.shortest) pair.shortest = seconds;
        return;
    }
    pairs->push_back({entry.title, entry.application, 1, seconds, seconds, seconds});
}

}  // namespace

ExpectedProtocols ExpectProtocols(const std::string& journal, const std::string& date) {
    const std::vector<std::string> tokens = DateTokens(date);
    if (tokens.size() != 3 || !Digits(tokens[0]) || !Digits(tokens[1]) || !Digits(tokens[2]))
        throw std::invalid_argument("not a day.month.year date: " + date);
    const int month = std::stoi(tokens[1]);
    if (month < 1 || month > 12) throw std::invalid_argument("no month 1 to 12: " + date);
    std::vector<JournalEntry> entries;
    const std::string fault = ParseJournal(journal, &entries);
    if (!fault.empty()) throw std::invalid_argument("not a journal of whole records: " + fault);

    ExpectedProtocols out;
    out.folder = "Protocols/" + tokens[2] + "/" + kMonths[month - 1];
    const std::string stem = out.folder + "/" + tokens[2] + "-" + tokens[1] + "-" + tokens[0];
    out.detailPath = stem + "_detail.csv";
    out.statisticsPath = stem + "_stat.csv";

    out.detail = kDetailHeader;
    std::vector<Pair> pairs;
    long long corrupted = 0;
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        const JournalEntry& entry = entries[i];
        const JournalEntry& next = entries[i + 1];
        if (entry.title == "-") continue;
        const long long start = TimeToSeconds(entry.time.c_str());
        const long long end = TimeToSeconds(next.time.c_str());
        const bool inOrder = end >= start;
        const long long seconds = inOrder ? end - start : 0;
        const bool marked = !inOrder || !ChecksumMatches(entry, date);
        if (marked) ++corrupted;
        out.detail += Row({entry.title, entry.application, entry.time, next.time,
                           marked ? std::string(kErrorText) : Duration(seconds)});
        Count(&pairs, entry, seconds);
    }

    if (corrupted > 0)
        out.statistics = "Warning : the details summary contains " + std::to_string(corrupted) +
                         " corrupted entries.\r\n\r\n";
    out.statistics += kStatisticsHeader;
    for (const Pair& pair : pairs)
        out.statistics += Row({pair.title, pair.application, std::to_string(pair.hits), Duration(pair.total),
                               Duration(pair.total / pair.hits), Duration(pair.longest), Duration(pair.shortest)});
    return out;
}

}  // namespace checkers
