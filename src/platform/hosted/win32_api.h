// Our own declarations of the Win32 subset that Horalux calls, for hosts that
// are not Windows. Names, signatures and constant values are those of the
// Windows API, written from what the program needs; the implementation lives
// beside this file and is backed by one scriptable desktop (desktop.h).
#ifndef HORALUX_PLATFORM_HOSTED_WIN32_API_H
#define HORALUX_PLATFORM_HOSTED_WIN32_API_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Calling conventions only matter on 32-bit Windows.
#define WINAPI
#define CALLBACK
#define APIENTRY

// ---- Basic types (LLP64, as on 64-bit Windows: LONG stays 32 bits) --------
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef int LONG;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef DWORD LCID;
typedef DWORD COLORREF;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* HANDLE;

#define TRUE 1
#define FALSE 0

// Distinct handle types, so that passing a window where an icon is expected
// fails to compile here as it does against the SDK.
#define HX_DECLARE_HANDLE(name) \
    struct name##__ {           \
        int unused;             \
    };                          \
    typedef struct name##__* name
HX_DECLARE_HANDLE(HWND);
HX_DECLARE_HANDLE(HINSTANCE);
HX_DECLARE_HANDLE(HICON);
HX_DECLARE_HANDLE(HMENU);
HX_DECLARE_HANDLE(HBRUSH);
HX_DECLARE_HANDLE(HDC);
HX_DECLARE_HANDLE(HBITMAP);
HX_DECLARE_HANDLE(HFONT);
#undef HX_DECLARE_HANDLE
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;
typedef void* HGDIOBJ;

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(static_cast<WORD>(l) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(l) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16))))
#define RGB(r, g, b) (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define MAX_PATH 260

// ---- Structures ------------------------------------------------------------
struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

#define LF_FACESIZE 32
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

// The current layout of the tray icon record. Older shells know only a
// prefix of it, and cbSize tells the shell which version the caller fills:
// the first version ended after a 64-character szTip.
struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    HICON hBalloonIcon;
};

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

// ---- Constants ----------------------------------------------------------------
// Window messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_SETCURSOR 0x0020
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_CONTEXTMENU 0x007B
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCHITTEST 0x0084
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_USER 0x0400

// System commands, keys, hit-test codes, control notifications
#define SC_CLOSE 0xF060
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define HTCLIENT 1
#define STN_CLICKED 0
#define STN_DBLCLK 1
#define BN_CLICKED 0
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173

// Window and class styles, show commands
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_CENTER 0x0800L
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_ICON 0x00000003L
#define SS_BITMAP 0x0000000EL
#define SS_TYPEMASK 0x0000001FL
#define SS_NOPREFIX 0x00000080L
#define SS_NOTIFY 0x00000100L
#define SS_REALSIZEIMAGE 0x00000800L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CENTER 0x00000300L
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWDEFAULT 10
#define COLOR_WINDOW 5
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// Window and dialog data slots
#define GWLP_WNDPROC (-4)
#define GWLP_ID (-12)
#define GWLP_USERDATA (-21)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT)))
#define DWLP_USER (DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC)))

// Popup menus
#define MF_STRING 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_SEPARATOR 0x00000800L
#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

// Graphics
#define SRCCOPY 0x00CC0020
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define LR_DEFAULTCOLOR 0x00000000
#define LR_LOADFROMFILE 0x00000010
#define LR_CREATEDIBSECTION 0x00002000
#define TRANSPARENT 1
#define OPAQUE 2
#define WHITE_BRUSH 0
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17
#define FW_NORMAL 400
#define FW_BOLD 700
#define DEFAULT_CHARSET 1

// Tray icons and the shell
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define SE_ERR_FNF 2

// Message boxes
#define MB_OK 0x00000000L
#define IDOK 1
#define IDCANCEL 2

// Stock cursors
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_HAND MAKEINTRESOURCEA(32649)

// Regional formats
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_USE_CP_ACP 0x40000000
#define DATE_SHORTDATE 0x00000001

// Screensaver and processes
#define SPI_GETSCREENSAVERRUNNING 0x0072
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_VM_READ 0x0010

// Files
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INSUFFICIENT_BUFFER 122L

// ---- Functions ---------------------------------------------------------------------
// Program entry point, defined by the program; the hosted live runner calls it.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

// Windows and classes
ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI DestroyWindow(HWND hwnd);
BOOL WINAPI IsWindow(HWND hwnd);
BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow);
BOOL WINAPI UpdateWindow(HWND hwnd);
BOOL WINAPI EnumWindows(WNDENUMPROC proc, LPARAM param);
int WINAPI GetWindowTextA(HWND hwnd, LPSTR text, int maxCount);
int WINAPI GetSystemMetrics(int index);
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
HCURSOR WINAPI SetCursor(HCURSOR cursor);
BOOL WINAPI GetCursorPos(POINT* point);
BOOL WINAPI SetForegroundWindow(HWND hwnd);
LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index);
LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Painting and graphics objects
HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
HDC WINAPI CreateCompatibleDC(HDC dc);
BOOL WINAPI DeleteDC(HDC dc);
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
BOOL WINAPI DeleteObject(HGDIOBJ object);
int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer);
HGDIOBJ WINAPI GetStockObject(int index);
HFONT WINAPI CreateFontIndirectA(const LOGFONTA* font);
BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   DWORD rop);
COLORREF WINAPI SetTextColor(HDC dc, COLORREF colour);
int WINAPI SetBkMode(HDC dc, int mode);

// Popup menus
HMENU WINAPI CreatePopupMenu();
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text);
BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                           const RECT* exclude);
BOOL WINAPI DestroyMenu(HMENU menu);

// Dialogs
INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                               LPARAM param);
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
HWND WINAPI GetDlgItem(HWND dialog, int id);
LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);

// Shell
BOOL WINAPI Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data);
HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               INT showCmd);
UINT WINAPI RegisterWindowMessageA(LPCSTR name);

// Foreground window, its process and the screensaver
HWND WINAPI GetForegroundWindow();
DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, DWORD* processId);
HANDLE WINAPI OpenProcess(DWORD access, BOOL inherit, DWORD processId);
DWORD WINAPI GetModuleBaseNameA(HANDLE process, HMODULE module, LPSTR baseName, DWORD size);
BOOL WINAPI CloseHandle(HANDLE handle);
BOOL WINAPI SystemParametersInfoA(UINT action, UINT uiParam, LPVOID pvParam, UINT winIni);

// Messages
BOOL WINAPI PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessageA(const MSG* msg);
BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int exitCode);
LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Clock and regional formats
void WINAPI GetLocalTime(SYSTEMTIME* time);
DWORD WINAPI timeGetTime();
void WINAPI Sleep(DWORD milliseconds);
int WINAPI GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR format,
                          LPSTR out, int outSize);
int WINAPI GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCSTR format,
                          LPSTR out, int outSize);

// Files and strings
BOOL WINAPI CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES* security);
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags);
DWORD WINAPI GetLastError();
LPSTR WINAPI lstrcpynA(LPSTR dest, LPCSTR src, int maxLength);

// Not Win32: the C runtime's fopen, through the layer so that text mode writes
// CR LF as the Windows runtime does and so that tests can make an open fail.
FILE* OpenStream(const char* path, const char* mode);

#endif
