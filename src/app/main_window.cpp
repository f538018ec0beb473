#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/app.h"
#include "protocol/protocol.h"
#include "resource.h"

NOTIFYICONDATAA g_trayIcon;
UINT g_taskbarCreatedMessage = 0;

static_assert(sizeof(void*) != 4 || kTrayIconRecordSize == 88, "the first version is 88 bytes in 32-bit programs");
static_assert(sizeof(void*) != 8 || kTrayIconRecordSize == 104, "and 104 bytes in 64-bit ones");
static_assert(kTrayIconRecordSize <= sizeof(NOTIFYICONDATAA), "the first version is a prefix of the structure");

namespace {

constexpr DWORD kSplashMs = 5000;
constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr const char kProtocolFolder[] = "Protocols";

HICON LoadStateIcon(bool tracking) {
    return LoadIconA(g_hInstance, MAKEINTRESOURCEA(tracking ? IDI_TRACKING : IDI_PAUSED));
}

// The splash picture is one pixel wider than the window; its last column is
// not shown.
void DrawSplash(HDC target) {
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(g_hInstance, MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (picture == nullptr) return;  // not reported: the splash time and the icon follow as usual
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(target, 0, 0, kSplashWidth, kSplashHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(picture);
}

void AddTrayIcon(HWND hwnd) {
    g_trayIcon = NOTIFYICONDATAA{};
    g_trayIcon.cbSize = kTrayIconRecordSize;
    g_trayIcon.hWnd = hwnd;
    g_trayIcon.uID = kTrayIconId;
    g_trayIcon.uFlags = kTrayFlags;
    g_trayIcon.uCallbackMessage = WM_TRAYICON;
    g_trayIcon.hIcon = LoadStateIcon(true);
    CopyTrayTip(g_trayIcon, kProductTitle);
    Shell_NotifyIconA(NIM_ADD, &g_trayIcon);
}

// The first paint is the splash: five seconds of picture, then the window
// hides for good and the tray icon takes its place. No further paint comes.
LRESULT OnPaint(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(hwnd, &paint);
    DrawSplash(target);
    EndPaint(hwnd, &paint);
    Sleep(kSplashMs);
    ShowWindow(hwnd, SW_HIDE);
    // Registered before the icon exists, so that a shell restart from now on
    // is recognised.
    g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    AddTrayIcon(hwnd);
    return 0;
}

// The menu is built afresh for every right press and destroyed when it closes.
void ShowTrayMenu(HWND hwnd) {
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(hwnd);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, ID_TRAY_ABOUT, "About");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, ID_TRAY_CREATE_PROTOCOL, "Create current protocol");
    AppendMenuA(menu, MF_STRING, ID_TRAY_OPEN_FOLDER, "Open protocol folder");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    if (g_tracking)
        AppendMenuA(menu, MF_STRING, ID_TRAY_PAUSE, "Pause");
    else
        AppendMenuA(menu, MF_STRING, ID_TRAY_CONTINUE, "Continue");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, ID_TRAY_QUIT, "Quit");
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
    // Lets the menu's owner see a message, so that the menu closes properly.
    PostMessageA(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

LRESULT OnTrayIcon(HWND hwnd, LPARAM mouseMessage) {
    if (mouseMessage == WM_RBUTTONDOWN) ShowTrayMenu(hwnd);
    return 0;
}

// The icon is changed before the flag.
void SetTracking(bool tracking) {
    g_trayIcon.hIcon = LoadStateIcon(tracking);
    Shell_NotifyIconA(NIM_MODIFY, &g_trayIcon);
    g_tracking = tracking;
}

void RunTrayCommand(HWND hwnd, WORD command) {
    switch (command) {
    case ID_TRAY_ABOUT:
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUT), hwnd, AboutDlgProc, 0);
        break;
    case ID_TRAY_QUIT:
        SendMessageA(hwnd, WM_DESTROY, 0, 0);  // the shut-down runs now; the window stays
        break;
    case ID_TRAY_PAUSE:
        SetTracking(false);
        break;
    case ID_TRAY_CONTINUE:
        SetTracking(true);
        break;
    case ID_TRAY_OPEN_FOLDER:
        // Fails quietly while no protocol has made the folder yet.
        ShellExecuteA(hwnd, "open", kProtocolFolder, nullptr, nullptr, SW_SHOW);
        break;
    case ID_TRAY_CREATE_PROTOCOL:
        CreateProtocol();  // reports its own failures
        break;
    default:
        break;
    }
}

LRESULT OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const WORD command = LOWORD(wParam);
    if (static_cast<unsigned>(command) - ID_TRAY_ABOUT > 5u) return DefWindowProcA(hwnd, WM_COMMAND, wParam, lParam);
    RunTrayCommand(hwnd, command);
    return 0;
}

// Quit, and the shell's close request: the icon goes, tracking ends, and the
// main loop writes its closing records. The window itself stays.
LRESULT OnDestroy() {
    PostQuitMessage(0);
    g_trayIcon.uFlags = 0;
    Shell_NotifyIconA(NIM_DELETE, &g_trayIcon);
    g_running = false;
    return 0;
}

// A restarted shell has lost every icon: ours comes back as it was. Not
// before the splash made it, and not after the shut-down removed it.
LRESULT OnTaskbarCreated() {
    if (g_trayIcon.hWnd == nullptr || !g_running) return 0;
    g_trayIcon.uFlags = kTrayFlags;
    g_trayIcon.hIcon = LoadStateIcon(g_tracking);
    Shell_NotifyIconA(NIM_ADD, &g_trayIcon);
    return 0;
}

}  // namespace

void CopyTrayTip(NOTIFYICONDATAA& icon, const char* title) {
    lstrcpynA(icon.szTip, title, kTrayTipSize);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        return OnPaint(hwnd);
    case WM_TRAYICON:
        return OnTrayIcon(hwnd, lParam);
    case WM_COMMAND:
        return OnCommand(hwnd, wParam, lParam);
    case WM_DESTROY:
        return OnDestroy();
    default:
        // A registered message has no constant id. WM_NULL (0) must never
        // pass for it when the registration failed.
        if (message == g_taskbarCreatedMessage && g_taskbarCreatedMessage != 0) return OnTaskbarCreated();
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
