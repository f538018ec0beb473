// The user and the rest of the desktop around horalux.exe, for the end-to-end
// checks under Wine.
//
// A console program that reads one command per line on standard input and
// answers each with exactly one line on standard output: "ok" with a result,
// or "fail" with a reason. It stays alive between commands because it owns
// the windows that it brings to the front; it ends on "exit" or at the end of
// its input. Every command that waits has its own limit, so the driver never
// blocks its runner for long.
//
//   open NAME TITLE...      a visible top-level window titled TITLE (rest of line)
//   front NAME              brings it to the foreground: ok once it is there
//   find MS                 waits for the window of class "Horalux"; ok VISIBLE X Y W H
//   hidden MS               waits until that window is hidden
//   pixel X Y               ok RRGGBB of the screen at X, Y
//   command ID              posts WM_COMMAND ID to Horalux; ok once handled
//   tray MOUSEMSG           posts the tray callback with that mouse message; ok once handled
//   menu MS KEY...          right press on the tray icon, then the keys (up, down,
//                           return, esc) on its popup menu; ok once the menu has closed
//   error-box MS            waits for the message box captioned "Error", presses its
//                           OK button; ok TEXT
//   dialog MS ID CAPTION    waits for the dialog captioned CAPTION, ends it with the
//                           command ID (2 is Esc); ok ID:CLASS:TEXT|... of its controls
//   foreground              ok CLASS:TITLE of the foreground window, or ok none
//   tray-icons              ok none while Wine shows no tray icon, else ok HASH at X Y W H:
//                           a digest of the screen's pixels where Wine's tray window is,
//                           which changes with the icon, and the window's place
//   close                   WM_CLOSE to Horalux, as the shell's close request
//   gone MS                 waits until no window of class "Horalux" exists
//   windows                 ok CLASS:TITLE|... of the visible top-level windows
//   exit                    destroys the driver's windows and ends
//
// In answers, backslashes, line feeds and carriage returns are written as \\, \n and \r.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr char kHoraluxClass[] = "Horalux";
constexpr char kDriverClass[] = "HoraluxDriverWindow";
constexpr char kMessageBoxClass[] = "#32770";
constexpr char kMenuClass[] = "#32768";
constexpr char kErrorCaption[] = "Error";
// Without a tray on the X display Wine shows tray icons in a window of its own.
constexpr char kWineTrayClass[] = "__winex11_standalone_tray";
constexpr UINT kTrayCallback = WM_USER;
constexpr UINT kLineMessage = WM_APP;    // lParam: a new std::string, one command line
constexpr UINT kInputEnded = WM_APP + 1;
constexpr DWORD kPollMs = 20;
constexpr UINT kSyncTimeoutMs = 5000;

DWORD g_mainThread = 0;
std::map<std::string, HWND> g_windows;

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

void Answer(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

DWORD Number(const std::string& text) {
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0));
}

// Splits off the first word of `rest`.
std::string Word(std::string& rest) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string::npos) {
        rest.clear();
        return "";
    }
    const std::size_t end = rest.find(' ', start);
    std::string word = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    rest = end == std::string::npos ? "" : rest.substr(end + 1);
    return word;
}

// Handles the driver's own messages for a moment, so that its windows stay
// responsive while a command waits.
void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        // Commands that arrive meanwhile (WM_APP and up) stay queued for later.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, kLineMessage - 1, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(kPollMs);
    } while (GetTickCount() - start < ms);
}

// Polls `condition` until it holds or `limitMs` have passed.
template <typename Condition>
bool WaitFor(DWORD limitMs, Condition condition) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= limitMs) return false;
        Pump(kPollMs);
    }
}

HWND Horalux() {
    return FindWindowA(kHoraluxClass, nullptr);
}

std::string WindowText(HWND window) {
    char text[1024];
    text[0] = '\0';
    GetWindowTextA(window, text, static_cast<int>(sizeof text));
    return text;
}

