// Windows, window classes, the message queue and message boxes of the hosted
// layer: the program's own windows and the foreign windows a test puts on the
// desktop share one table, as they share one desktop on Windows.
#include "state.h"
#include "x11_desktop.h"

#include <cstring>
#include <deque>
#include <unistd.h>

namespace hosted {
namespace {

using detail::Window;

struct WindowClass {
    WNDCLASSEXA wc{};
    std::string name;
};

// Handles are never reused within a run, so a stale handle stays invalid.
constexpr std::size_t kMaxWindows = 4096;
// Grown as windows are made (a deque keeps every record where it is): a table
// of 4096 ready-made records would keep most of a megabyte resident all day.
std::deque<Window> s_windows;
std::size_t s_windowCount = 0;
std::vector<WindowClass> s_classes;
std::deque<MSG> s_queue;
bool s_quitPosted = false;
int s_quitCode = 0;
int s_screenWidth = 1024;
int s_screenHeight = 768;
bool s_failNextCreate = false;
HWND s_foreground = nullptr;
// The foreground window before one of the program's top-level windows was
// shown and so activated; hiding that window gives the foreground back.
HWND s_foregroundBeforeShow = nullptr;
std::vector<MessageBoxCall> s_boxes;
std::vector<DefWindowProcCall> s_defProcCalls;
std::int64_t s_boxHold = 0;
bool s_closeDelivered = false;
HCURSOR s_cursor = nullptr;
POINT s_cursorPos{1000, 750};

constexpr std::uintptr_t kWindowHandleBase = 0x10000;
constexpr std::uintptr_t kIconHandleBase = 0x200000;
constexpr std::uintptr_t kCursorHandleBase = 0x300000;

HWND HandleOf(std::size_t index) {
    return reinterpret_cast<HWND>(kWindowHandleBase + (index + 1) * 16);
}

// Any window ever made in this run, also one that has ended.
Window* Record(HWND hwnd) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value <= kWindowHandleBase || (value - kWindowHandleBase) % 16 != 0) return nullptr;
    const std::size_t index = (value - kWindowHandleBase) / 16 - 1;
    if (index >= s_windowCount) return nullptr;
    return &s_windows[index];
}

Window* Find(HWND hwnd) {
    Window* w = Record(hwnd);
    return w != nullptr && w->exists ? w : nullptr;
}

HWND NewWindow(const char* className, const char* title, DWORD processId, bool own) {
    if (s_windowCount >= kMaxWindows) return nullptr;
    if (s_windows.size() <= s_windowCount) s_windows.emplace_back();
    Window& w = s_windows[s_windowCount];
    w = Window{};
    w.exists = true;
    w.own = own;
    w.className = className ? className : "";
    w.title = title ? title : "";
    w.processId = processId;
    return HandleOf(s_windowCount++);
}

const WindowClass* FindClass(const char* name) {
    for (const WindowClass& c : s_classes)
        if (name != nullptr && c.name == name) return &c;
    return nullptr;
}

// WM_DESTROY to the window, then its children are destroyed the same way,
// then WM_NCDESTROY: a dialog's controls are gone before its own last message.
// On a real desktop the program's windows belong to this very process.
DWORD OwnProcessId() {
    return x11::Active() ? static_cast<DWORD>(getpid()) : kOwnProcessId;
}

void Destroy(HWND hwnd) {
    // Windows it owns go first, as on Windows: a dialog ends with its owner.
    for (std::size_t i = 0; i < s_windowCount; ++i)
        if (s_windows[i].exists && s_windows[i].owner == hwnd) Destroy(HandleOf(i));
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : detail::ChildrenOf(hwnd))
        if (Find(child) != nullptr) Destroy(child);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    if (Window* w = Find(hwnd)) w->exists = false;
    if (s_foreground == hwnd) s_foreground = nullptr;
    x11::DestroyOwnWindow(hwnd);
}

}  // namespace

