#include "checkers/sample_day.h"

#include "checkers/journal_check.h"
#include "journal/checksum.h"

namespace checkers {
namespace {

// A record whose line 4 is one off, as an edit or a wrong clock would leave it.
std::string DamagedRecord(const std::string& time, const std::string& title, const std::string& application,
                          const std::string& date) {
    return time + "\n" + title + "\n" + application + "\n" +
           std::to_string(EntryChecksum(time.c_str(), date.c_str()) + 1) + "\n\n";
}

}  // namespace

std::string SampleDayJournal(const std::string& date) {
    const std::string writer = "Bericht \"Q1\", Entwurf.docx - Writer";
    // Windows-1252, as the program's ANSI titles come: "Übersicht März %s - Mail".
    const std::string mail = "\xDC" "bersicht M\xE4rz %s - Mail";
    return RecordBytes("08:00:00", "Tracking started", "-", date) +
           RecordBytes("08:00:10", writer, "writer.exe", date) +
           RecordBytes("08:20:10", "-", "-", date) +
           RecordBytes("08:25:00", mail, "mail.exe", date) +
           RecordBytes("09:00:00", "Screensaver active", "-", date) +
           RecordBytes("09:30:00", writer, "writer.exe", date) +
           RecordBytes("09:45:00", "Rechner", "calc.exe", date) +
           RecordBytes("09:40:00", "Tracking interrupted", "-", date) +
           RecordBytes("10:00:00", "Tracking started", "-", date) +
           DamagedRecord("11:30:00", "Administrator: Terminal", "-", date) +
           RecordBytes("17:45:10", "Tracking quit", "-", date);
}

std::string SampleDayHeartbeat(const std::string& date) {
    return date + "\n17:45:10\n";
}

}  // namespace checkers
