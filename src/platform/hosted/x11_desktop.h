// The X11 desktop behind the hosted layer: other programs' windows, the
// foreground window and the screen saver of a real X server, and the
// program's own top-level windows mirrored there as real X windows.
// Internal to the hosted layer; the live runner and tests choose it with
// hosted::UseX11Desktop, and the Win32 functions ask it while it is active.
#ifndef HORALUX_PLATFORM_HOSTED_X11_DESKTOP_H
#define HORALUX_PLATFORM_HOSTED_X11_DESKTOP_H

#include "desktop.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hosted {
namespace x11 {

// Connects to the display; false (and the virtual desktop stays) when there
// is no server to reach.
bool Open(const char* displayName);
void Close();
// Connected, and the server still there.
bool Active();

// ---- Other programs' windows ----------------------------------------------------
// Their handles carry a tag that no handle of the hosted window table has,
// so a foreign window can never be taken for one of the program's own.
bool IsForeignHandle(HWND hwnd);
bool ForeignWindowExists(HWND hwnd);
// The active top-level window; the program's own windows come back as their
// hosted handles. NULL when no window is active.
HWND Foreground();
// GetWindowTextA of a foreign window: its UTF-8 title, cut between two
// characters to fit. 0 for no title or no window.
int ForeignWindowText(HWND hwnd, LPSTR text, int maxCount);
// The process id the window names, or 0 when it names none on this host.
DWORD ForeignWindowProcessId(HWND hwnd, bool* exists);
// False when the server cannot tell (no MIT-SCREEN-SAVER extension).
bool QueryScreensaver(bool* running);
// Every top-level window of the server, hidden ones included, as EnumWindows
// visits them.
void EnumTopLevelWindows(WNDENUMPROC proc, LPARAM param);
int ScreenWidth();
int ScreenHeight();

// ---- The program's own top-level windows ------------------------------------------
void CreateOwnWindow(HWND hwnd, const char* title, DWORD style, int x, int y, int width, int height);
// Returns once the window is on the screen, or off it (bounded, should the
// window manager not answer).
void ShowOwnWindow(HWND hwnd, bool show);
void DestroyOwnWindow(HWND hwnd);
// A BitBlt of a bitmap onto one of the program's windows: `bits` are the rows
// of a bottom-up device-independent bitmap of 24 or 32 bits a pixel. The
// window keeps the picture, also while the program does not paint.
void DrawBitmap(HWND hwnd, int x, int y, int width, int height, const unsigned char* bits, std::size_t size,
                int bitmapWidth, int bitmapHeight, int bitsPerPixel, int sourceX, int sourceY);

// ---- The tray icon and popup menus ----------------------------------------------------------
// Docks the icon of `owner` and `id` with the tray host, or shows another
// picture in it; false when no tray host takes it.
bool ShowTrayIcon(HWND owner, UINT id, UINT callbackMessage, HICON icon, const char* tip);
void RemoveTrayIcon(HWND owner, UINT id);
// Shows the menu with its top left corner at the point and lets the user
// choose; the chosen item's id, or 0 when the menu was dismissed. Between the
// user's moves a test's planned actions run, on virtual time.
UINT TrackMenu(const std::vector<MenuItem>& items, int x, int y);
bool CursorPosition(POINT* point);
// A modal dialog's window on the server, as its loop begins.
void ShowDialog(HWND dialog);
// Where a dialog's control is on the screen (root coordinates).
bool ControlPlace(HWND control, RECT* place);
// Modal loops wait for the user: true once the server has sent something,
// false after `ms`.
bool WaitForInput(int ms);
// A message box with one OK button as a plain window, until the user
// dismisses it (OK, Enter, Esc or the close box). On virtual time it stays
// `holdMs` while planned actions run, then goes. False without a display.
bool ShowMessageBox(const char* caption, const char* text, std::int64_t holdMs);
// Opens a file, folder or address with the desktop's own opener (xdg-open),
// without waiting for it.
void OpenWithDesktop(const char* target);

// Handles what the server has sent: the session's close request to one of
// the program's windows arrives as WM_CLOSE. A lost connection is the end of
// the session: the program gets the close request and the desktop is empty.
void Pump();

}  // namespace x11
}  // namespace hosted

#endif
