// The host's own processes, as the X11 desktop names them: a process's
// program is the target of /proc/<pid>/exe.
#include "linux_processes.h"

#include "utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace hosted {
namespace host {

namespace {

// What the kernel appends to the link of a program file that has been
// removed or replaced while it runs (an upgrade, say); the program's name is
// the part before it.
constexpr char kDeletedSuffix[] = " (deleted)";

}  // namespace

DWORD ExecutableBaseName(DWORD processId, char* out, DWORD size, DWORD* error) {
    *error = 0;
    if (processId == 0) {
        *error = ERROR_INVALID_PARAMETER;
        return 0;
    }
    char link[32];
    std::snprintf(link, sizeof link, "/proc/%u/exe", processId);
    char target[4096];
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0) {
        // Another user's process (without the rights to look into it) is
        // refused; one that has ended, or a kernel thread, has no link.
        *error = (errno == EACCES || errno == EPERM) ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::size_t length = static_cast<std::size_t>(n);
    target[length] = '\0';
    const std::size_t suffix = sizeof kDeletedSuffix - 1;
    if (length > suffix && std::strcmp(target + length - suffix, kDeletedSuffix) == 0) {
        length -= suffix;
        target[length] = '\0';
    }
    const char* slash = std::strrchr(target, '/');
    const char* base = slash != nullptr ? slash + 1 : target;
    const std::size_t baseLength = length - static_cast<std::size_t>(base - target);
    if (baseLength == 0) {
        *error = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (out == nullptr || size == 0) return static_cast<DWORD>(baseLength);
    const std::size_t kept = detail::Utf8PrefixLength(base, baseLength, size - 1);
    std::memcpy(out, base, kept);
    out[kept] = '\0';
    return static_cast<DWORD>(kept);
}

}  // namespace host
}  // namespace hosted
