#include "support/x11_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/scrnsaver.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#ifndef HORALUX_X11_TEST_WINDOW
#error "the build names the test window program"
#endif

namespace testing_support {
namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kAnswerTimeoutMs = 5000;

long MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// Reads one line (without its line feed) from a child's output.
bool ReadLine(int fd, int timeoutMs, std::string* line) {
    line->clear();
    const long deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        const long left = deadline - MonotonicMs();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n <= 0) return false;
        if (c == '\n') return true;
        *line += c;
    }
}

void CloseFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.close();
    return in.good() && out.good() && chmod(to.c_str(), 0755) == 0;
}

std::string TitleOf(Display* d, Window w) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::string title;
    const Atom netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    for (const Atom property : {netWmName, static_cast<Atom>(XA_WM_NAME)}) {
        if (XGetWindowProperty(d, w, property, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                               &remaining, &data) == Success &&
            data != nullptr && format == 8 && count > 0)
            title.assign(reinterpret_cast<char*>(data), count);
        if (data != nullptr) XFree(data);
        data = nullptr;
        if (!title.empty()) break;
    }
    return title;
}

std::vector<Window> ChildrenOf(Display* d, Window w) {
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(d, w, &root, &parent, &children, &count) != 0 && children != nullptr)
        result.assign(children, children + count);
    if (children != nullptr) XFree(children);
    return result;
}

Window WindowProperty(Display* d, Window w, const char* name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    Window value = None;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &remaining, &data) == Success &&
        data != nullptr && count == 1)
        value = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    if (data != nullptr) XFree(data);
    return value;
}

// Polls a condition on the server until it holds, at most `timeoutMs`,
// sleeping on the connection in between.
template <typename Condition>
bool WaitFor(Display* d, int timeoutMs, Condition condition) {
    const long deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        const long left = deadline - MonotonicMs();
        if (left <= 0) return false;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, static_cast<int>(left < 20 ? left : 20));
        while (XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
        }
    }
}

}  // namespace

bool HaveProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string paths = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= paths.size()) {
        const std::size_t end = paths.find(':', start);
        const std::string folder = paths.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

Child Spawn(const std::vector<std::string>& argv, const std::string& display, uid_t uid, bool quiet) {
    Child child;
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return child;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return child;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        if (quiet) {
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) dup2(null, STDERR_FILENO);
        }
        if (display.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", display.c_str(), 1);
        if (uid != static_cast<uid_t>(-1)) {
            if (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0) _exit(126);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return child;
    }
    child.pid = pid;
    child.input = in[1];
    child.output = out[0];
    return child;
}

int WaitForExit(Child& child, int timeoutMs) {
    if (child.pid <= 0) return -1;
    const long deadline = MonotonicMs() + timeoutMs;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid) break;
        if (done < 0 && errno != EINTR) {
            child.pid = -1;
            return -1;
        }
        if (MonotonicMs() >= deadline) {
            kill(child.pid, SIGKILL);
            waitpid(child.pid, &status, 0);
            child.pid = -1;
            return -1;
        }
        timespec slice{0, 5 * 1000 * 1000};
        nanosleep(&slice, nullptr);
    }
    child.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void EndChild(Child& child) {
    CloseFd(&child.input);
    if (child.pid > 0) {
        kill(child.pid, SIGTERM);
        WaitForExit(child, kAnswerTimeoutMs);
    }
    CloseFd(&child.output);
}

