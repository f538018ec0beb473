// The program's only top-level window: the splash, then the hidden owner of
// the tray icon and its menu.
#ifndef HORALUX_APP_MAIN_WINDOW_H
#define HORALUX_APP_MAIN_WINDOW_H

#include "platform/win32.h"

#include <cstddef>

// The tray icon's mouse messages reach the window as this message.
constexpr UINT WM_TRAYICON = WM_USER;

// Tray menu commands, the low word of WM_COMMAND's wParam.
constexpr WORD ID_TRAY_ABOUT = 1024;
constexpr WORD ID_TRAY_QUIT = 1025;
constexpr WORD ID_TRAY_PAUSE = 1026;
constexpr WORD ID_TRAY_CONTINUE = 1027;
constexpr WORD ID_TRAY_OPEN_FOLDER = 1028;
constexpr WORD ID_TRAY_CREATE_PROTOCOL = 1029;

// The record is the structure's first version, which every shell accepts:
// it ends after a 64-character tip. Its size depends on the architecture
// (88 bytes in a 32-bit program, more in a 64-bit one), so it is computed.
constexpr int kTrayTipSize = 64;
constexpr DWORD kTrayIconRecordSize = static_cast<DWORD>(offsetof(NOTIFYICONDATAA, szTip) + kTrayTipSize);
constexpr UINT kTrayIconId = 1;

// The tray icon record, filled at the end of the splash and handed to every
// later request to the shell.
extern NOTIFYICONDATAA g_trayIcon;
// The id of the shell's "TaskbarCreated" message, registered at the end of
// the splash; 0 until then.
extern UINT g_taskbarCreatedMessage;

// Copies `title` into the record's tip: at most 63 characters and the zero.
void CopyTrayTip(NOTIFYICONDATAA& icon, const char* title);

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
