// The foreground sampler: once a tick, a record when another window has come
// to the front or the screensaver has just started.
#ifndef HORALUX_JOURNAL_SAMPLER_H
#define HORALUX_JOURNAL_SAMPLER_H

#include "journal/clock.h"
#include "platform/win32.h"

struct SamplerState {
    HWND lastWindow;               // window of the last window or untitled record
    bool lastScreensaverRunning;   // the previous tick's reading
    BOOL screensaverRunning;       // this tick's; a failed query leaves the last one
};

constexpr SamplerState kSamplerStart{nullptr, false, FALSE};

// One sample. For a screensaver record `timeText` is refilled with the moment
// of that record.
void SampleForeground(SamplerState& state, char (&timeText)[kClockTextSize]);

#endif
