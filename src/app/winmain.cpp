// Start-up, the main loop with its ten-second tick, and the shut-down.
#include "app/app.h"
#include "app/main_window.h"
#include "app/report_error.h"
#include "journal/clock.h"
#include "journal/heartbeat.h"
#include "journal/record.h"
#include "journal/sampler.h"
#include "resource.h"

#include <cstring>

bool g_running = true;
bool g_tracking = true;
HINSTANCE g_hInstance = nullptr;

const char* const g_productTitles[kProductTitleCount] = {kProductTitle, "Horalux Pro", "Horalux Team",
                                                         "Horalux Portable"};

static_assert(sizeof g_running == 1 && sizeof g_tracking == 1, "the flags are one byte each");

namespace {

// What WinMain keeps for the life of its loop.
struct LoopState {
    MSG msg;                       // the last message retrieved; its wParam is the exit code
    DWORD lastTickTime;            // timeGetTime when the previous tick ended
    char timeText[kClockTextSize];
    char dateText[kClockTextSize];
    SamplerState sampler;
};

void DrainMessages(LoopState& loop) {
    MSG next;
    while (PeekMessageA(&next, nullptr, 0, 0, PM_REMOVE)) {
        loop.msg = next;
        TranslateMessage(&next);
        DispatchMessageA(&next);
    }
}

// Unsigned subtraction keeps the elapsed time right across the counter's wrap.
bool TickDue(const LoopState& loop) {
    return g_tracking && timeGetTime() - loop.lastTickTime > kTickIntervalMs;
}

void TakeTick(LoopState& loop) {
    GetTimeString(loop.timeText);
    CheckHeartbeat();
    SampleForeground(loop.sampler, loop.timeText);
    loop.lastTickTime = timeGetTime();  // the next ten seconds count from the end of this tick
}

void ShutDown(LoopState& loop) {
    GetTimeString(loop.timeText);
    AppendRecord(loop.timeText, kTextTrackingQuit, kTextNone);
    GetDateString(loop.dateText);
    StampHeartbeat(loop.dateText, loop.timeText);
}

}  // namespace

BOOL CALLBACK EnumInstanceProc(HWND hwnd, LPARAM) {
    char title[kTitleSize];
    title[0] = '\0';
    GetWindowTextA(hwnd, title, kTitleSize);
    for (const char* product : g_productTitles)
        if (std::strstr(title, product) != nullptr) g_running = false;
    return TRUE;
}

void RegisterMainClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kProductTitle;
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TRACKING));
    RegisterClassExA(&wc);
}

bool CreateSplashWindow(HINSTANCE instance) {
    g_hInstance = instance;  // the first paint loads the tray icon through it
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    HWND hwnd = CreateWindowExA(0, kProductTitle, kProductTitle, WS_POPUP, (screenWidth - kSplashWidth) / 2,
                                (screenHeight - kSplashHeight) / 2, kSplashWidth, kSplashHeight, nullptr,
                                nullptr, instance, nullptr);
    if (hwnd == nullptr) return false;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);  // delivers the first paint: the splash, then the tray icon
    return true;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    EnumWindows(EnumInstanceProc, 0);
    if (!g_running) return 0;  // another copy runs

    RegisterMainClass(hInstance);
    if (!CreateSplashWindow(hInstance)) ReportError(kMsgCriticalError, true);

    LoopState loop{};
    loop.lastTickTime = timeGetTime();
    loop.sampler = kSamplerStart;
    GetTimeString(loop.timeText);
    CheckHeartbeat();
    AppendRecord(loop.timeText, kTextTrackingStarted, kTextNone);

    while (g_running) {
        DrainMessages(loop);
        if (TickDue(loop)) TakeTick(loop);
        Sleep(kPassSleepMs);
    }
    ShutDown(loop);

    // The exit code is the quit message's; a loop ended by a fatal error may
    // last have seen any other message, whose wParam is no exit code.
    return loop.msg.message == WM_QUIT ? static_cast<int>(loop.msg.wParam) : 0;
}
