#include "journal/sampler.h"

#include "journal/record.h"

namespace {

// PROCESS_ALL_ACCESS as SDKs before Windows Vista define it; newer SDKs give
// the name a larger value that older systems refuse.
constexpr DWORD kProcessAccess = 0x1F0FFF;

// The file name of the program that owns the window, or "-".
void ReadModuleName(HWND window, char (&application)[kTitleSize]) {
    lstrcpynA(application, kTextNone, kTitleSize);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0) return;
    HANDLE process = OpenProcess(kProcessAccess, FALSE, processId);
    if (process == nullptr) return;  // another user's or a higher-rights program
    if (GetModuleBaseNameA(process, nullptr, application, kTitleSize) == 0)
        lstrcpynA(application, kTextNone, kTitleSize);
    CloseHandle(process);
}

void WriteWindowRecord(SamplerState& state, const char* timeText) {
    // The window that is recorded is the one in front now, after the decision.
    HWND window = GetForegroundWindow();
    state.lastWindow = window;
    char title[kTitleSize];
    title[0] = '\0';
    // No window has no title; asking for one is not even tried (some Win32
    // implementations answer a null handle with text of their own).
    if (window != nullptr) GetWindowTextA(window, title, kTitleSize);
    if (title[0] == '\0') {
        AppendRecord(timeText, kTextNone, kTextNone);
        return;
    }
    char application[kTitleSize];
    ReadModuleName(window, application);
    AppendRecord(timeText, title, application);
}

}  // namespace

void SampleForeground(SamplerState& state, char (&timeText)[kClockTextSize]) {
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &state.screensaverRunning, 0);
    HWND foreground = GetForegroundWindow();
    if (!state.lastScreensaverRunning) {
        if (state.screensaverRunning) {
            GetTimeString(timeText);
            AppendRecord(timeText, kTextScreensaverActive, kTextNone);
        } else if (foreground != state.lastWindow) {
            WriteWindowRecord(state, timeText);
        }
    }
    state.lastScreensaverRunning = state.screensaverRunning != FALSE;
}