std::string ReadAll(int fd, int timeoutMs) {
    std::string text;
    const long deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        const long left = deadline - MonotonicMs();
        if (left <= 0) return text;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// Asking about a window that has just ended is an answer in a test, not
// a reason to end the test program, as Xlib's default handler would.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

X11Session::X11Session(Manager manager) {
    XSetErrorHandler(IgnoreErrors);
    if (!StartServer()) return;
    if (manager == Manager::kOpenbox && !StartManager()) return;
    ready_ = true;
}

X11Session::~X11Session() {
    for (TestWindow& w : windows_) EndChild(w.child);
    EndChild(tray_);
    EndChild(manager_);
    if (connection_ != nullptr && connectionOwner_ == getpid()) XCloseDisplay(connection_);
    connection_ = nullptr;
    EndChild(server_);
    if (!folder_.empty()) {
        const std::string command = "rm -rf '" + folder_ + "'";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", folder_.c_str());
    }
}

bool X11Session::StartServer() {
    // The server picks a free display number and tells it on its output;
    // only local connections, from any user (tests run programs as others).
    server_ = Spawn({"Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-ac",
                     "-noreset"},
                    "", static_cast<uid_t>(-1), true);
    std::string number;
    if (server_.pid <= 0 || !ReadLine(server_.output, kStartTimeoutMs, &number) || number.empty()) {
        problem_ = "Xvfb did not start";
        return false;
    }
    displayName_ = ":" + number;
    if (Connection() == nullptr) {
        problem_ = "cannot connect to Xvfb on " + displayName_;
        return false;
    }
    return true;
}

bool X11Session::StartManager() {
    manager_ = Spawn({"openbox", "--sm-disable"}, displayName_, static_cast<uid_t>(-1), true);
    Display* d = Connection();
    const bool up = manager_.pid > 0 && WaitFor(d, kStartTimeoutMs, [d] {
                        const Window check = WindowProperty(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK");
                        return check != None && WindowProperty(d, check, "_NET_SUPPORTING_WM_CHECK") == check;
                    });
    if (!up) {
        problem_ = "openbox did not start";
        return false;
    }
    // It names itself before it manages windows, and a window mapped in
    // between may stay unmanaged: map probes until one is framed, so that no
    // test's window falls into its start-up.
    const Atom wmState = XInternAtom(d, "WM_STATE", False);
    bool managed = false;
    for (int attempt = 0; attempt < 40 && !managed; ++attempt) {
        const Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
        XMapWindow(d, probe);
        XFlush(d);
        managed = WaitFor(d, 250, [d, probe, wmState] {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;
            const bool has = XGetWindowProperty(d, probe, wmState, 0, 2, False, AnyPropertyType, &type,
                                                &format, &count, &remaining, &data) == Success &&
                             type != None;
            if (data != nullptr) XFree(data);
            return has;
        });
        XDestroyWindow(d, probe);
        XSync(d, False);
    }
    if (!managed) problem_ = "openbox does not manage windows";
    return managed;
}

Display* X11Session::Connection() {
    if (connection_ == nullptr || connectionOwner_ != getpid()) {
        // A forked child leaves its parent's connection alone.
        connection_ = XOpenDisplay(displayName_.c_str());
        connectionOwner_ = getpid();
    }
    return connection_;
}

int X11Session::Width() const {
    return 1280;
}

int X11Session::Height() const {
    return 800;
}

unsigned long X11Session::StartWindow(const std::vector<std::string>& args, const std::string& program, uid_t uid) {
    std::string binary = HORALUX_X11_TEST_WINDOW;
    if (!program.empty()) {
        if (folder_.empty()) {
            char pattern[] = "/tmp/horalux-programs-XXXXXX";
            if (mkdtemp(pattern) == nullptr) return 0;
            folder_ = pattern;
            chmod(folder_.c_str(), 0755);
        }
        binary = folder_ + "/" + program;
        if (access(binary.c_str(), X_OK) != 0 && !CopyFile(HORALUX_X11_TEST_WINDOW, binary)) return 0;
    }
    std::vector<std::string> argv{binary};
    argv.insert(argv.end(), args.begin(), args.end());
    TestWindow w{Spawn(argv, displayName_, uid), 0};
    std::string line;
    if (w.child.pid > 0 && ReadLine(w.child.output, kStartTimeoutMs, &line))
        w.window = std::strtoul(line.c_str(), nullptr, 16);
    windows_.push_back(w);
    // Mapped is not yet managed: a window manager lists the window once it
    // has framed it, and only then is it on the desktop for every client.
    if (w.window != 0 && manager_.pid > 0) {
        Display* d = Connection();
        const Window window = w.window;
        const bool listed = WaitFor(d, kAnswerTimeoutMs, [d, window] {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;
            bool found = false;
            if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_CLIENT_LIST", False), 0, 4096,
                                   False, XA_WINDOW, &type, &format, &count, &remaining, &data) == Success &&
                data != nullptr)
                for (unsigned long i = 0; i < count; ++i)
                    if (reinterpret_cast<unsigned long*>(data)[i] == window) found = true;
            if (data != nullptr) XFree(data);
            return found;
        });
        if (!listed) return 0;
    }
    return w.window;
}

pid_t X11Session::WindowProcess(unsigned long window) const {
    for (const TestWindow& w : windows_)
        if (w.window == window) return w.child.pid;
    return -1;
}

bool X11Session::Activate(unsigned long window) {
    Display* d = Connection();
    const Window root = DefaultRootWindow(d);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;  // from a pager or task bar: the user's own choice
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(d);
    return WaitFor(d, kAnswerTimeoutMs,
                   [d, root, window] { return WindowProperty(d, root, "_NET_ACTIVE_WINDOW") == window; });
}

