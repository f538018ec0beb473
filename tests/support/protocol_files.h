// The files around a protocol run: the heartbeat and journal a test lays out,
// the two CSV files it reads back, and the open-file count that shows a leak.
#ifndef HORALUX_TESTS_SUPPORT_PROTOCOL_FILES_H
#define HORALUX_TESTS_SUPPORT_PROTOCOL_FILES_H

#include "support/program.h"

#include <string>

namespace testing_support {

// The day of the worked checksum example: 14:05:09 on it gives 53437, so any
// time's checksum is its seconds plus 2728.
constexpr const char kProtocolDay[] = "13.01.2008";
constexpr const char kDetailPath[] = "Protocols/2008/January/2008-01-13_detail.csv";
constexpr const char kStatPath[] = "Protocols/2008/January/2008-01-13_stat.csv";

// The header lines as they reach the disk, CR LF included.
constexpr const char kDetailHeaderLine[] =
    "\"Datei\",\"Anwendung\",\"Bearbeitung Start\",\"Bearbeitung Ende\",\"Bearbeitungsdauer\"\r\n";
constexpr const char kStatHeaderLine[] =
    "\"Datei\",\"Anwendung\",\"Zugriffe\",\"Bearbeitungszeit gesamt \",\"Durchnittliche Bearbeitungszeit\","
    "\"Maximale Bearbeitungszeit\",\"Minimale Bearbeitungszeit\"\r\n";

// tmp/tmp.tsp with this date as line 1 and a time as line 2.
void WriteHeartbeatDate(const std::string& date);
// tmp/tmp.dat with exactly these bytes.
void WriteJournalBytes(const std::string& bytes);

// Files this process holds open.
int OpenFileCount();

// A fresh working folder with the heartbeat of the example day and the check
// that a protocol run leaves no file open.
class ProtocolTest : public ProgramTest {
protected:
    void SetUp() override;
    void TearDown() override;

    int filesOpenBefore_ = 0;
};

}  // namespace testing_support

#endif
