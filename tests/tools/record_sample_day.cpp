// Records an hour on the virtual desktop with the real program, among windows
// whose titles hold commas, quotes and other characters a CSV reader trips
// over, then makes the day's protocols in the working directory. The CSV check
// (protocol_csv_check.py) reads them back with Python's csv module.
#include "platform/hosted/desktop.h"
#include "protocol/protocol.h"
#include "support/program.h"

#include <cstdio>

using namespace testing_support;

// One title per line, so that the check knows what to expect.
constexpr const char* const kTitles[] = {
    "Budget 2008, final.xls - Calc",
    "He said \"hi\", then left - Mail",
    "\"quoted\" - Editor",
    "a,b,,c\"\"d - Viewer",
    "Semicolon; tab\there - Browser",
    "plain title - Writer",
};
constexpr const char* const kModules[] = {"calc.exe", "mail,\"odd\".exe", "editor.exe",
                                          "viewer.exe", "browser.exe", "writer.exe"};

int main() {
    hosted::ResetDesktop();
    ResetProgramState();
    HWND windows[std::size(kTitles)];
    for (std::size_t i = 0; i < std::size(kTitles); ++i) {
        const DWORD pid = static_cast<DWORD>(100 + i);
        hosted::AddProcess(pid, kModules[i]);
        windows[i] = hosted::AddForeignWindow(kTitles[i], pid);
    }
    hosted::SetForeground(windows[0]);
    // A switch every ten ticks, round the windows twice.
    for (int n = 1; n <= 12; ++n) {
        const HWND window = windows[n % std::size(kTitles)];
        hosted::At(TickAt(10 * n) - 3000, [window] { hosted::SetForeground(window); });
    }
    CloseAt(TickAt(130) + 100);
    if (RunProgram() != 0) return 1;
    if (!CreateProtocol()) return 1;
    for (const char* title : kTitles) std::printf("%s\n", title);
    return 0;
}