std::string ClassOf(HWND window) {
    char name[256];
    name[0] = '\0';
    GetClassNameA(window, name, static_cast<int>(sizeof name));
    return name;
}

// The program drains its queue only every 250 ms. Two sent no-op messages
// return after a posted message ahead of them has been dispatched: the first
// is answered inside the drain that retrieves the posted one, the second only
// after that drain has gone on.
bool Sync(HWND target) {
    for (int i = 0; i < 2; ++i) {
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, kSyncTimeoutMs, &ignored) == 0)
            return !IsWindow(target);  // a program that has just ended has handled it
    }
    return true;
}

LRESULT CALLBACK DriverWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::string Open(const std::string& name, const std::string& title) {
    // Clear of the top left corner, where Wine puts its tray window.
    const int offset = static_cast<int>(g_windows.size()) * 30;
    HWND hwnd = CreateWindowExA(0, kDriverClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200 + offset,
                                100 + offset, 400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd == nullptr) return "fail CreateWindowExA: " + std::to_string(GetLastError());
    g_windows[name] = hwnd;
    Pump(50);
    return "ok";
}

std::string Front(const std::string& name) {
    auto it = g_windows.find(name);
    if (it == g_windows.end()) return "fail no window " + name;
    HWND hwnd = it->second;
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    if (WaitFor(2000, [hwnd] { return GetForegroundWindow() == hwnd; })) return "ok";
    return "fail foreground is " + Escape(WindowText(GetForegroundWindow()));
}

std::string Find(DWORD limitMs) {
    HWND hwnd = nullptr;
    if (!WaitFor(limitMs, [&hwnd] { return (hwnd = Horalux()) != nullptr; })) return "fail no Horalux window";
    RECT r{};
    GetWindowRect(hwnd, &r);
    return "ok " + std::to_string(IsWindowVisible(hwnd) ? 1 : 0) + " " + std::to_string(r.left) + " " +
           std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

std::string Hidden(DWORD limitMs) {
    if (WaitFor(limitMs, [] {
            HWND hwnd = Horalux();
            return hwnd != nullptr && !IsWindowVisible(hwnd);
        }))
        return "ok";
    return "fail the Horalux window is still visible or absent";
}

std::string Pixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    if (colour == CLR_INVALID) return "fail no pixel there";
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return std::string("ok ") + text;
}

std::string PostToHoralux(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = Horalux();
    if (hwnd == nullptr) return "fail no Horalux window";
    if (!PostMessageA(hwnd, message, wParam, lParam)) return "fail PostMessageA: " + std::to_string(GetLastError());
    if (!Sync(hwnd)) return "fail Horalux does not answer";
    return "ok";
}

