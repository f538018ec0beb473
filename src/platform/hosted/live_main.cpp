// Entry point of the hosted build: the real program on the real clock, in the
// working directory, until Ctrl+C or SIGTERM (the shell's close request).
#include "desktop.h"

#include <cstdio>

int main() {
    hosted::StartLive();
    std::fprintf(stderr,
                 "Horalux is tracking into ./tmp and ./Protocols; this desktop shows it no "
                 "windows. Ctrl+C ends tracking.\n");
    char noCommandLine[] = "";
    return WinMain(hosted::ModuleInstance(), nullptr, noCommandLine, SW_SHOWDEFAULT);
}
