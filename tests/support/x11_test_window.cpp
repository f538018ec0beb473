// A stand-in for another program's window on a real X server: one top-level
// window with the title and process properties a test asks for. It prints
// the window id once the window is mapped and stays until its standard input
// closes (the test ends it by closing the pipe) or it is killed.
//
//   horalux_x11_test_window [--title UTF8] [--latin1-name TEXT] [--pid N | --no-pid]
//                           [--machine HOST] [--at X,Y] [--override-redirect]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Options {
    const char* title = nullptr;        // _NET_WM_NAME (UTF-8) and WM_NAME as UTF8_STRING
    const char* latin1Name = nullptr;   // WM_NAME alone, as an ISO 8859-1 STRING
    long pid = -1;                      // -1: our own
    bool noPid = false;
    const char* machine = nullptr;      // WM_CLIENT_MACHINE; default: this host
    int x = 40, y = 40;
    bool overrideRedirect = false;
};

bool Parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--title" && hasValue) o->title = argv[++i];
        else if (arg == "--latin1-name" && hasValue) o->latin1Name = argv[++i];
        else if (arg == "--pid" && hasValue) o->pid = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--no-pid") o->noPid = true;
        else if (arg == "--machine" && hasValue) o->machine = argv[++i];
        else if (arg == "--at" && hasValue) {
            if (std::sscanf(argv[++i], "%d,%d", &o->x, &o->y) != 2) return false;
        } else if (arg == "--override-redirect") o->overrideRedirect = true;
        else return false;
    }
    return true;
}

void SetText(Display* d, Window w, const char* property, const char* type, const char* text) {
    XChangeProperty(d, w, XInternAtom(d, property, False), XInternAtom(d, type, False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(text),
                    static_cast<int>(std::strlen(text)));
}

// The server going away ends the stand-in quietly, as the test meant it.
int OnServerGone(Display*) {
    std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, &o)) {
        std::fprintf(stderr, "usage: %s [--title T] [--latin1-name T] [--pid N|--no-pid] "
                             "[--machine H] [--at X,Y] [--override-redirect]\n", argv[0]);
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    XSetIOErrorHandler(OnServerGone);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(d, DefaultScreen(d));
    attributes.override_redirect = o.overrideRedirect ? True : False;
    attributes.event_mask = StructureNotifyMask;
    const Window w = XCreateWindow(d, DefaultRootWindow(d), o.x, o.y, 300, 200, 0, CopyFromParent,
                                   InputOutput, CopyFromParent,
                                   CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    if (o.title != nullptr) {
        SetText(d, w, "_NET_WM_NAME", "UTF8_STRING", o.title);
        SetText(d, w, "WM_NAME", "UTF8_STRING", o.title);
    }
    if (o.latin1Name != nullptr) SetText(d, w, "WM_NAME", "STRING", o.latin1Name);
    if (!o.noPid) {
        const long pid = o.pid >= 0 ? o.pid : static_cast<long>(getpid());
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    SetText(d, w, "WM_CLIENT_MACHINE", "STRING", o.machine != nullptr ? o.machine : host);
    XClassHint classHint{const_cast<char*>("testwindow"), const_cast<char*>("TestWindow")};
    XSetClassHint(d, w, &classHint);
    XMapWindow(d, w);
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MapNotify && e.xmap.window == w) break;
    }
    std::printf("0x%lx\n", w);
    std::fflush(stdout);

    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {ConnectionNumber(d), POLLIN, 0}};
    for (;;) {
        while (XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
        }
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents != 0) {
            char buffer[64];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
        }
        if (fds[1].revents & (POLLHUP | POLLERR)) break;
    }
    XCloseDisplay(d);
    return 0;
}
