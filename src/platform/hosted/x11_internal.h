// What the parts of the X11 desktop (windows, tray icon, popup menus) share.
// Internal to them.
#ifndef HORALUX_PLATFORM_HOSTED_X11_INTERNAL_H
#define HORALUX_PLATFORM_HOSTED_X11_INTERNAL_H

#include "win32_api.h"

#include <X11/Xlib.h>

#include <vector>

namespace hosted {
namespace x11 {
namespace detail {

// The connection while it is usable, else NULL.
Display* Connection();
int Screen();
Window Root();
// The program's own top-level windows, as hosted handles.
std::vector<HWND> OwnTopLevelWindows();
// Waits on the server for an event of `window` of `type`, bounded; other
// events stay queued.
bool WaitForWindowEvent(Window window, int type, int timeoutMs);

// One of the program's own windows on the server, and the pixmap that is
// its face; None for a window that has none.
Window OwnXid(HWND hwnd);
Pixmap OwnPicture(HWND hwnd);

// What the pump does with one event: it goes to the part it is for.
void HandleEvent(const XEvent& event);
// Each part looks at the events the pump reads; true when it took one.
bool TrayEvent(const XEvent& event);
bool DialogEvent(const XEvent& event);
// A dialog's window has ended.
void ForgetDialog(HWND dialog);
// The tray icon's part of a disconnect.
void CloseTray();

}  // namespace detail
}  // namespace x11
}  // namespace hosted

#endif
