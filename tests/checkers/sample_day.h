// One working day's journal with every kind of protocol row in it, for the
// protocol checks of both suites.
#ifndef HORALUX_TESTS_CHECKERS_SAMPLE_DAY_H
#define HORALUX_TESTS_CHECKERS_SAMPLE_DAY_H

#include <string>

namespace checkers {

// The journal as the program would have written it on `date`, 08:00:00 to
// 17:45:10: start, windows (a title with quotes and a comma, one with 8-bit
// characters and a "%s"), an untitled window, the screensaver, a window whose
// program could not be read, a pause, and two faults: a successor with an
// earlier time and a record whose checksum does not match.
std::string SampleDayJournal(const std::string& date);

// The heartbeat file that the day's last quit left: the date and 17:45:10.
std::string SampleDayHeartbeat(const std::string& date);

}  // namespace checkers

#endif