namespace detail {

Window* FindWindowRecord(HWND hwnd) {
    return Find(hwnd);
}

HWND MakeOwnWindow(const char* className, const char* title, DWORD style, HWND parent, WNDPROC proc) {
    HWND hwnd = NewWindow(className, title, OwnProcessId(), true);
    if (hwnd == nullptr) return nullptr;
    Window* w = Find(hwnd);
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->parent = parent;
    w->proc = proc;
    w->classProc = proc;
    return hwnd;
}

std::vector<HWND> ChildrenOf(HWND hwnd) {
    std::vector<HWND> children;
    for (std::size_t i = 0; i < s_windowCount; ++i)
        if (s_windows[i].exists && s_windows[i].parent == hwnd && hwnd != nullptr)
            children.push_back(HandleOf(i));
    return children;
}

HWND MainWindow() {
    for (std::size_t i = 0; i < s_windowCount; ++i)
        if (s_windows[i].exists && s_windows[i].own && s_windows[i].parent == nullptr &&
            s_windows[i].owner == nullptr)
            return HandleOf(i);
    return nullptr;
}

HCURSOR StockCursor(WORD id) {
    return reinterpret_cast<HCURSOR>(kCursorHandleBase + id);
}

void ResetWindows() {
    s_windows.clear();
    s_windowCount = 0;
    s_classes.clear();
    s_queue.clear();
    s_quitPosted = false;
    s_quitCode = 0;
    s_screenWidth = 1024;
    s_screenHeight = 768;
    s_failNextCreate = false;
    s_foreground = nullptr;
    s_foregroundBeforeShow = nullptr;
    s_boxes.clear();
    s_defProcCalls.clear();
    s_boxHold = 0;
    s_closeDelivered = false;
    s_cursor = nullptr;
    s_cursorPos = POINT{1000, 750};
}

}  // namespace detail

void SetScreenSize(int width, int height) {
    s_screenWidth = width;
    s_screenHeight = height;
}

HWND AddForeignWindow(const char* title, DWORD processId) {
    return NewWindow("ForeignWindow", title, processId, false);
}

void SetWindowTitle(HWND window, const char* title) {
    if (Window* w = Find(window)) w->title = title ? title : "";
}

void SetTitleReadable(HWND window, bool readable) {
    if (Window* w = Find(window)) w->titleReadable = readable;
}

void RemoveWindow(HWND window) {
    if (Window* w = Find(window)) w->exists = false;
}

void SetForeground(HWND window) {
    s_foreground = window;
}

HWND Foreground() {
    return s_foreground;
}

void FailWindowCreation() {
    s_failNextCreate = true;
}

const std::vector<MessageBoxCall>& MessageBoxes() {
    return s_boxes;
}

void SetMessageBoxHold(std::int64_t milliseconds) {
    s_boxHold = milliseconds;
}

const std::vector<DefWindowProcCall>& DefWindowProcCalls() {
    return s_defProcCalls;
}

HWND FindOwnWindow(const char* className) {
    for (std::size_t i = 0; i < s_windowCount; ++i) {
        const Window& w = s_windows[i];
        if (w.own && w.parent == nullptr && w.className == className) return HandleOf(i);
    }
    return nullptr;
}

WindowInfo DescribeWindow(HWND window) {
    // Also after the window has ended, so that a test can see what it was.
    const Window* w = Record(window);
    if (w == nullptr) return WindowInfo{};
    WindowInfo info;
    info.exists = w->exists;
    info.visible = w->visible;
    info.className = w->className;
    info.title = w->title;
    // As GetWindowLong reads it: WS_VISIBLE tells whether the window is shown.
    info.style = w->style | (w->visible ? static_cast<DWORD>(WS_VISIBLE) : 0u);
    info.x = w->x;
    info.y = w->y;
    info.width = w->width;
    info.height = w->height;
    info.id = w->id;
    info.parent = w->parent;
    info.owner = w->owner;
    info.font = w->font;
    info.proc = w->proc;
    info.classProc = w->classProc;
    return info;
}

HCURSOR CurrentCursor() {
    return s_cursor;
}

void MoveCursor(int x, int y) {
    s_cursorPos = POINT{x, y};
}

int TimesRegistered(const char* className) {
    int n = 0;
    for (const WindowClass& c : s_classes)
        if (c.name == className) ++n;
    return n;
}

int ResourceIdOf(HICON icon) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(icon);
    if (value > kIconHandleBase && value <= kIconHandleBase + 0xFFFF)
        return static_cast<int>(value - kIconHandleBase);
    if (value > kCursorHandleBase && value <= kCursorHandleBase + 0xFFFF)
        return static_cast<int>(value - kCursorHandleBase);
    return -1;
}

}  // namespace hosted

