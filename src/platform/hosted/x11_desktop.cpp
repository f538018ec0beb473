// The X11 desktop: what the sampler and the instance check ask about other
// programs' windows, answered by a real X server, and the program's own
// top-level windows as real X windows on it.
//
// The active window is the window manager's _NET_ACTIVE_WINDOW while an EWMH
// window manager runs, else the top-level window that holds the input focus.
// Titles are _NET_WM_NAME (UTF-8) or WM_NAME; the process is _NET_WM_PID, as
// long as WM_CLIENT_MACHINE says the window's program runs on this host.
#include "x11_desktop.h"

#include "state.h"
#include "x11_internal.h"
#include "utf8.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace hosted {
namespace x11 {
namespace {

// Foreign windows' handles: the X window id (29 bits at most) under a tag
// far above every handle the hosted table, icons, cursors and process
// handles use.
static_assert(sizeof(std::uintptr_t) >= 8, "foreign window handles need 64-bit pointers");
constexpr std::uintptr_t kForeignTag = std::uintptr_t{1} << 40;
constexpr std::uintptr_t kXidMask = 0x1FFFFFFF;

// How long ShowWindow waits for the server (and the window manager) to put
// a window on the screen or take it off; a desktop that does not answer
// must not hang the program.
constexpr int kShowWaitMs = 2000;
// Enough of a title property for any title the program keeps, also after a
// conversion from Latin-1 or compound text.
constexpr long kTitleReadLongs = 1024;
// Children of a frame searched for the client window inside it.
constexpr unsigned kMaxFrameChildren = 64;

struct Atoms {
    Atom netActiveWindow, netSupportingWmCheck, netClientList, netWmName, utf8String,
        compoundText, wmState, netWmPid, wmClientMachine, wmProtocols, wmDeleteWindow,
        netWmWindowType, netWmWindowTypeSplash, motifWmHints;
};

struct OwnWindow {
    HWND hwnd;
    Window xid;
    Pixmap picture;
};

Display* s_display = nullptr;
bool s_lost = false;
Window s_root = 0;
int s_screen = 0;
Atoms s_atoms{};
bool s_hasScreensaver = false;
XScreenSaverInfo* s_screensaverInfo = nullptr;
char s_hostName[256] = "";
std::vector<OwnWindow> s_own;
int s_lastError = 0;  // error code of the last failed request, from the error handler
XErrorHandler s_previousErrorHandler = nullptr;
XIOErrorHandler s_previousIOErrorHandler = nullptr;

// A request on a window that has just ended fails; that is an answer here,
// not a reason to end the program, as Xlib's default handler would.
int OnXError(Display*, XErrorEvent* error) {
    s_lastError = error->error_code;
    return 0;
}

// The server has gone: the session is over. Xlib calls the exit handler
// afterwards; ours returns, so the program can write its closing records.
int OnIOError(Display* display) {
    if (display == s_display) {
        if (!s_lost) std::fprintf(stderr, "Horalux: the X display was lost; tracking ends.\n");
        s_lost = true;
        hosted::detail::g_closeRequested = 1;
    }
    return 0;
}

void OnIOErrorExit(Display*, void*) {}

bool Usable() {
    return s_display != nullptr && !s_lost;
}

// One property, its data freed on every path.
class Property {
public:
    Property(Window window, Atom name, long maxLongs) {
        s_lastError = 0;
        unsigned long remaining = 0;
        if (XGetWindowProperty(s_display, window, name, 0, maxLongs, False, AnyPropertyType, &type_,
                               &format_, &count_, &remaining, &data_) != Success ||
            s_lastError != 0) {
            data_ = nullptr;
            count_ = 0;
            type_ = None;
            windowGone_ = s_lastError == BadWindow;
        }
    }
    ~Property() {
        if (data_ != nullptr) XFree(data_);
    }
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;

