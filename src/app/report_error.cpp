#include "app/report_error.h"

#include "app/app.h"
#include "journal/clock.h"

#include <cstdio>

void ReportError(const char* message, bool fatal) {
    // The moment of the failure, before the box holds the program.
    char date[kClockTextSize];
    char time[kClockTextSize];
    GetDateString(date);
    GetTimeString(time);

    MessageBoxA(nullptr, message, kErrorCaption, MB_OK);

    // Text mode: every line break, those inside the message too, is CR LF.
    if (FILE* log = OpenStream(kErrorLogPath, "a")) {
        std::fprintf(log, "\n%s;%s\n%s", date, time, message);
        std::fclose(log);
    }
    if (fatal) g_running = false;
}
