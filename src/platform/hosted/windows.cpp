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

struct Window {
    bool exists = false;
    bool own = false;
    bool visible = false;
    bool needsPaint = false;
    bool titleReadable = true;
    std::string className;
    std::string title;
    DWORD style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;
    DWORD processId = 0;
};

struct WindowClass {
    WNDCLASSEXA wc{};
    std::string name;
};

// Handles are never reused within a run, so a stale handle stays invalid.
constexpr std::size_t kMaxWindows = 4096;
Window s_windows[kMaxWindows];
std::size_t s_windowCount = 0;
std::vector<WindowClass> s_classes;
std::deque<MSG> s_queue;
bool s_quitPosted = false;
int s_quitCode = 0;
int s_screenWidth = 1024;
int s_screenHeight = 768;
bool s_failNextCreate = false;
HWND s_foreground = nullptr;
std::vector<MessageBoxCall> s_boxes;
std::vector<DefWindowProcCall> s_defProcCalls;
std::int64_t s_boxHold = 0;
bool s_closeDelivered = false;

constexpr std::uintptr_t kWindowHandleBase = 0x10000;
constexpr std::uintptr_t kIconHandleBase = 0x200000;
constexpr std::uintptr_t kCursorHandleBase = 0x300000;

HWND HandleOf(std::size_t index) {
    return reinterpret_cast<HWND>(kWindowHandleBase + (index + 1) * 16);
}

Window* Find(HWND hwnd) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value <= kWindowHandleBase || (value - kWindowHandleBase) % 16 != 0) return nullptr;
    const std::size_t index = (value - kWindowHandleBase) / 16 - 1;
    if (index >= s_windowCount || !s_windows[index].exists) return nullptr;
    return &s_windows[index];
}

HWND NewWindow(const char* className, const char* title, DWORD processId, bool own) {
    if (s_windowCount >= kMaxWindows) return nullptr;
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

// The program's main window: the first top-level window it made that still exists.
HWND MainWindow() {
    for (std::size_t i = 0; i < s_windowCount; ++i)
        if (s_windows[i].exists && s_windows[i].own && s_windows[i].parent == nullptr)
            return HandleOf(i);
    return nullptr;
}

}  // namespace

namespace detail {

void ResetWindows() {
    for (std::size_t i = 0; i < s_windowCount; ++i) s_windows[i] = Window{};
    s_windowCount = 0;
    s_classes.clear();
    s_queue.clear();
    s_quitPosted = false;
    s_quitCode = 0;
    s_screenWidth = 1024;
    s_screenHeight = 768;
    s_failNextCreate = false;
    s_foreground = nullptr;
    s_boxes.clear();
    s_defProcCalls.clear();
    s_boxHold = 0;
    s_closeDelivered = false;
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
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(window);
    const std::size_t index = (value - kWindowHandleBase) / 16 - 1;
    if (value <= kWindowHandleBase || index >= s_windowCount) return WindowInfo{false, false, "", "", 0, 0, 0, 0, 0};
    const Window* w = &s_windows[index];
    return WindowInfo{w->exists, w->visible, w->className, w->title, w->style,
                      w->x, w->y, w->width, w->height};
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
    // On a real desktop the program's windows belong to this very process.
    const DWORD processId = hosted::x11::Active() ? static_cast<DWORD>(getpid()) : hosted::kOwnProcessId;
    HWND hwnd = hosted::NewWindow(className, windowName, processId, true);
    if (hwnd == nullptr) return nullptr;
    hosted::Window* w = Find(hwnd);
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->x = x;
    w->y = y;
    w->width = width;
    w->height = height;
    w->proc = wc->wc.lpfnWndProc;
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
    hosted::Window* w = Find(hwnd);
    if (w == nullptr || !w->own) return FALSE;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    if ((w = Find(hwnd)) != nullptr) w->exists = false;
    hosted::x11::DestroyOwnWindow(hwnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    if (hosted::x11::IsForeignHandle(hwnd)) return hosted::x11::ForeignWindowExists(hwnd);
    return Find(hwnd) != nullptr;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow) {
    hosted::Window* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    const bool wasVisible = w->visible;
    const bool show = cmdShow != SW_HIDE;
    if (show != wasVisible) {
        SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if ((w = Find(hwnd)) == nullptr) return wasVisible;
        w->visible = show;
        if (show) w->needsPaint = true;
        hosted::x11::ShowOwnWindow(hwnd, show);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
    hosted::Window* w = Find(hwnd);
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
        const hosted::Window& w = hosted::s_windows[i];
        if (!w.exists || w.parent != nullptr) continue;
        if (!proc(hosted::HandleOf(i), param)) break;
    }
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    if (text == nullptr || maxCount <= 0) return 0;
    text[0] = '\0';
    if (hosted::x11::IsForeignHandle(hwnd)) return hosted::x11::ForeignWindowText(hwnd, text, maxCount);
    const hosted::Window* w = Find(hwnd);
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

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR name) {
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(name);
    if (id == 0 || id > 0xFFFF) return nullptr;  // only numbered resources are used
    return reinterpret_cast<HICON>(hosted::kIconHandleBase + id);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR name) {
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(name);
    if (id == 0 || id > 0xFFFF) return nullptr;
    return reinterpret_cast<HCURSOR>(hosted::kCursorHandleBase + id);
}

BOOL WINAPI PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeMsg) {
    hosted::x11::Pump();
    if (hosted::detail::g_closeRequested && !hosted::s_closeDelivered) {
        hosted::s_closeDelivered = true;
        if (HWND main = hosted::MainWindow()) PostMessageA(main, WM_CLOSE, 0, 0);
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
    const hosted::Window* w = Find(hwnd);
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
        if (hosted::Window* w = Find(hwnd)) w->needsPaint = false;
        return 0;
    default:
        return 0;
    }
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    hosted::s_boxes.push_back(hosted::MessageBoxCall{owner, text ? text : "",
                                                     caption ? caption : "", type, hosted::Now()});
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
    const hosted::Window* w = Find(hwnd);
    if (w == nullptr) {
        if (processId != nullptr) *processId = 0;
        return 0;
    }
    if (processId != nullptr) *processId = w->processId;
    return w->processId + 1;  // any non-zero thread id
}
