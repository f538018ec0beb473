// The host's own processes, for the desktops whose windows belong to them.
// Internal to the hosted layer.
#ifndef HORALUX_PLATFORM_HOSTED_LINUX_PROCESSES_H
#define HORALUX_PLATFORM_HOSTED_LINUX_PROCESSES_H

#include "win32_api.h"

namespace hosted {
namespace host {

// The file name of the program that process `processId` runs, folder left
// out, into `out` (cut to `size` - 1 bytes between two characters,
// terminated). Returns its length, or 0 with a Win32 error code in *error:
// ERROR_ACCESS_DENIED for a process this user may not look into,
// ERROR_INVALID_PARAMETER for one that does not exist (or has no program
// file). With no buffer it only tells whether the name can be read.
DWORD ExecutableBaseName(DWORD processId, char* out, DWORD size, DWORD* error);

}  // namespace host
}  // namespace hosted

#endif