    bool Present() const { return data_ != nullptr && type_ != None; }
    bool WindowGone() const { return windowGone_; }
    Atom Type() const { return type_; }
    // Format 8: the bytes; format 32: Xlib hands out longs.
    const char* Bytes() const { return format_ == 8 ? reinterpret_cast<const char*>(data_) : nullptr; }
    std::size_t Count() const { return count_; }
    bool Long(std::size_t index, unsigned long* value) const {
        if (!Present() || format_ != 32 || index >= count_) return false;
        *value = reinterpret_cast<const unsigned long*>(data_)[index];
        return true;
    }

private:
    Atom type_ = None;
    int format_ = 0;
    unsigned long count_ = 0;
    unsigned char* data_ = nullptr;
    bool windowGone_ = false;
};

Window WindowProperty(Window window, Atom name) {
    const Property p(window, name, 1);
    unsigned long value = 0;
    if (p.Type() != XA_WINDOW || !p.Long(0, &value)) return None;
    return static_cast<Window>(value);
}

bool HasWmState(Window window) {
    return Property(window, s_atoms.wmState, 2).Present();
}

// The EWMH window manager's check window, while one runs: it names itself.
bool EwmhManagerRuns() {
    const Window check = WindowProperty(s_root, s_atoms.netSupportingWmCheck);
    return check != None && WindowProperty(check, s_atoms.netSupportingWmCheck) == check;
}

HWND HandleOf(Window window) {
    if (window == None) return nullptr;
    for (const OwnWindow& own : s_own)
        if (own.xid == window) return own.hwnd;
    return reinterpret_cast<HWND>(kForeignTag | window);
}

Window XidOf(HWND hwnd) {
    return static_cast<Window>(reinterpret_cast<std::uintptr_t>(hwnd) & kXidMask);
}

std::vector<Window> Children(Window window, Window* parent) {
    Window root = None, up = None;
    Window* children = nullptr;
    unsigned count = 0;
    s_lastError = 0;
    std::vector<Window> result;
    if (XQueryTree(s_display, window, &root, &up, &children, &count) != 0 && s_lastError == 0)
        result.assign(children, children + count);
    if (children != nullptr) XFree(children);
    if (parent != nullptr) *parent = result.empty() && s_lastError != 0 ? None : up;
    return result;
}

// The client window of a top-level window: itself when it carries WM_STATE
// (or no window manager frames it), else the child of the frame that does.
Window ClientOf(Window topLevel) {
    if (HasWmState(topLevel)) return topLevel;
    const std::vector<Window> children = Children(topLevel, nullptr);
    for (std::size_t i = 0; i < children.size() && i < kMaxFrameChildren; ++i)
        if (HasWmState(children[i])) return children[i];
    return topLevel;
}

// Without an EWMH window manager: the top-level window of the input focus,
// or under the pointer while the focus follows it.
Window FocusedTopLevel() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(s_display, &focus, &revert);
    if (focus == None) return None;
    if (focus == PointerRoot) {
        Window root = None, child = None;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned mask = 0;
        if (!XQueryPointer(s_display, s_root, &root, &child, &rootX, &rootY, &x, &y, &mask)) return None;
        focus = child;
        if (focus == None) return None;
    }
    // Up to the window whose parent is the root.
    for (int depth = 0; depth < 64 && focus != s_root; ++depth) {
        Window parent = None;
        Children(focus, &parent);
        if (parent == None) return None;  // it ended meanwhile
        if (parent == s_root) return ClientOf(focus);
        focus = parent;
    }
    return None;
}

// Latin-1 (ICCCM's STRING) as UTF-8.
std::string Latin1ToUtf8(const char* bytes, std::size_t count) {
    std::string out;
    out.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string CompoundTextToUtf8(const Property& p) {
    XTextProperty text{};
    text.value = reinterpret_cast<unsigned char*>(const_cast<char*>(p.Bytes()));
    text.encoding = p.Type();
    text.format = 8;
    text.nitems = p.Count();
    char** list = nullptr;
    int count = 0;
    std::string out;
    if (Xutf8TextPropertyToTextList(s_display, &text, &list, &count) >= Success && list != nullptr) {
        for (int i = 0; i < count; ++i) out += list[i];
        XFreeStringList(list);
    }
    return out;
}

// The window's title as UTF-8; empty when it has none.
std::string TitleOf(Window window) {
    {
        const Property net(window, s_atoms.netWmName, kTitleReadLongs);
        if (net.Present() && net.Bytes() != nullptr && net.Count() > 0)
            return std::string(net.Bytes(), net.Count());
        if (net.WindowGone()) return std::string();
    }
    const Property name(window, XA_WM_NAME, kTitleReadLongs);
    if (!name.Present() || name.Bytes() == nullptr) return std::string();
    if (name.Type() == XA_STRING) return Latin1ToUtf8(name.Bytes(), name.Count());
    if (name.Type() == s_atoms.compoundText) return CompoundTextToUtf8(name);
    return std::string(name.Bytes(), name.Count());  // UTF8_STRING, or what the program chose
}

// WM_CLIENT_MACHINE names the host the window's program runs on; a process
// id is only meaningful here when that is this host (not, say, a program
// shown from another machine over ssh). A short and a full name match.
bool RunsOnThisHost(Window window) {
    const Property machine(window, s_atoms.wmClientMachine, 64);
    if (!machine.Present() || machine.Bytes() == nullptr || s_hostName[0] == '\0') return true;
    const std::string theirs(machine.Bytes(), machine.Count());
    const std::string ours(s_hostName);
    const auto sameHost = [](const std::string& a, const std::string& b) {
        return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == '.');
    };
    return sameHost(theirs, ours) || sameHost(ours, theirs);
}

OwnWindow* FindOwn(HWND hwnd) {
    for (OwnWindow& own : s_own)
        if (own.hwnd == hwnd) return &own;
    return nullptr;
}

}  // namespace

