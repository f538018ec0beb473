#!/usr/bin/env bash
# The live tracker in an idle X session: a private Xvfb with openbox and one
# window, the release build tracking it for a while (600 s by default), then
# its resident memory and the CPU time it used.
#
#   bash bench/x11_idle_session.sh [seconds]     (after cmake --build --preset release)
#
# It first runs the tick benchmark (x11_tick_bench) in the same session.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
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
sleep 2
"$window" --title "Idle editor" < <(sleep $((seconds + 60))) > /dev/null &
pids+=($!)
sleep 1

# The cost of a tick, in this same fresh session.
"$PWD/$build/bench/x11_tick_bench" --benchmark_min_time=0.5 2>/dev/null || echo "(no tick benchmark: Google Benchmark missing?)"

mkdir -p "$work/run"
(cd "$work/run" && exec "$tracker" 2>/dev/null) &
tracker_pid=$!
pids+=($tracker_pid)
ticks=$(getconf CLK_TCK)
started=$(date +%s.%N)
sleep "$seconds"
ended=$(date +%s.%N)
read -r -a stat < "/proc/$tracker_pid/stat"
# Fields 14 and 15 (utime, stime) counted from 1, after the command in parentheses.
cpu_ticks=$((stat[13] + stat[14]))
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$tracker_pid/status")
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$tracker_pid/status")
kill -TERM "$tracker_pid"
wait "$tracker_pid" || true
records=$(grep -c '^$' "$work/run/tmp/tmp.dat" || true)
awk -v t="$cpu_ticks" -v hz="$ticks" -v a="$started" -v b="$ended" -v rss="$rss" -v hwm="$hwm" -v n="$records" 'BEGIN {
  wall = b - a; cpu = t / hz;
  printf "idle X session, %.0f s: resident %d KiB (peak %d KiB), CPU %.2f s = %.4f %% of one core, %d journal records\n",
         wall, rss, hwm, cpu, 100 * cpu / wall, n }'