using hosted::Find;
using hosted::detail::MainWindow;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
    if (wc == nullptr || wc->lpszClassName == nullptr || hosted::FindClass(wc->lpszClassName))
        return 0;
    hosted::s_classes.push_back(hosted::WindowClass{*wc, wc->lpszClassName});
    return static_cast<ATOM>(0xC000 + hosted::s_classes.size());
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
    const hosted::WindowClass* wc = hosted::FindClass(className);
    if (wc == nullptr || hosted::s_failNextCreate) {
        hosted::s_failNextCreate = false;
        return nullptr;
    }
    HWND hwnd = hosted::NewWindow(className, windowName, hosted::OwnProcessId(), true);
    if (hwnd == nullptr) return nullptr;
    hosted::detail::Window* w = Find(hwnd);
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->x = x;
    w->y = y;
    w->width = width;
    w->height = height;
    w->proc = wc->wc.lpfnWndProc;
    w->classProc = w->proc;
    w->parent = parent;
    if (parent == nullptr) hosted::x11::CreateOwnWindow(hwnd, windowName, style, x, y, width, height);
    if (SendMessageA(hwnd, WM_NCCREATE, 0, 0) == FALSE || SendMessageA(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    const hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr || !w->own) return FALSE;
    hosted::Destroy(hwnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    if (hosted::x11::IsForeignHandle(hwnd)) return hosted::x11::ForeignWindowExists(hwnd);
    return Find(hwnd) != nullptr;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow) {
    hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    const bool wasVisible = w->visible;
    const bool show = cmdShow != SW_HIDE;
    if (show != wasVisible) {
        SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if ((w = Find(hwnd)) == nullptr) return wasVisible;
        w->visible = show;
        if (show) w->needsPaint = true;
        // As on Windows (and Wine): showing a top-level window activates it,
        // so the splash holds the foreground while it is shown; hiding the
        // active one gives the foreground back to the window that had it.
        const bool topLevel = w->own && w->parent == nullptr && w->owner == nullptr && !w->isDialog;
        HWND& foreground = hosted::s_foreground;
        HWND& before = hosted::s_foregroundBeforeShow;
        if (topLevel && show) {
            before = foreground;
            foreground = hwnd;
        } else if (topLevel && foreground == hwnd) {
            foreground = Find(before) != nullptr ? before : nullptr;
        }
        hosted::x11::ShowOwnWindow(hwnd, show);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
    hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    if (w->visible && w->needsPaint) SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI EnumWindows(WNDENUMPROC proc, LPARAM param) {
    if (hosted::x11::Active()) {
        hosted::x11::EnumTopLevelWindows(proc, param);
        return TRUE;
    }
    // The count is read afresh each time: the callback may make windows.
    for (std::size_t i = 0; i < hosted::s_windowCount; ++i) {
        const hosted::detail::Window& w = hosted::s_windows[i];
        if (!w.exists || w.parent != nullptr) continue;
        if (!proc(hosted::HandleOf(i), param)) break;
    }
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    if (text == nullptr || maxCount <= 0) return 0;
    text[0] = '\0';
    if (hosted::x11::IsForeignHandle(hwnd)) return hosted::x11::ForeignWindowText(hwnd, text, maxCount);
    const hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr || !w->titleReadable) return 0;
    std::size_t n = w->title.size();
    if (n > static_cast<std::size_t>(maxCount - 1)) n = static_cast<std::size_t>(maxCount - 1);
    std::memcpy(text, w->title.data(), n);
    text[n] = '\0';
    return static_cast<int>(n);
}

int WINAPI GetSystemMetrics(int index) {
    const bool x11 = hosted::x11::Active();
    switch (index) {
    case SM_CXSCREEN:
        return x11 ? hosted::x11::ScreenWidth() : hosted::s_screenWidth;
    case SM_CYSCREEN:
        return x11 ? hosted::x11::ScreenHeight() : hosted::s_screenHeight;
    default:
        return 0;
    }
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(name);
    if (id == 0 || id > 0xFFFF) return nullptr;  // only numbered resources are used
    // The program's own icons are those its resource script names.
    if (instance == hosted::ModuleInstance() && !hosted::detail::HasIcon(static_cast<int>(id)))
        return nullptr;
    return reinterpret_cast<HICON>(hosted::kIconHandleBase + id);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(name);
    if (id == 0 || id > 0xFFFF || instance != nullptr) return nullptr;  // the program has no cursors
    return hosted::detail::StockCursor(static_cast<WORD>(id));
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    HCURSOR previous = hosted::s_cursor;
    hosted::s_cursor = cursor;
    return previous;
}

BOOL WINAPI GetCursorPos(POINT* point) {
    if (point == nullptr) return FALSE;
    if (hosted::x11::Active()) return hosted::x11::CursorPosition(point) ? TRUE : FALSE;
    *point = hosted::s_cursorPos;
    return TRUE;
}

BOOL WINAPI SetForegroundWindow(HWND hwnd) {
    if (Find(hwnd) == nullptr) return FALSE;
    hosted::s_foreground = hwnd;
    return TRUE;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr) return 0;
    LONG_PTR previous = 0;
    switch (index) {
    case GWLP_WNDPROC:
        if (value == 0) return 0;  // Windows refuses a null procedure
        previous = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return previous;
    case GWLP_ID:
        previous = w->id;
        w->id = static_cast<int>(value);
        return previous;
    case GWLP_USERDATA:
        previous = w->userData;
        w->userData = value;
        return previous;
    default:
        break;
    }
    // The dialog slots exist only on dialogs.
    if (!w->isDialog) return 0;
    switch (index) {
    case DWLP_MSGRESULT:
        previous = w->messageResult;
        w->messageResult = value;
        return previous;
    case DWLP_USER:
        previous = w->dialogUser;
        w->dialogUser = value;
        return previous;
    default:
        return 0;
    }
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    const hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_ID:
        return w->id;
    case GWLP_USERDATA:
        return w->userData;
    default:
        break;
    }
    if (!w->isDialog) return 0;
    switch (index) {
    case DWLP_MSGRESULT:
        return w->messageResult;
    case DWLP_USER:
        return w->dialogUser;
    case DWLP_DLGPROC:
        return reinterpret_cast<LONG_PTR>(w->dialogProc);
    default:
        return 0;
    }
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (proc == nullptr) return 0;
    return proc(hwnd, msg, wParam, lParam);
}

