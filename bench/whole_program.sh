#!/usr/bin/env bash
# What the whole program costs while it runs: CPU time per second of running, system calls and
# wake-ups per second, and resident memory at the end, measured from outside on the real
# programs driving the display simulator over a pseudo-terminal paced like a real line. Both
# programs run the same cases in one run: the windowed one (vfdvorlinx) and the one without a
# window and without Qt (vfdvorlinxd).
#
#   bench/whole_program.sh [BUILD_DIR] [SECONDS]      (defaults: build, 20)
#
# Cases: The Matrix with Knightrider on the IEE 2x20 at 19200 baud without a window, the same
# with the window shown (the windowed program, when Xvfb is installed), and the clock with no
# display at all.
# Targets: vfdvorlinx under 0.5 % of a core, under 2 %, and under 0.1 %; vfdvorlinxd no more
# CPU and wake-ups than vfdvorlinx without a window (0.45 % and 62 wake-ups a second on the
# development machine), under 8 MB resident with The Matrix + Knightrider, and under 0.05 % for
# the clock.
set -euo pipefail
build=${1:-build}
seconds=${2:-20}
program=$build/vfdvorlinx
daemon=$build/vfdvorlinxd
sim=$build/tools/vfdsim
[ -x "$program" ] && [ -x "$daemon" ] && [ -x "$sim" ] || {
  echo "Build first: $program, $daemon and $sim are needed." >&2
  exit 2
}
program=$(realpath "$program")
daemon=$(realpath "$daemon")
sim=$(realpath "$sim")

. "$(dirname "$0")/measuring.sh"
syscalls() { awk '/^sys(cr|cw)/ {n += $2} END {print n}' /proc/"$1"/io; }
# Resident memory in kB: all of it, and the part shared with other processes counted in share.
rss_kb() { awk '/^VmRSS/ {print $2}' /proc/"$1"/status; }
pss_kb() { awk '/^Pss:/ {print $2}' /proc/"$1"/smaps_rollup 2>/dev/null || echo 0; }

# A settings file from the defaults with the model, the port, the speed, the function to start
# and the Knightrider caption replaced (by their line numbers in the file).
settings() {  # directory model port speed function knightrider
  awk -v model="$2" -v port="\"$3\"" -v speed="\"$4\"" -v fn="\"$5\"" -v kitt="\"$6\"" '
    NR == 2 { print port; next }
    NR == 3 { print speed; next }
    NR == 5 { print model; next }
    NR == 17 { print "\"Leave Awake on Exit\""; next }
    NR == 18 { print "\"Standard Load\""; next }
    NR == 19 { print kitt; next }
    NR == 24 { print fn; next }
    { print }' "$work/defaults.txt" >"$1/vfdsettings.txt"
}

measure() {  # name directory program [command prefix...]
  local name=$1 dir=$2 exe=$3
  shift 3
  (cd "$dir" && exec "$@" "$exe" --quiet) >/dev/null 2>"$dir/stderr.txt" &
  local started=$! pid=
  # The program is the started process itself, or (under xvfb-run) its child.
  for _ in $(seq 100); do
    if [ "$(readlink /proc/$started/exe 2>/dev/null)" = "$exe" ]; then
      pid=$started
    else
      pid=$(pgrep -P "$started" -f "^$exe --quiet" || true)
    fi
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] || {
    echo "$name: the program did not start" >&2
    return 1
  }
  sleep 2  # past start-up
  local c0 s0 y0 c1 s1 y1 rss pss
  c0=$(cpu_ns "$pid"); s0=$(switches "$pid"); y0=$(syscalls "$pid")
  sleep "$seconds"
  c1=$(cpu_ns "$pid"); s1=$(switches "$pid"); y1=$(syscalls "$pid")
  rss=$(rss_kb "$pid"); pss=$(pss_kb "$pid")
  kill -TERM "$pid" 2>/dev/null || true
  # A program that does not end on SIGTERM is a fault worth seeing here too.
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "$name: still running 10 s after SIGTERM" >&2
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$started" 2>/dev/null || true
  awk -v n="$name" -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v y=$((y1 - y0)) -v d="$seconds" \
    -v r="$rss" -v p="$pss" 'BEGIN {
      printf "%-50s %6.2f %% of a core  %5.0f wake-ups/s  %6.0f read+write/s  %5.1f MB resident (%4.1f MB own share)\n",
             n, 100 * c / 1e9 / d, s / d, y / d, r / 1024, p / 1024 }'
}

# A fresh default file to take the unchanged values from.
mkdir "$work/defaults"
(cd "$work/defaults" && timeout -s INT 3 "$daemon" --quiet >/dev/null 2>&1 || true)
[ -f "$work/defaults/vfdsettings.txt" ] || {
  echo "The program did not write its default settings." >&2
  exit 1
}
tr -d '\r' <"$work/defaults/vfdsettings.txt" >"$work/defaults.txt"

# The simulator quits at the end of its input; a pipe that stays open keeps it running.
sleep infinity | "$sim" --model 1 --baud 19200 --plain >/dev/null 2>&1 &
for _ in $(seq 50); do
  [ -e "$XDG_RUNTIME_DIR/vfdsim/model1" ] && break
  sleep 0.1
done
port=$XDG_RUNTIME_DIR/vfdsim/model1

mkdir "$work/matrix" "$work/window" "$work/clock" "$work/matrix-d" "$work/clock-d"
settings "$work/matrix" 1 "$port" 19200 2 "Shut Up KITT!"
settings "$work/matrix-d" 1 "$port" 19200 2 "Shut Up KITT!"
settings "$work/window" 1 "$port" 19200 2 "Shut Up KITT!"
settings "$work/clock" 0 "" "" 3 "Knightrider"
settings "$work/clock-d" 0 "" "" 3 "Knightrider"

echo "Each case runs $seconds s after a 2 s start."
QT_QPA_PLATFORM=offscreen measure "vfdvorlinx:  The Matrix + Knightrider, 19200, no window" \
  "$work/matrix" "$program" env
measure "vfdvorlinxd: The Matrix + Knightrider, 19200" "$work/matrix-d" "$daemon" env
if command -v xvfb-run >/dev/null; then
  measure "vfdvorlinx:  The Matrix + Knightrider, 19200, window" "$work/window" "$program" \
    env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x900x24"
else
  echo "vfdvorlinx:  The Matrix + Knightrider, 19200, window: skipped (install xvfb)"
fi
QT_QPA_PLATFORM=offscreen measure "vfdvorlinx:  Clock, no display, no window" "$work/clock" \
  "$program" env
measure "vfdvorlinxd: Clock, no display" "$work/clock-d" "$daemon" env
