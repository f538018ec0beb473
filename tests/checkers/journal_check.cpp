#include "checkers/journal_check.h"

#include "journal/checksum.h"

#include <cstddef>

namespace checkers {
namespace {

constexpr std::size_t kRecordLines = 5;

std::string Where(std::size_t record, std::size_t line) {
    return "record " + std::to_string(record + 1) + ", line " + std::to_string(line + 1) + ": ";
}

// Splits at line feeds; `complete` tells whether the text ends with one.
std::vector<std::string> Lines(const std::string& bytes, bool* complete) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(bytes.substr(start, end - start));
    *complete = start == bytes.size();
    if (!*complete) lines.push_back(bytes.substr(start));
    return lines;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string RecordBytes(const std::string& time, const std::string& title, const std::string& application,
                        const std::string& date) {
    return time + "\n" + title + "\n" + application + "\n" +
           std::to_string(EntryChecksum(time.c_str(), date.c_str())) + "\n\n";
}

std::string ParseJournal(const std::string& bytes, std::vector<JournalEntry>* entries) {
    entries->clear();
    const std::size_t cr = bytes.find('\r');
    if (cr != std::string::npos) return "carriage return at byte " + std::to_string(cr);
    bool complete = false;
    const std::vector<std::string> lines = Lines(bytes, &complete);
    if (!complete) return "the last line has no line feed";
    for (std::size_t first = 0; first < lines.size(); first += kRecordLines) {
        const std::size_t record = first / kRecordLines;
        if (lines.size() - first < kRecordLines)
            return "record " + std::to_string(record + 1) + " has only " + std::to_string(lines.size() - first) +
                   " lines";
        for (std::size_t line = 0; line < kRecordLines - 1; ++line)
            if (lines[first + line].empty()) return Where(record, line) + "empty";
        if (!lines[first + 4].empty()) return Where(record, 4) + "not empty: \"" + lines[first + 4] + "\"";
        entries->push_back({lines[first], lines[first + 1], lines[first + 2], lines[first + 3]});
    }
    return "";
}

std::string CheckJournal(const std::string& bytes, const std::string& date) {
    std::vector<JournalEntry> entries;
    const std::string fault = ParseJournal(bytes, &entries);
    if (!fault.empty()) return fault;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string expected = std::to_string(EntryChecksum(entries[i].time.c_str(), date.c_str()));
        if (entries[i].checksum != expected)
            return Where(i, 3) + "checksum " + entries[i].checksum + ", but " + entries[i].time + " on " + date +
                   " gives " + expected;
    }
    return "";
}

std::string CheckHeartbeat(const std::string& bytes, const std::string& date, std::string* time) {
    bool complete = false;
    const std::vector<std::string> lines = Lines(bytes, &complete);
    if (bytes.find('\r') != std::string::npos) return "carriage return in the heartbeat file";
    if (!complete || lines.size() != 2) return "not two lines ended by line feeds: \"" + bytes + "\"";
    if (lines[0] != date) return "date \"" + lines[0] + "\" instead of \"" + date + "\"";
    if (lines[1].empty()) return "no time";
    if (time != nullptr) *time = lines[1];
    return "";
}

std::string CheckErrorLog(const std::string& bytes, const std::string& date,
                          const std::vector<std::string>& messages, std::vector<std::string>* times) {
    if (times != nullptr) times->clear();
    std::size_t at = 0;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string entry = "entry " + std::to_string(i + 1) + ": ";
        const std::string head = "\r\n" + date + ";";
        if (bytes.compare(at, head.size(), head) != 0)
            return entry + "does not begin with CR LF and \"" + date + ";\" but \"" + bytes.substr(at, 40) + "\"";
        at += head.size();
        const std::size_t timeEnd = bytes.find("\r\n", at);
        if (timeEnd == std::string::npos) return entry + "no line break after the time";
        if (times != nullptr) times->push_back(bytes.substr(at, timeEnd - at));
        at = timeEnd + 2;
        const std::string message = Replace(messages[i], "\n", "\r\n");
        if (bytes.compare(at, message.size(), message) != 0)
            return entry + "message \"" + bytes.substr(at, message.size()) + "\" instead of \"" + message + "\"";
        at += message.size();
    }
    if (at != bytes.size()) return "more after the last expected entry: \"" + bytes.substr(at) + "\"";
    return "";
}

int GermanTimeSeconds(const std::string& time) {
    if (time.size() != 8 || time[2] != ':' || time[5] != ':') return -1;
    for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u})
        if (time[i] < '0' || time[i] > '9') return -1;
    const int hours = (time[0] - '0') * 10 + (time[1] - '0');
    const int minutes = (time[3] - '0') * 10 + (time[4] - '0');
    const int seconds = (time[6] - '0') * 10 + (time[7] - '0');
    if (hours > 23 || minutes > 59 || seconds > 59) return -1;
    return hours * 3600 + minutes * 60 + seconds;
}

}  // namespace checkers
