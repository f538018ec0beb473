// The shell of the hosted desktop: the notification area with its icons,
// ShellExecuteA, and registered window messages such as "TaskbarCreated".
#include "state.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <map>
#include <sys/stat.h>

namespace hosted {
namespace {

struct Icon {
    HWND window;
    UINT id;
    UINT callbackMessage;
    HICON icon;
    std::string tip;
};

std::vector<Icon> s_icons;
std::vector<TrayCall> s_trayCalls;
std::function<void(const TrayCall&)> s_trayObserver;
int s_failAdds = 0;
std::vector<ShellExecuteCall> s_shellCalls;
std::map<std::string, UINT> s_registered;  // upper-case name -> id
UINT s_nextRegistered = 0xC000;

// The record sizes the shell knows: each version of the structure is a prefix
// of the current one. The first ended after a 64-character tip.
constexpr std::size_t kVersion1Size = offsetof(NOTIFYICONDATAA, szTip) + 64;
constexpr std::size_t kVersion2Size = offsetof(NOTIFYICONDATAA, guidItem);
constexpr std::size_t kVersion3Size = offsetof(NOTIFYICONDATAA, hBalloonIcon);

bool KnownSize(DWORD size) {
    return size == kVersion1Size || size == kVersion2Size || size == kVersion3Size ||
           size == sizeof(NOTIFYICONDATAA);
}

std::string TipOf(const NOTIFYICONDATAA& data) {
    const std::size_t room = data.cbSize == kVersion1Size ? 64 : sizeof data.szTip;
    std::size_t n = 0;
    while (n < room && data.szTip[n] != '\0') ++n;
    // A tip without its zero inside the record is cut where the record ends.
    if (n == room) --n;
    return std::string(data.szTip, n);
}

Icon* FindIcon(HWND window, UINT id) {
    for (Icon& icon : s_icons)
        if (icon.window == window && icon.id == id) return &icon;
    return nullptr;
}

void Apply(Icon& icon, const NOTIFYICONDATAA& data) {
    if (data.uFlags & NIF_MESSAGE) icon.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) icon.icon = data.hIcon;
    if (data.uFlags & NIF_TIP) icon.tip = TipOf(data);
}

BOOL Notify(DWORD message, const NOTIFYICONDATAA& data) {
    if (!KnownSize(data.cbSize) || detail::FindWindowRecord(data.hWnd) == nullptr) return FALSE;
    Icon* icon = FindIcon(data.hWnd, data.uID);
    switch (message) {
    case NIM_ADD:
        if (icon != nullptr) return FALSE;
        if (s_failAdds != 0) {
            if (s_failAdds > 0) --s_failAdds;
            return FALSE;
        }
        s_icons.push_back(Icon{data.hWnd, data.uID, 0, nullptr, ""});
        Apply(s_icons.back(), data);
        return TRUE;
    case NIM_MODIFY:
        if (icon == nullptr) return FALSE;
        Apply(*icon, data);
        return TRUE;
    case NIM_DELETE:
        if (icon == nullptr) return FALSE;
        s_icons.erase(s_icons.begin() + (icon - s_icons.data()));
        return TRUE;
    default:
        return FALSE;
    }
}

std::string Upper(const char* text) {
    std::string s = text;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

BOOL CALLBACK PostToOwn(HWND hwnd, LPARAM message) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == kOwnProcessId) PostMessageA(hwnd, static_cast<UINT>(message), 0, 0);
    return TRUE;
}

}  // namespace

namespace detail {

void ResetShell() {
    s_icons.clear();
    s_trayCalls.clear();
    s_trayObserver = nullptr;
    s_failAdds = 0;
    s_shellCalls.clear();
    s_registered.clear();
    s_nextRegistered = 0xC000;
}

}  // namespace detail

const std::vector<TrayCall>& TrayCalls() {
    return s_trayCalls;
}

void SetTrayObserver(std::function<void(const TrayCall&)> observer) {
    s_trayObserver = std::move(observer);
}

void FailTrayAdd(int times) {
    s_failAdds = times;
}

TrayIconInfo TrayIcon() {
    if (s_icons.empty()) return TrayIconInfo{};
    const Icon& icon = s_icons.front();
    return TrayIconInfo{true, icon.window, icon.id, icon.callbackMessage, icon.icon, icon.tip};
}

bool ClickTrayIcon(UINT mouseMessage) {
    if (s_icons.empty() || s_icons.front().callbackMessage == 0) return false;
    const Icon& icon = s_icons.front();
    return PostMessageA(icon.window, icon.callbackMessage, icon.id, static_cast<LPARAM>(mouseMessage)) != FALSE;
}

void RestartShell() {
    s_icons.clear();
    EnumWindows(PostToOwn, static_cast<LPARAM>(RegisterWindowMessageA("TaskbarCreated")));
}

const std::vector<ShellExecuteCall>& ShellExecutes() {
    return s_shellCalls;
}

UINT RegisteredMessage(const char* name) {
    const auto it = s_registered.find(Upper(name));
    return it == s_registered.end() ? 0 : it->second;
}

}  // namespace hosted

BOOL WINAPI Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data) {
    if (data == nullptr) return FALSE;
    const BOOL result = hosted::Notify(message, *data);
    hosted::TrayCall call{message, data->cbSize, data->hWnd, data->uID, data->uFlags, data->uCallbackMessage,
                          data->hIcon, "", result, hosted::Now()};
    if (hosted::KnownSize(data->cbSize)) call.tip = hosted::TipOf(*data);
    hosted::s_trayCalls.push_back(call);
    if (hosted::s_trayObserver) hosted::s_trayObserver(call);
    return result;
}

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               INT showCmd) {
    hosted::ShellExecuteCall call{};
    call.window = hwnd;
    call.hasVerb = verb != nullptr;
    call.verb = verb ? verb : "";
    call.file = file ? file : "";
    call.hasParameters = parameters != nullptr;
    call.parameters = parameters ? parameters : "";
    call.hasDirectory = directory != nullptr;
    call.directory = directory ? directory : "";
    call.show = showCmd;
    // Addresses with a scheme go to their handler; a path must exist.
    struct stat info {};
    const bool found = call.file.find(':') != std::string::npos ||
                       (!call.file.empty() && stat(call.file.c_str(), &info) == 0);
    call.result = found ? 42 : SE_ERR_FNF;
    call.when = hosted::Now();
    hosted::s_shellCalls.push_back(call);
    return reinterpret_cast<HINSTANCE>(call.result);
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
    if (name == nullptr || name[0] == '\0') return 0;
    const std::string key = hosted::Upper(name);
    const auto it = hosted::s_registered.find(key);
    if (it != hosted::s_registered.end()) return it->second;
    const UINT id = hosted::s_nextRegistered++;
    hosted::s_registered[key] = id;
    return id;
}
