// What the program's working files must look like: the journal, the heartbeat
// file and the error log. One definition for the hosted tests and for the
// checks of the real horalux.exe under Wine, so that both suites judge the
// same bytes by the same rules.
#ifndef HORALUX_TESTS_CHECKERS_JOURNAL_CHECK_H
#define HORALUX_TESTS_CHECKERS_JOURNAL_CHECK_H

#include <string>
#include <vector>

namespace checkers {

// Lines 1 to 4 of a journal record, without their line feeds.
struct JournalEntry {
    std::string time;
    std::string title;        // window title, event text or "-"
    std::string application;  // module name or "-"
    std::string checksum;     // as stored: signed decimal
};

// One record as a writer must store it on `date`: five lines, line feeds only,
// the checksum of the time text and the date in line 4.
std::string RecordBytes(const std::string& time, const std::string& title, const std::string& application,
                        const std::string& date);

// Splits a journal into its five-line records. Returns "" when the bytes are a
// sequence of whole records (an empty journal included), otherwise what is
// wrong and where; `entries` then holds the records before the fault.
std::string ParseJournal(const std::string& bytes, std::vector<JournalEntry>* entries);

// A valid journal of `date`: whole five-line records with line feeds only, no
// empty line 1 to 4, and in every line 4 exactly the checksum that the time
// text gives on that date. "" when valid, otherwise the first fault.
std::string CheckJournal(const std::string& bytes, const std::string& date);

// A valid heartbeat file: exactly "<date>\n<time>\n" with the given date and a
// non-empty time. "" when valid; `time` then holds line 2.
std::string CheckHeartbeat(const std::string& bytes, const std::string& date, std::string* time = nullptr);

// error.txt holding exactly these messages in this order, each entry as the
// program appends it in text mode: CR LF, "<date>;<time>", CR LF, the message
// with every line feed stored as CR LF. "" when so; `times` then holds the
// entries' times.
std::string CheckErrorLog(const std::string& bytes, const std::string& date,
                          const std::vector<std::string>& messages, std::vector<std::string>* times = nullptr);

// A time text in the German 24-hour form "HH:mm:ss" as seconds of the day, or
// -1 for anything else.
int GermanTimeSeconds(const std::string& time);

}  // namespace checkers

#endif
