// Process-wide state of the application shell and its start-up pieces.
#ifndef HORALUX_APP_APP_H
#define HORALUX_APP_APP_H

#include "platform/win32.h"

#include <cstddef>

// The product's own title: window class, window title and tray tip.
constexpr const char kProductTitle[] = "Horalux";

// A window whose title contains one of these means a copy already runs: ours
// or one of the product's other editions.
constexpr std::size_t kProductTitleCount = 4;
extern const char* const g_productTitles[kProductTitleCount];

// The main loop runs while set; cleared by the instance check, a fatal error or
// Quit, and never set again.
extern bool g_running;
// Ticks are taken only while set; Pause clears it, Continue sets it.
extern bool g_tracking;
// Module instance; icons and the About dialog are loaded through it.
extern HINSTANCE g_hInstance;

// Milliseconds from the end of one tick after which the next is due.
constexpr DWORD kTickIntervalMs = 10000;
// Pause at the end of every pass of the main loop.
constexpr DWORD kPassSleepMs = 250;
// The splash window, and the picture it shows.
constexpr int kSplashWidth = 356;
constexpr int kSplashHeight = 205;

BOOL CALLBACK EnumInstanceProc(HWND hwnd, LPARAM param);
void RegisterMainClass(HINSTANCE instance);
bool CreateSplashWindow(HINSTANCE instance);

#endif
