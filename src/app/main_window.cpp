#include "app/main_window.h"

#include "app/app.h"

namespace {

// Quit, and the shell's close request: tracking ends, the main loop writes
// its closing records. The window itself stays.
LRESULT OnDestroy() {
    PostQuitMessage(0);
    g_running = false;
    return 0;
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        return OnDestroy();
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