namespace detail {

Display* Connection() {
    return Usable() ? s_display : nullptr;
}

int Screen() {
    return s_screen;
}

Window Root() {
    return s_root;
}

Window OwnXid(HWND hwnd) {
    const OwnWindow* own = FindOwn(hwnd);
    return own != nullptr ? own->xid : None;
}

Pixmap OwnPicture(HWND hwnd) {
    const OwnWindow* own = FindOwn(hwnd);
    return own != nullptr ? own->picture : None;
}

std::vector<HWND> OwnTopLevelWindows() {
    std::vector<HWND> windows;
    for (const OwnWindow& own : s_own) windows.push_back(own.hwnd);
    return windows;
}

// The others stay queued for Pump. The wait is on the server, bounded.
bool WaitForWindowEvent(Window window, int type, int timeoutMs) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        XEvent event;
        if (XCheckTypedWindowEvent(s_display, window, type, &event)) return true;
        if (!Usable()) return false;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (elapsed >= timeoutMs) return false;
        pollfd fd{ConnectionNumber(s_display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(timeoutMs - elapsed));
    }
}

}  // namespace detail

namespace {

// The plain face of a window that has no picture of its own: the product
// title on a dark ground. The server repaints it from a pixmap by itself, so
// it stays on the screen while the program sleeps through its splash.
Pixmap PlainPicture(Window window, const char* title, int width, int height) {
    if (width <= 0 || height <= 0) return None;
    const unsigned w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
    const Pixmap pixmap = XCreatePixmap(s_display, window, w, h,
                                        static_cast<unsigned>(DefaultDepth(s_display, s_screen)));
    GC gc = XCreateGC(s_display, pixmap, 0, nullptr);
    XSetForeground(s_display, gc, 0x203040);
    XFillRectangle(s_display, pixmap, gc, 0, 0, w, h);
    XSetForeground(s_display, gc, WhitePixel(s_display, s_screen));
    const int length = static_cast<int>(std::strlen(title));
    XDrawString(s_display, pixmap, gc, 20, height / 2, title, length);
    XFreeGC(s_display, gc);
    return pixmap;
}

void SetUtf8(Window window, Atom property, const char* text) {
    XChangeProperty(s_display, window, property, s_atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text), static_cast<int>(std::strlen(text)));
}

