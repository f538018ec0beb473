// Reset of the whole hosted desktop, and live mode's close request.
#include "state.h"

#include <csignal>

namespace hosted {
namespace detail {

volatile std::sig_atomic_t g_closeRequested = 0;

}  // namespace detail

namespace {

void RequestClose(int) {
    detail::g_closeRequested = 1;
}

}  // namespace

void ResetDesktop() {
    detail::ResetClock();
    detail::ResetWindows();
    detail::ResetFiles();
    detail::ResetProcesses();
    detail::ResetGdi();
    detail::ResetMenus();
    detail::ResetShell();
    detail::ResetDialogs();
    detail::g_closeRequested = 0;
    SetShortDateFormat("dd.MM.yyyy");
    SetTimeFormat("HH:mm:ss");
    SetTimeMarkers("AM", "PM");
}

HINSTANCE ModuleInstance() {
    static int module;
    return reinterpret_cast<HINSTANCE>(&module);
}

void StartLive() {
    ResetDesktop();
    detail::StartLiveClock();
    // SIGINT and SIGTERM are the shell's close request: the program's window
    // gets WM_CLOSE at the next message drain and shuts down as on Quit. No
    // SA_RESTART, so that a running Sleep ends at once.
    struct sigaction action {};
    action.sa_handler = RequestClose;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace hosted
