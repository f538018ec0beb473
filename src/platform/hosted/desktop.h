// The scriptable desktop behind the hosted Win32 layer.
//
// Tests use it to run the real program on a virtual clock: they set the wall
// clock and the millisecond counter, put foreign windows on the desktop, plan
// what happens when (a window comes to the front, the user picks a menu item),
// make chosen files or folders fail, and afterwards read what the program showed.
// The live runner uses it only to switch to the real clock and file system.
#ifndef HORALUX_PLATFORM_HOSTED_DESKTOP_H
#define HORALUX_PLATFORM_HOSTED_DESKTOP_H

#include "win32_api.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hosted {

// ---- Modes -------------------------------------------------------------------
// Back to a fresh virtual desktop: virtual clock at 05.01.2026 09:00:00 with
// the millisecond counter at 0, German regional formats, a 1024 x 768 screen,
// no windows, no classes, an empty queue, no failures planned, nothing recorded.
void ResetDesktop();
// Real clock, real sleeps, SIGINT/SIGTERM as the shell's close request,
// message boxes also on standard error.
void StartLive();
bool IsLive();
// The instance handle the runner passes to WinMain.
HINSTANCE ModuleInstance();
// Process id that the program's own windows belong to.
constexpr DWORD kOwnProcessId = 4242;

// ---- A real X11 desktop --------------------------------------------------------
// From now on other programs' windows, the foreground window and the
// screensaver are those of this X server, their processes the host's own, and
// the program's own top-level windows real X windows on it; the clock stays
// as it is, so a test can run the program on virtual time against a real
// server. False, with the desktop unchanged, when the display can't be
// opened. ResetDesktop goes back to the virtual desktop.
bool UseX11Desktop(const char* displayName);
bool UsesX11Desktop();

// ---- Clock --------------------------------------------------------------------
// Virtual milliseconds since the last reset; Sleep and modal holds advance it.
std::int64_t Now();
void SetLocalClock(int year, int month, int day, int hour, int minute, int second);
void SetTickCounter(DWORD milliseconds);
// Runs an action when the virtual clock reaches the given moment (ms since
// reset) during a Sleep or a modal hold. Actions at the same moment run in
// the order they were planned.
void At(std::int64_t when, std::function<void()> action);
void After(std::int64_t delay, std::function<void()> action);
// A run that reaches this much virtual time has lost its way; it is aborted.
void SetVirtualTimeLimit(std::int64_t milliseconds);

// ---- Regional formats -----------------------------------------------------------
void SetShortDateFormat(const char* picture);
void SetTimeFormat(const char* picture);
void SetTimeMarkers(const char* am, const char* pm);

// ---- Desktop and other programs ------------------------------------------------------
void SetScreenSize(int width, int height);
// A top-level window of another program.
HWND AddForeignWindow(const char* title, DWORD processId);
void SetWindowTitle(HWND window, const char* title);
// A window whose title cannot be read answers GetWindowTextA with nothing.
void SetTitleReadable(HWND window, bool readable);
// The window ends; its handle is no longer a window.
void RemoveWindow(HWND window);
void SetForeground(HWND window);
HWND Foreground();
// A running program: its module base name, and whether this program may open it.
void AddProcess(DWORD processId, const char* moduleName, bool canOpen = true);
void SetScreensaverRunning(bool running);
// While set, the screensaver query fails and leaves its answer untouched.
void SetScreensaverQueryFails(bool fails);
// Process handles opened and not yet closed.
int OpenProcessHandles();

// ---- Failures ---------------------------------------------------------------------
// The next `times` calls (or every call, with -1) that open this path fail;
// with a mode given, only opens in exactly that mode ("w", "rb", ...).
void FailOpen(const char* path, int times = -1, const char* mode = nullptr);
// The next `times` calls that create this folder fail.
void FailCreateDirectory(const char* path, int times = -1);
// The next CreateWindowExA fails.
void FailWindowCreation();

// ---- What the program did --------------------------------------------------------------
struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    std::int64_t when;
};
const std::vector<MessageBoxCall>& MessageBoxes();
// Virtual time that passes while a message box is open (the user reading it).
void SetMessageBoxHold(std::int64_t milliseconds);

struct DefWindowProcCall {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
const std::vector<DefWindowProcCall>& DefWindowProcCalls();

struct WindowInfo {
    bool exists;
    bool visible;
    std::string className;
    std::string title;
    DWORD style;
    int x, y, width, height;
};
// The first top-level window the program created with this class, or NULL.
HWND FindOwnWindow(const char* className);
WindowInfo DescribeWindow(HWND window);
// Number of times each thing happened since the reset.
int TimesRegistered(const char* className);
// The resource id an icon or cursor handle was loaded from, or -1.
int ResourceIdOf(HICON icon);

}  // namespace hosted

#endif