bool X11Session::Focus(unsigned long window) {
    Display* d = Connection();
    const Window target = window == 1 ? PointerRoot : static_cast<Window>(window);
    XSetInputFocus(d, target, RevertToNone, CurrentTime);
    XSync(d, False);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    return focus == target;
}

bool X11Session::MovePointer(int x, int y) {
    Display* d = Connection();
    XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, x, y);
    XSync(d, False);
    return true;
}

bool X11Session::ForceScreenSaver(bool on) {
    Display* d = Connection();
    XForceScreenSaver(d, on ? ScreenSaverActive : ScreenSaverReset);
    XSync(d, False);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    const bool done = WaitFor(d, kAnswerTimeoutMs, [d, info, on] {
        return XScreenSaverQueryInfo(d, DefaultRootWindow(d), info) != 0 &&
               (info->state == ScreenSaverOn) == on;
    });
    XFree(info);
    return done;
}

bool X11Session::RequestClose(unsigned long window) {
    Display* d = Connection();
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(d, window, False, NoEventMask, &e);
    XSync(d, False);
    return sent != 0;
}

unsigned long X11Session::FindWindowTitled(const std::string& title) {
    Display* d = Connection();
    for (const Window top : ChildrenOf(d, DefaultRootWindow(d))) {
        if (TitleOf(d, top) == title) return top;
        for (const Window inner : ChildrenOf(d, top))
            if (TitleOf(d, inner) == title) return inner;
    }
    return 0;
}

unsigned long X11Session::WaitForWindowTitled(const std::string& title, bool viewable, int timeoutMs) {
    unsigned long found = 0;
    WaitFor(Connection(), timeoutMs, [&] {
        found = FindWindowTitled(title);
        return found != 0 && (!viewable || Describe(found).viewable);
    });
    return found;
}

X11Session::Geometry X11Session::Describe(unsigned long window) {
    Display* d = Connection();
    Geometry g{false, false, false, 0, 0, 0, 0};
    XWindowAttributes a;
    if (window == 0 || XGetWindowAttributes(d, window, &a) == 0) return g;
    Window child = None, root = None, parent = None;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &g.x, &g.y, &child);
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(d, window, &root, &parent, &children, &count) != 0) g.topLevel = parent == root;
    if (children != nullptr) XFree(children);
    g.exists = true;
    g.viewable = a.map_state == IsViewable;
    g.width = a.width;
    g.height = a.height;
    return g;
}

long X11Session::PixelAt(unsigned long window, int x, int y) {
    Display* d = Connection();
    XImage* image = XGetImage(d, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return -1;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    // Xvfb's 24-bit TrueColor: the pixel is 0xRRGGBB already.
    return static_cast<long>(pixel & 0xFFFFFF);
}

bool X11Session::StartTrayHost() {
    tray_ = Spawn({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request", "--height", "24"},
                  displayName_, static_cast<uid_t>(-1), true);
    Display* d = Connection();
    const Atom selection = XInternAtom(d, ("_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(d))).c_str(), False);
    return tray_.pid > 0 && WaitFor(d, kStartTimeoutMs, [d, selection] { return XGetSelectionOwner(d, selection) != None; });
}

namespace {

Window FindEmbedded(Display* d, Window w, Atom xembedInfo, int depth) {
    for (const Window child : ChildrenOf(d, w)) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        const bool has = XGetWindowProperty(d, child, xembedInfo, 0, 2, False, AnyPropertyType, &type, &format,
                                            &count, &remaining, &data) == Success &&
                         type != None;
        if (data != nullptr) XFree(data);
        if (has) return child;
        if (depth > 0)
            if (const Window inner = FindEmbedded(d, child, xembedInfo, depth - 1)) return inner;
    }
    return None;
}

}  // namespace

unsigned long X11Session::FindTrayIcon() {
    Display* d = Connection();
    return FindEmbedded(d, DefaultRootWindow(d), XInternAtom(d, "_XEMBED_INFO", False), 8);
}

bool X11Session::Click(int x, int y, unsigned button) {
    Display* d = Connection();
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &event, &error, &major, &minor)) return false;
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(d, button, True, CurrentTime);
    XTestFakeButtonEvent(d, button, False, CurrentTime);
    XSync(d, False);
    return true;
}

bool X11Session::ClickCentre(unsigned long window, unsigned button) {
    const Geometry g = Describe(window);
    return g.viewable && Click(g.x + g.width / 2, g.y + g.height / 2, button);
}

void X11Session::KillServer() {
    if (connection_ != nullptr && connectionOwner_ == getpid()) XCloseDisplay(connection_);
    connection_ = nullptr;
    EndChild(server_);
}

}  // namespace testing_support
