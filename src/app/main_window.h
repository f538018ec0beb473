// The program's only top-level window: the splash, then the hidden owner of
// the tray icon and its menu.
#ifndef HORALUX_APP_MAIN_WINDOW_H
#define HORALUX_APP_MAIN_WINDOW_H

#include "platform/win32.h"

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