void SetAtom(Window window, Atom property, Atom value) {
    XChangeProperty(s_display, window, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
}

void InternAtoms() {
    const char* names[] = {"_NET_ACTIVE_WINDOW", "_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST",
                           "_NET_WM_NAME", "UTF8_STRING", "COMPOUND_TEXT", "WM_STATE",
                           "_NET_WM_PID", "WM_CLIENT_MACHINE", "WM_PROTOCOLS", "WM_DELETE_WINDOW",
                           "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_SPLASH", "_MOTIF_WM_HINTS"};
    Atom atoms[std::size(names)];
    XInternAtoms(s_display, const_cast<char**>(names), static_cast<int>(std::size(names)), False, atoms);
    s_atoms = Atoms{atoms[0], atoms[1], atoms[2],  atoms[3],  atoms[4],  atoms[5],  atoms[6],
                    atoms[7], atoms[8], atoms[9], atoms[10], atoms[11], atoms[12], atoms[13]};
}

}  // namespace

bool Open(const char* displayName) {
    Close();
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) return false;
    s_display = display;
    s_lost = false;
    s_previousErrorHandler = XSetErrorHandler(OnXError);
    s_previousIOErrorHandler = XSetIOErrorHandler(OnIOError);
    XSetIOErrorExitHandler(s_display, OnIOErrorExit, nullptr);
    s_screen = DefaultScreen(s_display);
    s_root = RootWindow(s_display, s_screen);
    InternAtoms();
    int eventBase = 0, errorBase = 0;
    // A tray host that starts later announces itself to the root window.
    XSelectInput(s_display, s_root, StructureNotifyMask);
    s_hasScreensaver = XScreenSaverQueryExtension(s_display, &eventBase, &errorBase) != 0;
    s_screensaverInfo = s_hasScreensaver ? XScreenSaverAllocInfo() : nullptr;
    if (gethostname(s_hostName, sizeof s_hostName - 1) != 0) s_hostName[0] = '\0';
    s_hostName[sizeof s_hostName - 1] = '\0';
    return true;
}

void Close() {
    if (s_display == nullptr) return;
    detail::CloseTray();
    for (const OwnWindow& own : s_own) detail::ForgetDialog(own.hwnd);
    if (!s_lost)
        for (const OwnWindow& own : s_own) {
            XDestroyWindow(s_display, own.xid);
            if (own.picture != None) XFreePixmap(s_display, own.picture);
        }
    s_own.clear();
    if (s_screensaverInfo != nullptr) XFree(s_screensaverInfo);
    s_screensaverInfo = nullptr;
    XCloseDisplay(s_display);
    XSetErrorHandler(s_previousErrorHandler);
    XSetIOErrorHandler(s_previousIOErrorHandler);
    s_display = nullptr;
    s_lost = false;
}

bool Active() {
    return Usable();
}

bool IsForeignHandle(HWND hwnd) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(hwnd);
    return (value & ~kXidMask) == kForeignTag && (value & kXidMask) != 0;
}

bool ForeignWindowExists(HWND hwnd) {
    if (!Usable() || !IsForeignHandle(hwnd)) return false;
    XWindowAttributes attributes;
    s_lastError = 0;
    return XGetWindowAttributes(s_display, XidOf(hwnd), &attributes) != 0 && s_lastError == 0;
}

HWND Foreground() {
    if (!Usable()) return nullptr;
    if (EwmhManagerRuns()) return HandleOf(WindowProperty(s_root, s_atoms.netActiveWindow));
    return HandleOf(FocusedTopLevel());
}

