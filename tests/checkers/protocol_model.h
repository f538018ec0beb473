// The protocols that a journal and its date must give, computed by a reference
// model of our own that shares nothing with the protocol generator but the
// journal arithmetic (TimeToSeconds and the checksum). Used by the hosted
// tests and by the checks of horalux.exe under Wine.
#ifndef HORALUX_TESTS_CHECKERS_PROTOCOL_MODEL_H
#define HORALUX_TESTS_CHECKERS_PROTOCOL_MODEL_H

#include <string>

namespace checkers {

// Both files exactly as they must reach the disk (text mode: CR LF).
struct ExpectedProtocols {
    std::string folder;          // "Protocols/<year>/<month name>"
    std::string detailPath;      // folder + "/<year>-<month>-<day>_detail.csv"
    std::string statisticsPath;  // folder + "/<year>-<month>-<day>_stat.csv"
    std::string detail;
    std::string statistics;
};

// The protocols of `journal`, a sequence of whole five-line records, on the
// protocol date `date`, a day.month.year date with dots (any number of digits
// per field, month 1 to 12). Paths use "/". Throws std::invalid_argument for
// input outside that model.
//
// Rules: one detail row per record that has a successor, running from its
// time to the successor's; untitled records ("-") give none. Every field is
// quoted, a quote inside doubled. Durations as hours:minutes:seconds without
// leading zeros; a successor with an earlier time gives duration 0 and the
// error text, as does a checksum that does not match the time on `date`. The
// statistics sum the rows per title and application in order of first
// appearance, after a warning line and an empty line when any row has the
// error text.
ExpectedProtocols ExpectProtocols(const std::string& journal, const std::string& date);

// The header lines, CR LF included.
extern const char kDetailHeader[];
extern const char kStatisticsHeader[];

}  // namespace checkers

#endif
