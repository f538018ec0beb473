// The cost of the live tracker's work on a real X11 desktop: a quiet tick
// (the heartbeat checked and stamped, the screen saver and the foreground
// window asked, nothing changed), a tick that records a window (title,
// process, program name and the journal append as well), and a pass of the
// main loop between ticks (the drain of the message queue, which reads what
// the X server sent).
//
//   DISPLAY=:N build/release/bench/x11_tick_bench
//
// needs an X server with an active window (bench/x11_idle_session.sh makes
// one for the idle figures; any desktop session will do for these).
#include "journal/clock.h"
#include "journal/heartbeat.h"
#include "journal/sampler.h"
#include "platform/hosted/desktop.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

void QuietTick(benchmark::State& state) {
    SamplerState sampler = kSamplerStart;
    char timeText[kClockTextSize];
    GetTimeString(timeText);
    SampleForeground(sampler, timeText);  // the foreground is recorded once
    for (auto _ : state) {
        GetTimeString(timeText);
        CheckHeartbeat();
        SampleForeground(sampler, timeText);
        benchmark::DoNotOptimize(sampler);
    }
}
BENCHMARK(QuietTick);

void RecordingTick(benchmark::State& state) {
    SamplerState sampler = kSamplerStart;
    char timeText[kClockTextSize];
    for (auto _ : state) {
        sampler.lastWindow = nullptr;  // as if the foreground had just changed
        GetTimeString(timeText);
        CheckHeartbeat();
        SampleForeground(sampler, timeText);
        benchmark::DoNotOptimize(sampler);
    }
}
BENCHMARK(RecordingTick);

void PassBetweenTicks(benchmark::State& state) {
    for (auto _ : state) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        benchmark::DoNotOptimize(msg);
    }
}
BENCHMARK(PassBetweenTicks);

// The parts of a tick, each a question to the server.
void ForegroundQuery(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GetForegroundWindow());
}
BENCHMARK(ForegroundQuery);

void ScreensaverQuery(benchmark::State& state) {
    BOOL running = FALSE;
    for (auto _ : state) {
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        benchmark::DoNotOptimize(running);
    }
}
BENCHMARK(ScreensaverQuery);

void TitleRead(benchmark::State& state) {
    HWND window = GetForegroundWindow();
    char title[256];
    for (auto _ : state) benchmark::DoNotOptimize(GetWindowTextA(window, title, sizeof title));
}
BENCHMARK(TitleRead);

}  // namespace

int main(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    hosted::StartLive();
    if (display == nullptr || !hosted::UseX11Desktop(display)) {
        std::fprintf(stderr, "x11_tick_bench: needs an X server in DISPLAY\n");
        return 1;
    }
    if (GetForegroundWindow() == nullptr) {
        std::fprintf(stderr, "x11_tick_bench: no window is active on %s\n", display);
        return 1;
    }
    // A running screen saver would keep every tick quiet.
    BOOL screensaver = FALSE;
    if (SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &screensaver, 0) && screensaver) {
        std::fprintf(stderr, "x11_tick_bench: the screen saver of %s is on (xset s reset)\n", display);
        return 1;
    }
    // The journal the recording ticks append to, away from any real one.
    char folder[] = "/tmp/horalux-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr || chdir(folder) != 0) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    hosted::ResetDesktop();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