int ForeignWindowText(HWND hwnd, LPSTR text, int maxCount) {
    if (!Usable() || !IsForeignHandle(hwnd) || text == nullptr || maxCount <= 0) return 0;
    const std::string title = TitleOf(XidOf(hwnd));
    const std::size_t n =
        hosted::detail::Utf8PrefixLength(title.data(), title.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(text, title.data(), n);
    text[n] = '\0';
    return static_cast<int>(n);
}

DWORD ForeignWindowProcessId(HWND hwnd, bool* exists) {
    *exists = false;
    if (!Usable() || !IsForeignHandle(hwnd)) return 0;
    const Window window = XidOf(hwnd);
    const Property pid(window, s_atoms.netWmPid, 1);
    if (pid.WindowGone()) return 0;
    *exists = pid.Present() || ForeignWindowExists(hwnd);
    unsigned long value = 0;
    if (pid.Type() != XA_CARDINAL || !pid.Long(0, &value) || value == 0 || value > 0xFFFFFFFFul)
        return 0;
    if (!RunsOnThisHost(window)) return 0;
    return static_cast<DWORD>(value);
}

bool QueryScreensaver(bool* running) {
    if (!Usable() || !s_hasScreensaver || s_screensaverInfo == nullptr) return false;
    s_lastError = 0;
    if (XScreenSaverQueryInfo(s_display, s_root, s_screensaverInfo) == 0 || s_lastError != 0) return false;
    *running = s_screensaverInfo->state == ScreenSaverOn;
    return true;
}

void EnumTopLevelWindows(WNDENUMPROC proc, LPARAM param) {
    if (!Usable()) return;
    // The root's children hold every unmanaged top-level window (a hidden
    // one, too) and the frames of managed ones; the clients inside frames
    // come from the window manager's list, or else from the frames.
    std::vector<Window> windows = Children(s_root, nullptr);
    std::vector<Window> clients;
    if (EwmhManagerRuns()) {
        const Property list(s_root, s_atoms.netClientList, 4096);
        unsigned long value = 0;
        for (std::size_t i = 0; list.Long(i, &value); ++i) clients.push_back(static_cast<Window>(value));
    } else {
        for (const Window w : windows) {
            const Window client = ClientOf(w);
            if (client != w) clients.push_back(client);
        }
    }
    for (const Window client : clients)
        if (std::find(windows.begin(), windows.end(), client) == windows.end()) windows.push_back(client);
    for (const Window w : windows)
        if (!proc(HandleOf(w), param)) break;
}

int ScreenWidth() {
    return Usable() ? DisplayWidth(s_display, s_screen) : 0;
}

int ScreenHeight() {
    return Usable() ? DisplayHeight(s_display, s_screen) : 0;
}

void CreateOwnWindow(HWND hwnd, const char* title, DWORD style, int x, int y, int width, int height) {
    if (!Usable() || FindOwn(hwnd) != nullptr) return;
    const char* name = title != nullptr ? title : "";
    const unsigned w = static_cast<unsigned>(std::max(width, 1));
    const unsigned h = static_cast<unsigned>(std::max(height, 1));
    XSetWindowAttributes attributes{};
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(s_display, s_root, x, y, w, h, 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWEventMask, &attributes);
    const Pixmap picture = PlainPicture(window, name, width, height);
    if (picture != None) XSetWindowBackgroundPixmap(s_display, window, picture);

    // Title, class, place and size as the program asked, for the window
    // manager; the program runs here, under this process id. WM_NAME is
    // written as it is, not through Xlib's text conversions, which would load
    // the locale tables for the rest of the day.
    bool ascii = true;
    for (const char* c = name; *c != '\0'; ++c)
        if (static_cast<unsigned char>(*c) >= 0x80) ascii = false;
    XChangeProperty(s_display, window, XA_WM_NAME, ascii ? XA_STRING : s_atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name), static_cast<int>(std::strlen(name)));
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize | PMinSize | PMaxSize;
    size->x = x;
    size->y = y;
    size->width = size->min_width = size->max_width = static_cast<int>(w);
    size->height = size->min_height = size->max_height = static_cast<int>(h);
    XClassHint* classHint = XAllocClassHint();
    classHint->res_name = const_cast<char*>("horalux");
    classHint->res_class = const_cast<char*>("Horalux");
    XSetWMProperties(s_display, window, nullptr, nullptr, nullptr, 0, size, nullptr, classHint);
    XFree(size);
    XFree(classHint);
    SetUtf8(window, s_atoms.netWmName, name);
    const long pid = static_cast<long>(getpid());
    XChangeProperty(s_display, window, s_atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    Atom protocols[] = {s_atoms.wmDeleteWindow};
    XSetWMProtocols(s_display, window, protocols, 1);
    if (style & WS_POPUP) {
        // A popup has no frame; the program's only one is its splash.
        const long motif[5] = {2 /* decorations field set */, 0, 0 /* no decorations */, 0, 0};
        XChangeProperty(s_display, window, s_atoms.motifWmHints, s_atoms.motifWmHints, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(motif), 5);
        SetAtom(window, s_atoms.netWmWindowType, s_atoms.netWmWindowTypeSplash);
    }
    s_own.push_back(OwnWindow{hwnd, window, picture});
    XSync(s_display, False);  // there for every client when CreateWindowExA returns
}

void ShowOwnWindow(HWND hwnd, bool show) {
    const OwnWindow* own = FindOwn(hwnd);
    if (!Usable() || own == nullptr) return;
    if (show) {
        XMapRaised(s_display, own->xid);
        detail::WaitForWindowEvent(own->xid, MapNotify, kShowWaitMs);
    } else {
        // Withdrawn, not just unmapped, so that a window manager lets go of
        // it; the window itself stays for the instance check of a second copy.
        XWithdrawWindow(s_display, own->xid, s_screen);
        detail::WaitForWindowEvent(own->xid, UnmapNotify, kShowWaitMs);
        // A window manager that framed it hands it back to the root; until
        // then the window is in neither place for a client that looks. The
        // framing's own ReparentNotify may still be queued from the show, so
        // the wait ends on the parent, not on the first such event; a few
        // events at most, so that a manager that keeps it cannot hold us.
        Window parent = None;
        Children(own->xid, &parent);
        for (int events = 0; parent != None && parent != s_root && events < 4; ++events) {
            if (!detail::WaitForWindowEvent(own->xid, ReparentNotify, kShowWaitMs)) break;
            Children(own->xid, &parent);
        }
    }
    XFlush(s_display);
}

void DestroyOwnWindow(HWND hwnd) {
    for (auto it = s_own.begin(); it != s_own.end(); ++it) {
        if (it->hwnd != hwnd) continue;
        detail::ForgetDialog(hwnd);
        if (Usable()) {
            XDestroyWindow(s_display, it->xid);
            if (it->picture != None) XFreePixmap(s_display, it->picture);
            XSync(s_display, False);  // gone for every client when DestroyWindow returns
        }
        s_own.erase(it);
        return;
    }
}

namespace {

// The position of a colour channel's lowest bit in a visual's mask.
int ShiftOf(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

void DrawBitmap(HWND hwnd, int x, int y, int width, int height, const unsigned char* bits, std::size_t size,
                int bitmapWidth, int bitmapHeight, int bitsPerPixel, int sourceX, int sourceY) {
    const OwnWindow* own = FindOwn(hwnd);
    if (!Usable() || own == nullptr || own->picture == None || bits == nullptr) return;
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return;
    Visual* visual = DefaultVisual(s_display, s_screen);
    const int depth = DefaultDepth(s_display, s_screen);
    if (visual->c_class != TrueColor || depth < 24) return;  // the plain face stays
    if (width <= 0 || height <= 0 || bitmapWidth <= 0 || bitmapHeight <= 0) return;
    const std::size_t stride = (static_cast<std::size_t>(bitmapWidth) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
    const std::size_t pixelBytes = static_cast<std::size_t>(bitsPerPixel / 8);
    XImage* image = XCreateImage(s_display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (image == nullptr) return;
    image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line) *
                                                     static_cast<std::size_t>(height), 1));
    if (image->data == nullptr) {
        XDestroyImage(image);
        return;
    }
    const int red = ShiftOf(visual->red_mask), green = ShiftOf(visual->green_mask), blue = ShiftOf(visual->blue_mask);
    for (int dy = 0; dy < height; ++dy) {
        const int sy = sourceY + dy;
        if (sy < 0 || sy >= bitmapHeight) continue;
        const std::size_t row = static_cast<std::size_t>(bitmapHeight - 1 - sy) * stride;  // bottom-up
        for (int dx = 0; dx < width; ++dx) {
            const int sx = sourceX + dx;
            if (sx < 0 || sx >= bitmapWidth) continue;
            const std::size_t at = row + static_cast<std::size_t>(sx) * pixelBytes;
            if (at + 3 > size) continue;
            const unsigned long pixel = static_cast<unsigned long>(bits[at + 2]) << red |
                                        static_cast<unsigned long>(bits[at + 1]) << green |
                                        static_cast<unsigned long>(bits[at]) << blue;
            XPutPixel(image, dx, dy, pixel);
        }
    }
    GC gc = XCreateGC(s_display, own->picture, 0, nullptr);
    XPutImage(s_display, own->picture, gc, image, 0, 0, x, y, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XFreeGC(s_display, gc);
    XDestroyImage(image);  // frees the pixels too
    XClearWindow(s_display, own->xid);
    XFlush(s_display);
}

void detail::HandleEvent(const XEvent& event) {
    if (detail::TrayEvent(event) || detail::DialogEvent(event)) return;
    if (event.type == ClientMessage && event.xclient.message_type == s_atoms.wmProtocols &&
        static_cast<Atom>(event.xclient.data.l[0]) == s_atoms.wmDeleteWindow) {
        for (const OwnWindow& own : s_own)
            if (own.xid == event.xclient.window) PostMessageA(own.hwnd, WM_CLOSE, 0, 0);
    }
}

void Pump() {
    if (!Usable()) return;
    while (Usable() && XPending(s_display) > 0) {
        XEvent event;
        XNextEvent(s_display, &event);
        detail::HandleEvent(event);
    }
}

}  // namespace x11

bool x11::WaitForInput(int ms) {
    Display* d = x11::detail::Connection();
    if (d == nullptr) return false;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (XPending(d) > 0) return true;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (elapsed >= ms || x11::detail::Connection() == nullptr) return false;
        pollfd fd{ConnectionNumber(d), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(ms - elapsed)) < 0) return false;  // a signal: the caller looks
    }
}

void x11::OpenWithDesktop(const char* target) {
    if (target == nullptr || target[0] == '\0') return;
    // Twice forked, so that the opener is nobody's child to wait for.
    const pid_t child = fork();
    if (child == 0) {
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", target, static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    if (child > 0) waitpid(child, nullptr, 0);
}

bool AwaitX11Event(int type, int timeoutMs) {
    Display* d = x11::detail::Connection();
    if (d == nullptr) return false;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        XEvent event;
        if (XCheckTypedEvent(d, type, &event)) {
            XPutBackEvent(d, &event);
            return true;
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (elapsed >= timeoutMs || x11::detail::Connection() == nullptr) return false;
        pollfd fd{ConnectionNumber(d), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(timeoutMs - elapsed));
    }
}

}  // namespace hosted
