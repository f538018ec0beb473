// Other programs of the hosted desktop: their processes, as far as the
// sampler asks about them, and the screensaver. On the X11 desktop both are
// the host's own.
#include "linux_processes.h"
#include "state.h"
#include "x11_desktop.h"

#include <cstring>
#include <map>

namespace hosted {
namespace {

struct Process {
    std::string moduleName;
    bool canOpen = true;
};

std::map<DWORD, Process> s_processes;
// Open handles point at their process, a simulated one or one of the host's;
// a handle is closed once.
struct ProcessHandle {
    DWORD processId;
    bool host;
};
std::map<std::uintptr_t, ProcessHandle> s_handles;
std::uintptr_t s_nextHandle = 0x4000;
bool s_screensaverRunning = false;
bool s_screensaverQueryFails = false;

}  // namespace

namespace detail {

void ResetProcesses() {
    s_processes.clear();
    // On Windows the program can open its own process: when its hidden window
    // is in the foreground (after the tray menu), the sampler records it with
    // this name, as horalux.exe does under Wine.
    s_processes[kOwnProcessId] = Process{kOwnModuleName, true};
    s_handles.clear();
    s_nextHandle = 0x4000;
    s_screensaverRunning = false;
    s_screensaverQueryFails = false;
}

}  // namespace detail

void AddProcess(DWORD processId, const char* moduleName, bool canOpen) {
    s_processes[processId] = Process{moduleName ? moduleName : "", canOpen};
}

void SetScreensaverRunning(bool running) {
    s_screensaverRunning = running;
}

void SetScreensaverQueryFails(bool fails) {
    s_screensaverQueryFails = fails;
}

int OpenProcessHandles() {
    return static_cast<int>(s_handles.size());
}

}  // namespace hosted

HANDLE WINAPI OpenProcess(DWORD, BOOL, DWORD processId) {
    const bool host = hosted::x11::Active();
    if (host) {
        // A process whose program this user may not see is one that cannot
        // be opened, as a higher-rights process on Windows.
        DWORD error = 0;
        if (hosted::host::ExecutableBaseName(processId, nullptr, 0, &error) == 0) {
            hosted::detail::SetLastErrorCode(error);
            return nullptr;
        }
    } else {
        const auto it = hosted::s_processes.find(processId);
        if (it == hosted::s_processes.end() || !it->second.canOpen) {
            hosted::detail::SetLastErrorCode(ERROR_ACCESS_DENIED);
            return nullptr;
        }
    }
    const std::uintptr_t handle = hosted::s_nextHandle;
    hosted::s_nextHandle += 4;
    hosted::s_handles[handle] = hosted::ProcessHandle{processId, host};
    return reinterpret_cast<HANDLE>(handle);
}

DWORD WINAPI GetModuleBaseNameA(HANDLE process, HMODULE module, LPSTR baseName, DWORD size) {
    const auto handle = hosted::s_handles.find(reinterpret_cast<std::uintptr_t>(process));
    if (handle == hosted::s_handles.end() || module != nullptr || baseName == nullptr || size == 0)
        return 0;
    if (handle->second.host) {
        DWORD error = 0;
        const DWORD n = hosted::host::ExecutableBaseName(handle->second.processId, baseName, size, &error);
        if (n == 0) hosted::detail::SetLastErrorCode(error);
        return n;
    }
    const std::string& name = hosted::s_processes[handle->second.processId].moduleName;
    if (name.empty()) return 0;
    // Like the real call: cut to fit, terminated, the length copied returned.
    const DWORD n = name.size() < size ? static_cast<DWORD>(name.size()) : size - 1;
    std::memcpy(baseName, name.data(), n);
    baseName[n] = '\0';
    return n;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    return hosted::s_handles.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1 ? TRUE : FALSE;
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT, LPVOID pvParam, UINT) {
    if (action != SPI_GETSCREENSAVERRUNNING || pvParam == nullptr ||
        hosted::s_screensaverQueryFails)
        return FALSE;
    if (hosted::x11::Active()) {
        bool running = false;
        if (!hosted::x11::QueryScreensaver(&running)) return FALSE;
        *static_cast<BOOL*>(pvParam) = running ? TRUE : FALSE;
        return TRUE;
    }
    *static_cast<BOOL*>(pvParam) = hosted::s_screensaverRunning ? TRUE : FALSE;
    return TRUE;
}