// The first visible top-level window of a class.
HWND VisibleWindowOfClass(const char* className) {
    struct Search {
        const char* className;
        HWND found;
    } search{className, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM out) -> BOOL {
            auto* s = reinterpret_cast<Search*>(out);
            if (ClassOf(hwnd) == s->className && IsWindowVisible(hwnd)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VisibleMenu() {
    return VisibleWindowOfClass(kMenuClass);
}

// One copy of the tray window's pixels from the screen, digested (FNV-1a).
std::string TrayIcons() {
    HWND tray = VisibleWindowOfClass(kWineTrayClass);
    if (tray == nullptr) return "ok none";
    RECT r{};
    GetWindowRect(tray, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return "ok none";
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::string answer = "fail no copy of the tray window";
    if (copy != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, copy);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        std::uint32_t hash = 2166136261u;
        const auto* pixel = static_cast<const std::uint32_t*>(bits);
        for (long i = 0; i < static_cast<long>(width) * height; ++i) {
            const std::uint32_t rgb = pixel[i] & 0xFFFFFFu;
            for (int shift = 0; shift < 24; shift += 8) hash = (hash ^ ((rgb >> shift) & 0xFFu)) * 16777619u;
        }
        SelectObject(memory, old);
        char text[64];
        std::snprintf(text, sizeof text, "%08X at %d %d %d %d", static_cast<unsigned>(hash), static_cast<int>(r.left),
                      static_cast<int>(r.top), width, height);
        answer = std::string("ok ") + text;
    }
    if (copy != nullptr) DeleteObject(copy);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return answer;
}

// Virtual-key codes of the keys that the menu command can press.
bool KeyCode(const std::string& name, WPARAM* key) {
    static const struct {
        const char* name;
        WPARAM key;
    } kKeys[] = {{"up", VK_UP}, {"down", VK_DOWN}, {"return", VK_RETURN}, {"esc", VK_ESCAPE}};
    for (const auto& k : kKeys)
        if (name == k.name) {
            *key = k.key;
            return true;
        }
    return false;
}

// The right press on the tray icon, then the keys on the popup menu, as the
// user's keyboard would give them: the program's thread reads them inside its
// menu loop.
std::string Menu(DWORD limitMs, std::string keys) {
    HWND hwnd = Horalux();
    if (hwnd == nullptr) return "fail no Horalux window";
    PostMessageA(hwnd, kTrayCallback, 1, WM_RBUTTONDOWN);
    HWND menuWindow = nullptr;
    if (!WaitFor(limitMs, [&menuWindow] { return (menuWindow = VisibleMenu()) != nullptr; }))
        return "fail no popup menu";
    for (std::string name = Word(keys); !name.empty(); name = Word(keys)) {
        WPARAM key = 0;
        if (!KeyCode(name, &key)) return "fail unknown key " + name;
        PostMessageA(menuWindow, WM_KEYDOWN, key, 1);
        PostMessageA(menuWindow, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        Pump(50);
    }
    if (!WaitFor(limitMs, [] { return VisibleMenu() == nullptr; })) return "fail the menu stays open";
    if (!Sync(hwnd)) return "fail Horalux does not answer after the menu";
    return "ok";
}

std::string ErrorBox(DWORD limitMs) {
    HWND box = nullptr;
    if (!WaitFor(limitMs, [&box] { return (box = FindWindowA(kMessageBoxClass, kErrorCaption)) != nullptr; }))
        return "fail no message box \"Error\"";
    // The message is the box's static text; the icon static, if any, has none.
    std::string text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM out) -> BOOL {
            auto* collected = reinterpret_cast<std::string*>(out);
            const std::string childText = WindowText(child);
            if (ClassOf(child) == "Static" && !childText.empty()) {
                if (!collected->empty()) *collected += "\n";
                *collected += childText;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr) return "fail the box has no OK button: " + Escape(text);
    if (WindowText(ok) != "OK") return "fail the button reads " + Escape(WindowText(ok));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    if (!WaitFor(limitMs, [box] { return !IsWindow(box); })) return "fail the box stays open: " + Escape(text);
    return "ok " + Escape(text);
}

std::string Dialog(DWORD limitMs, WORD command, const std::string& caption) {
    HWND dialog = nullptr;
    if (!WaitFor(limitMs, [&dialog, &caption] {
            return (dialog = FindWindowA(kMessageBoxClass, caption.c_str())) != nullptr && IsWindowVisible(dialog);
        }))
        return "fail no dialog \"" + caption + "\"";
    std::string controls;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM out) -> BOOL {
            auto* collected = reinterpret_cast<std::string*>(out);
            if (!collected->empty()) *collected += "|";
            *collected += std::to_string(static_cast<short>(GetDlgCtrlID(child))) + ":" + ClassOf(child) + ":" +
                          WindowText(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    // As the button or the Esc key would send it.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, command)));
    if (!WaitFor(limitMs, [dialog] { return !IsWindow(dialog); })) return "fail the dialog stays open";
    return "ok " + Escape(controls);
}

std::string Foreground() {
    HWND hwnd = GetForegroundWindow();
    if (hwnd == nullptr) return "ok none";
    return "ok " + Escape(ClassOf(hwnd) + ":" + WindowText(hwnd));
}

std::string Gone(DWORD limitMs) {
    if (WaitFor(limitMs, [] { return Horalux() == nullptr; })) return "ok";
    return "fail the Horalux window still exists";
}

std::string Windows() {
    std::string list;
    EnumWindows(
        [](HWND hwnd, LPARAM out) -> BOOL {
            if (!IsWindowVisible(hwnd)) return TRUE;
            auto* collected = reinterpret_cast<std::string*>(out);
            if (!collected->empty()) *collected += "|";
            *collected += ClassOf(hwnd) + ":" + WindowText(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    return "ok " + Escape(list);
}

// Runs one command line; false for "exit".
bool Execute(std::string line) {
    const std::string verb = Word(line);
    if (verb == "exit") return false;
    if (verb == "open") {
        const std::string name = Word(line);
        Answer(Open(name, line));
    } else if (verb == "front") {
        Answer(Front(Word(line)));
    } else if (verb == "find") {
        Answer(Find(Number(Word(line))));
    } else if (verb == "hidden") {
        Answer(Hidden(Number(Word(line))));
    } else if (verb == "pixel") {
        const int x = static_cast<int>(Number(Word(line)));
        Answer(Pixel(x, static_cast<int>(Number(Word(line)))));
    } else if (verb == "command") {
        Answer(PostToHoralux(WM_COMMAND, Number(Word(line)), 0));
    } else if (verb == "tray") {
        Answer(PostToHoralux(kTrayCallback, 1, static_cast<LPARAM>(Number(Word(line)))));
    } else if (verb == "menu") {
        const DWORD limitMs = Number(Word(line));
        Answer(Menu(limitMs, line));
    } else if (verb == "error-box") {
        Answer(ErrorBox(Number(Word(line))));
    } else if (verb == "dialog") {
        const DWORD limitMs = Number(Word(line));
        const WORD command = static_cast<WORD>(Number(Word(line)));
        Answer(Dialog(limitMs, command, line));
    } else if (verb == "foreground") {
        Answer(Foreground());
    } else if (verb == "tray-icons") {
        Answer(TrayIcons());
    } else if (verb == "close") {
        HWND hwnd = Horalux();
        Answer(hwnd != nullptr && PostMessageA(hwnd, WM_CLOSE, 0, 0) ? "ok" : "fail no Horalux window");
    } else if (verb == "gone") {
        Answer(Gone(Number(Word(line))));
    } else if (verb == "windows") {
        Answer(Windows());
    } else {
        Answer("fail unknown command " + verb);
    }
    return true;
}

// Standard input is read on its own thread, since a pipe cannot be waited on
// together with the window messages; each line goes to the main thread.
DWORD WINAPI ReadCommands(LPVOID) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        pending.append(buffer, got);
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pending.erase(0, end + 1);
            PostThreadMessageA(g_mainThread, kLineMessage, 0, reinterpret_cast<LPARAM>(new std::string(line)));
        }
    }
    PostThreadMessageA(g_mainThread, kInputEnded, 0, 0);
    return 0;
}

}  // namespace

int main() {
    g_mainThread = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists before the reader posts

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DriverWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kDriverClass;
    if (RegisterClassExA(&wc) == 0) {
        Answer("fail RegisterClassExA");
        return 1;
    }
    HANDLE reader = CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
    if (reader == nullptr) {
        Answer("fail CreateThread");
        return 1;
    }
    Answer("ok ready");

    bool running = true;
    while (running && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kInputEnded) break;
        if (msg.message == kLineMessage) {
            std::string* line = reinterpret_cast<std::string*>(msg.lParam);
            running = Execute(*line);
            delete line;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    for (auto& window : g_windows) DestroyWindow(window.second);
    return 0;
}
