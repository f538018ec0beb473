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
// The program's own process as Windows shows it: it may open itself, and its
// module base name is the file name of horalux.exe.
constexpr const char kOwnModuleName[] = "horalux.exe";

// ---- A real X11 desktop --------------------------------------------------------
// From now on other programs' windows, the foreground window and the
// screensaver are those of this X server, their processes the host's own, and
// the program's own top-level windows real X windows on it; the clock stays
// as it is, so a test can run the program on virtual time against a real
// server. False, with the desktop unchanged, when the display can't be
// opened. ResetDesktop goes back to the virtual desktop.
bool UseX11Desktop(const char* displayName);
bool UsesX11Desktop();
// Real events take real time to travel, virtual time none: after a test's
// click, this waits (bounded) until an event of that X type (ButtonPress ...)
// has reached the program, before virtual time moves on.
bool AwaitX11Event(int type, int timeoutMs);
// Where a modal dialog's control is on the X11 desktop's screen (root
// coordinates), so that a test can click it; false without one.
bool ControlOnScreen(HWND control, RECT* place);

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
    bool exists = false;
    bool visible = false;
    std::string className;
    std::string title;
    DWORD style = 0;
    // Pixels; a dialog and its controls keep the template's dialog units.
    int x = 0, y = 0, width = 0, height = 0;
    int id = 0;               // a control's id
    HWND parent = nullptr;    // a control's dialog
    HWND owner = nullptr;     // a dialog's owner
    HFONT font = nullptr;     // as WM_SETFONT last set it
    WNDPROC proc = nullptr;   // the window procedure now, after any subclassing
    WNDPROC classProc = nullptr;
};
// The first top-level window the program created with this class, or NULL.
HWND FindOwnWindow(const char* className);
WindowInfo DescribeWindow(HWND window);
// Number of times each thing happened since the reset.
int TimesRegistered(const char* className);
// The resource id an icon or cursor handle was loaded from, or -1.
int ResourceIdOf(HICON icon);
// The cursor SetCursor last set, and the position GetCursorPos answers.
HCURSOR CurrentCursor();
void MoveCursor(int x, int y);

// ---- Graphics -----------------------------------------------------------------------------
enum class GdiKind { Bitmap, Font, Brush, DeviceContext };
// Objects the program made and deleted since the reset. Stock objects and the
// layer's own (paint contexts, a dialog's font, a picture control's bitmap)
// do not count.
int GdiObjectsCreated(GdiKind kind);
int GdiObjectsDeleted(GdiKind kind);
int GdiObjectsAlive(GdiKind kind);
bool IsGdiObjectAlive(HGDIOBJ object);
// The description of a font object, also after it was deleted.
LOGFONTA FontOf(HGDIOBJ font);
// The next `times` CreateFontIndirectA calls fail (-1: every call).
void FailFontCreation(int times = 1);
// BeginPaint calls not yet ended with EndPaint.
int OpenPaintContexts();
// Memory contexts deleted while one of the program's objects was still
// selected into them, instead of the context's own one put back first.
int ContextsDeletedHoldingObjects();

struct ImageLoad {
    int resourceId;
    UINT type;
    int cx, cy;
    UINT flags;
    HANDLE image;            // NULL when the load failed
    int width, height, bitsPerPixel;
    std::int64_t when;
};
const std::vector<ImageLoad>& ImageLoads();

struct BitBltCall {
    HDC dest;
    HWND destWindow;         // the window of a paint context, else NULL
    bool destVisible;        // whether that window was shown at the time
    int x, y, width, height;
    HDC source;
    HGDIOBJ sourceBitmap;    // the bitmap selected into the source context
    int sourceBitmapWidth, sourceBitmapHeight;
    int sourceX, sourceY;
    DWORD rop;
    std::int64_t when;
};
const std::vector<BitBltCall>& BitBlts();

// ---- The shell: tray icons, ShellExecuteA, registered messages ------------------------------
struct TrayCall {
    DWORD message;           // NIM_ADD, NIM_MODIFY, NIM_DELETE
    DWORD cbSize;
    HWND window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    HICON icon;
    std::string tip;         // as far as the record's version holds it
    BOOL result;
    std::int64_t when;
};
const std::vector<TrayCall>& TrayCalls();
// Called inside each Shell_NotifyIconA, after the shell has acted, so that a
// test can see the program's state at that moment.
void SetTrayObserver(std::function<void(const TrayCall&)> observer);
// The next `times` NIM_ADD requests fail, as while the shell is not yet up.
void FailTrayAdd(int times = 1);

