// Entry point of the hosted build: the real program on the real clock, in the
// working directory, until Ctrl+C, SIGTERM or the end of the X session (the
// shell's close request). It tracks the X11 desktop that DISPLAY names, or,
// without one, an empty desktop that shows it no windows.
#include "desktop.h"

#include <cstdio>
#include <cstdlib>

int main() {
    hosted::StartLive();
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && display[0] != '\0' && hosted::UseX11Desktop(display)) {
        std::fprintf(stderr,
                     "Horalux is tracking the X11 desktop %s into ./tmp and ./Protocols. "
                     "Ctrl+C ends tracking.\n",
                     display);
    } else {
        std::fprintf(stderr,
                     "Horalux: %s; tracking an empty desktop into ./tmp and ./Protocols, so no "
                     "window is recorded. Ctrl+C ends tracking.\n",
                     display == nullptr || display[0] == '\0' ? "DISPLAY is not set"
                                                               : "the X display named by DISPLAY can't be reached");
    }
    char noCommandLine[] = "";
    return WinMain(hosted::ModuleInstance(), nullptr, noCommandLine, SW_SHOWDEFAULT);
}
