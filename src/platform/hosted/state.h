// State shared by the parts of the hosted layer. Not for the program's code.
#ifndef HORALUX_PLATFORM_HOSTED_STATE_H
#define HORALUX_PLATFORM_HOSTED_STATE_H

#include "desktop.h"

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace hosted {
namespace detail {

// Lets virtual time pass up to `until`, running the planned actions on the way.
void AdvanceTo(std::int64_t until);
// Lets virtual time pass up to the next planned action and runs the actions
// of that moment; false when nothing is planned.
bool AdvanceToNextAction();

// One window of the desktop: the program's own (top-level, dialogs, controls)
// and those of other programs share the table, as on Windows.
struct Window {
    bool exists = false;
    bool own = false;
    bool visible = false;
    bool needsPaint = false;
    bool titleReadable = true;
    std::string className;
    std::string title;
    DWORD style = 0;
    // Pixels for windows; dialogs and their controls keep the template's
    // dialog units.
    int x = 0, y = 0, width = 0, height = 0;
    WNDPROC proc = nullptr;         // the current one, after any subclassing
    WNDPROC classProc = nullptr;    // the one the window was made with
    HWND parent = nullptr;          // controls: their dialog
    HWND owner = nullptr;           // dialogs: the window that owns them
    DWORD processId = 0;
    int id = 0;                     // control id
    HFONT font = nullptr;           // WM_SETFONT
    HGDIOBJ image = nullptr;        // picture statics: their bitmap
    LONG_PTR userData = 0;          // GWLP_USERDATA
    // Dialogs
    bool isDialog = false;
    DLGPROC dialogProc = nullptr;
    LONG_PTR dialogUser = 0;        // DWLP_USER
    LONG_PTR messageResult = 0;     // DWLP_MSGRESULT
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
};

Window* FindWindowRecord(HWND hwnd);
// A new window of the program; nothing is sent to it yet.
HWND MakeOwnWindow(const char* className, const char* title, DWORD style, HWND parent, WNDPROC proc);
std::vector<HWND> ChildrenOf(HWND hwnd);
// The program's main window: the first top-level window it made that still exists.
HWND MainWindow();
// The system's cursor handle of a stock cursor id (IDC_ARROW ...).
HCURSOR StockCursor(WORD id);
// A device context made by the layer itself (paint, colour queries).
HDC MakeSystemDC(HWND window);
void DeleteSystemDC(HDC dc);
// Whether the embedded resource script names this resource.
bool HasIcon(int id);
// A bitmap object made from the embedded resource, or NULL; `system` objects
// are the layer's own and do not count as the program's.
HBITMAP LoadBitmapResource(int id, int width, int height, UINT flags, bool system);
HFONT MakeSystemFont(const LOGFONTA& font);
void DeleteSystemObject(HGDIOBJ object);
// The brush of the dialog's usual background, which a control gets when its
// dialog procedure leaves WM_CTLCOLORSTATIC to the system.
HGDIOBJ DialogBackgroundBrush();
// The text colour and background mode a context holds now.
void ReadDCColours(HDC dc, COLORREF* text, int* bkMode);
// Live mode: the shell's close request has come (SIGINT or SIGTERM).
extern volatile std::sig_atomic_t g_closeRequested;
void SetLastErrorCode(DWORD code);

// Each part puts its own state back on a reset.
void ResetClock();
void StartLiveClock();
void ResetWindows();
void ResetFiles();
void ResetProcesses();
void ResetGdi();
void ResetMenus();
void ResetShell();
void ResetDialogs();

}  // namespace detail
}  // namespace hosted

#endif
