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
typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);

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
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_COMMAND 0x0111
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_USER 0x0400

// Window and class styles, show commands
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define WS_POPUP 0x80000000L
#define WS_VISIBLE 0x10000000L
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWDEFAULT 10
#define COLOR_WINDOW 5
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

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
#define ERROR_INVALID_PARAMETER 87L
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
