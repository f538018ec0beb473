// Files and folders of the hosted layer: the real file system of the working
// directory, with text mode as the Windows C runtime has it (a line feed is
// stored as CR LF) and failures that tests can plan by path.
#include "state.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace hosted {
namespace {

thread_local DWORD s_lastError = 0;
std::map<std::string, int> s_failingOpens;  // key: path, or path and mode

std::map<std::string, int> s_failingFolders;

// True when a failure is planned for this path; uses one up.
bool TakeFailure(std::map<std::string, int>* planned, const char* path) {
    auto it = planned->find(path);
    if (it == planned->end() || it->second == 0) return false;
    if (it->second > 0) --it->second;
    return true;
}

// Text-mode writing: each line feed goes out as CR LF.
ssize_t WriteTextMode(void* cookie, const char* data, size_t size) {
    FILE* file = static_cast<FILE*>(cookie);
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '\n') continue;
        if (std::fwrite(data + start, 1, i - start, file) != i - start) return -1;
        if (std::fwrite("\r\n", 1, 2, file) != 2) return -1;
        start = i + 1;
    }
    if (std::fwrite(data + start, 1, size - start, file) != size - start) return -1;
    return static_cast<ssize_t>(size);
}

int CloseTextMode(void* cookie) {
    return std::fclose(static_cast<FILE*>(cookie));
}

}  // namespace

namespace detail {

void SetLastErrorCode(DWORD code) {
    s_lastError = code;
}

void ResetFiles() {
    s_failingOpens.clear();
    s_failingFolders.clear();
    s_lastError = 0;
}

}  // namespace detail

void FailOpen(const char* path, int times, const char* mode) {
    s_failingOpens[mode != nullptr ? std::string(path) + '\n' + mode : std::string(path)] = times;
}

void FailCreateDirectory(const char* path, int times) {
    s_failingFolders[path] = times;
}

}  // namespace hosted

DWORD WINAPI GetLastError() {
    return hosted::s_lastError;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES*) {
    if (path == nullptr || hosted::TakeFailure(&hosted::s_failingFolders, path)) {
        hosted::s_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (mkdir(path, 0777) == 0) return TRUE;
    hosted::s_lastError = errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_PATH_NOT_FOUND;
    return FALSE;
}

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    if (existing == nullptr || replacement == nullptr) return FALSE;
    struct stat target {};
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && stat(replacement, &target) == 0) {
        hosted::s_lastError = ERROR_ALREADY_EXISTS;
        return FALSE;
    }
    // Only a real run can lose power; the virtual desktop's runs skip the wait.
    if ((flags & MOVEFILE_WRITE_THROUGH) && hosted::IsLive()) {
        // The new content is on the disk before the name points at it.
        const int fd = open(existing, O_RDONLY);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }
    if (std::rename(existing, replacement) != 0) {
        hosted::s_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    return TRUE;
}

LPSTR WINAPI lstrcpynA(LPSTR dest, LPCSTR src, int maxLength) {
    if (dest == nullptr || maxLength <= 0) return dest;
    int i = 0;
    if (src != nullptr)
        for (; i < maxLength - 1 && src[i] != '\0'; ++i) dest[i] = src[i];
    dest[i] = '\0';
    return dest;
}

FILE* OpenStream(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    if (hosted::TakeFailure(&hosted::s_failingOpens, path) ||
        hosted::TakeFailure(&hosted::s_failingOpens, (std::string(path) + '\n' + mode).c_str())) {
        errno = EACCES;
        return nullptr;
    }
    // As on Windows, a folder is no file: opening one fails in every mode.
    struct stat info {};
    if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return nullptr;
    }
    const bool binary = std::strchr(mode, 'b') != nullptr;
    const bool writes = mode[0] == 'w' || mode[0] == 'a' || std::strchr(mode, '+') != nullptr;
    if (binary || !writes) return std::fopen(path, mode);
    char binaryMode[8];
    std::snprintf(binaryMode, sizeof binaryMode, "%sb", mode);
    FILE* file = std::fopen(path, binaryMode);
    if (file == nullptr) return nullptr;
    cookie_io_functions_t io{};
    io.write = hosted::WriteTextMode;
    io.close = hosted::CloseTextMode;
    FILE* text = fopencookie(file, mode, io);
    if (text == nullptr) std::fclose(file);
    return text;
}