BOOL WINAPI PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeMsg) {
    hosted::x11::Pump();
    if (hosted::detail::g_closeRequested && !hosted::s_closeDelivered) {
        hosted::s_closeDelivered = true;
        if (HWND main = MainWindow()) PostMessageA(main, WM_CLOSE, 0, 0);
    }
    if (!hosted::s_queue.empty()) {
        *msg = hosted::s_queue.front();
        if (removeMsg & PM_REMOVE) hosted::s_queue.pop_front();
        return TRUE;
    }
    if (hosted::s_quitPosted) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(hosted::s_quitCode), 0, 0, {0, 0}};
        if (removeMsg & PM_REMOVE) hosted::s_quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;  // no keyboard input reaches the program's windows
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd != nullptr && Find(hwnd) == nullptr) return FALSE;
    hosted::s_queue.push_back(MSG{hwnd, message, wParam, lParam, timeGetTime(), {0, 0}});
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr || w->proc == nullptr) return 0;
    return w->proc(hwnd, message, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    hosted::s_quitPosted = true;
    hosted::s_quitCode = exitCode;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    hosted::s_defProcCalls.push_back(hosted::DefWindowProcCall{hwnd, message, wParam, lParam});
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT:
        if (hosted::detail::Window* w = Find(hwnd)) w->needsPaint = false;
        return 0;
    default:
        return 0;
    }
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    hosted::s_boxes.push_back(hosted::MessageBoxCall{owner, text ? text : "",
                                                     caption ? caption : "", type, hosted::Now()});
    // On the X11 desktop a real box; in live mode without one, standard error.
    if (hosted::x11::ShowMessageBox(caption, text, hosted::s_boxHold)) return IDOK;
    if (hosted::IsLive()) {
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
        return IDOK;
    }
    // The box is modal: time passes while the user reads it.
    hosted::detail::AdvanceTo(hosted::Now() + hosted::s_boxHold);
    return IDOK;
}

HWND WINAPI GetForegroundWindow() {
    if (hosted::x11::Active()) return hosted::x11::Foreground();
    return hosted::s_foreground;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    if (hosted::x11::IsForeignHandle(hwnd)) {
        bool exists = false;
        const DWORD id = hosted::x11::ForeignWindowProcessId(hwnd, &exists);
        if (processId != nullptr) *processId = id;
        return exists ? id + 1 : 0;  // any non-zero thread id for a window
    }
    const hosted::detail::Window* w = Find(hwnd);
    if (w == nullptr) {
        if (processId != nullptr) *processId = 0;
        return 0;
    }
    if (processId != nullptr) *processId = w->processId;
    return w->processId + 1;  // any non-zero thread id
}
