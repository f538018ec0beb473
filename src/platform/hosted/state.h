// State shared by the parts of the hosted layer. Not for the program's code.
#ifndef HORALUX_PLATFORM_HOSTED_STATE_H
#define HORALUX_PLATFORM_HOSTED_STATE_H

#include "desktop.h"

#include <csignal>
#include <cstdint>

namespace hosted {
namespace detail {

// Lets virtual time pass up to `until`, running the planned actions on the way.
void AdvanceTo(std::int64_t until);
// Live mode: the shell's close request has come (SIGINT or SIGTERM).
extern volatile std::sig_atomic_t g_closeRequested;
void SetLastErrorCode(DWORD code);

// Each part puts its own state back on a reset.
void ResetClock();
void StartLiveClock();
void ResetWindows();
void ResetFiles();
void ResetProcesses();

}  // namespace detail
}  // namespace hosted

#endif
