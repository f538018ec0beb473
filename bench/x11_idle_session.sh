#!/usr/bin/env bash
# The live tracker in an idle X session: a private Xvfb with openbox, a tray
# host and one window, the release build tracking it for a while (600 s by default), then
# its resident memory and the CPU time it used.
#
#   bash bench/x11_idle_session.sh [seconds] [empty]    (after cmake --build --preset release)
#
# With "empty" the tracker runs without DISPLAY, on the empty desktop, in the
# same session: the cost of the main loop alone, for comparison.
#
# It first runs the tick benchmark (x11_tick_bench) in the same session.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
mode=${2:-x11}
build=build/release
tracker=$PWD/$build/src/horalux
window=$PWD/$build/bench/horalux_bench_window
for f in "$tracker" "$window"; do
  [[ -x $f ]] || { echo "missing $f: cmake --preset release && cmake --build --preset release" >&2; exit 1; }
done

work=$(mktemp -d /tmp/horalux-idle-XXXXXX)
pids=()
cleanup() {
  for ((i=${#pids[@]}-1; i>=0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

exec 3> >(cat > "$work/display")
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
openbox --sm-disable 2>/dev/null &
pids+=($!)
if command -v trayer > /dev/null; then  # a tray host for the icon, as on a desktop
  trayer --edge bottom --align right --widthtype request --height 24 > /dev/null 2>&1 &
  pids+=($!)
fi
sleep 2
"$window" --title "Idle editor" < <(sleep $((seconds + 60))) > /dev/null &
pids+=($!)
sleep 1

# The cost of a tick, in this same fresh session.
"$PWD/$build/bench/x11_tick_bench" --benchmark_min_time=0.5 2>/dev/null || echo "(no tick benchmark: Google Benchmark missing?)"

mkdir -p "$work/run"
if [[ $mode == empty ]]; then
  (cd "$work/run" && exec env -u DISPLAY "$tracker" 2>/dev/null) &
else
  (cd "$work/run" && exec "$tracker" 2>/dev/null) &
fi
tracker_pid=$!
pids+=($tracker_pid)
started=$(date +%s.%N)
sleep "$seconds"
ended=$(date +%s.%N)
# The scheduler's own count of the time on a CPU, in nanoseconds (utime and
# stime in /proc/<pid>/stat only count in whole clock ticks).
read -r cpu_ns _ < "/proc/$tracker_pid/schedstat"
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$tracker_pid/status")
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$tracker_pid/status")
kill -TERM "$tracker_pid"
wait "$tracker_pid" || true
records=$(grep -c '^$' "$work/run/tmp/tmp.dat" || true)
awk -v ns="$cpu_ns" -v a="$started" -v b="$ended" -v rss="$rss" -v hwm="$hwm" -v n="$records" -v mode="$mode" 'BEGIN {
  wall = b - a; cpu = ns / 1e9;
  printf "idle X session (" mode " desktop), %.0f s: resident %d KiB (peak %d KiB), CPU %.3f s = %.4f %% of one core, %d journal records\n",
         wall, rss, hwm, cpu, 100 * cpu / wall, n }'