struct TrayIconInfo {
    bool present = false;
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    HICON icon = nullptr;
    std::string tip;
};
// The icon in the notification area (a program has at most one here).
TrayIconInfo TrayIcon();
// The user does this with the mouse over the icon: the shell posts the icon's
// callback message (wParam its id, lParam the mouse message) to its window.
// False when there is no icon to click.
bool ClickTrayIcon(UINT mouseMessage);
// The shell restarts: every icon is gone, and "TaskbarCreated" is posted to
// every top-level window.
void RestartShell();

struct ShellExecuteCall {
    HWND window;
    bool hasVerb;            // false for a NULL verb (the default one)
    std::string verb;
    std::string file;
    bool hasParameters;
    std::string parameters;
    bool hasDirectory;
    std::string directory;
    INT show;
    INT_PTR result;          // > 32 on success; SE_ERR_FNF for a missing relative path
    std::int64_t when;
};
const std::vector<ShellExecuteCall>& ShellExecutes();
// The id RegisterWindowMessageA gave this name, or 0.
UINT RegisteredMessage(const char* name);

// ---- Popup menus ------------------------------------------------------------------------
struct MenuItem {
    UINT flags;
    UINT_PTR id;
    std::string text;
};
struct PopupMenuCall {
    std::vector<MenuItem> items;
    UINT flags;
    int x, y;
    HWND owner;
    bool ownerWasForeground; // without it Windows does not close the menu on a click elsewhere
    bool hadExcludeRect;
    UINT chosen;             // 0: dismissed
    std::int64_t opened, closed;
};
const std::vector<PopupMenuCall>& PopupMenus();
// What the user does with the next popup menu: holds it open for `holdMs`
// virtual ms (planned actions run meanwhile), then chooses the item with this
// id, or dismisses the menu for 0. Plans are used in order; a menu without
// a plan is dismissed at once. The choice reaches the owner as a posted
// WM_COMMAND, as on Windows.
void PlanMenuChoice(UINT commandId, std::int64_t holdMs = 0);
// Menus made and not destroyed.
int MenusAlive();
// On the X11 desktop: the items of the popup menu while it is open, where
// they are on the screen (root coordinates), so that a test can click one.
struct ShownMenuItem {
    UINT_PTR id;
    std::string text;
    int x, y, width, height;
};
std::vector<ShownMenuItem> ShownMenu();

// ---- Dialogs -----------------------------------------------------------------------------
// Modal dialogs wait for the user: their loop lets virtual time run to the
// next planned action (At/After) and handles what it posted. A dialog with
// nothing planned would wait forever: the run is aborted then.
struct DialogCall {
    int templateId;
    HWND owner;
    LPARAM param;
    HWND dialog;
    bool ended;
    INT_PTR result;          // EndDialog's, or -1 when the dialog could not be made
    std::int64_t opened, closed;
};
const std::vector<DialogCall>& DialogCalls();
// The innermost modal dialog now open, or NULL.
HWND ActiveDialog();
// A dialog's controls in template order.
std::vector<HWND> ControlsOf(HWND dialog);
// The mouse over a control: press and release (and a second press for the
// double click), sent to its window procedure as the system does.
void ClickControl(HWND control);
void DoubleClickControl(HWND control);
// A key pressed in a dialog: WM_KEYDOWN posted, which the dialog's loop
// turns into its commands (Esc: IDCANCEL, Enter: the default button).
void PressKey(HWND dialog, WORD virtualKey);
// The close box of the caption: WM_SYSCOMMAND SC_CLOSE to the dialog.
void ClickCloseBox(HWND dialog);
// The colours a static control is drawn with: WM_CTLCOLORSTATIC to its
// dialog with a fresh context. Not handled: the dialog's usual colours.
struct ControlColours {
    bool handled;
    COLORREF text;
    int bkMode;
    HGDIOBJ brush;
};
ControlColours AskControlColours(HWND control);
// The mouse moves over a control: WM_SETCURSOR to it; the cursor then shown.
HCURSOR CursorOver(HWND control);
// The text as a static control draws it: "&x" marks x as a mnemonic and
// "&&" is one ampersand, unless the control has SS_NOPREFIX.
std::string DisplayedText(HWND control);

}  // namespace hosted

#endif
