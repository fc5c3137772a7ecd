#!/usr/bin/env bash
# What the LCDproc clients' server costs the whole program: CPU time per second and wake-ups per
# second of the real program, headless, driving the display simulator (IEE 2x20 at 19200 baud),
# while 8 clients each update a screen 8 times a second; beside it the Clock alone on the same
# display. Only the program is measured, not the clients or the simulator.
#
#   bench/lcdproc_clients.sh [BUILD_DIR] [SECONDS]      (defaults: build, 20)
set -euo pipefail
build=${1:-build}
seconds=${2:-20}
program=$build/vfdvorlinx
sim=$build/tools/vfdsim
[ -x "$program" ] && [ -x "$sim" ] || {
  echo "Build first: $program and $sim are needed." >&2
  exit 2
}
command -v python3 >/dev/null || {
  echo "The clients are played by python3, which is not installed." >&2
  exit 2
}
program=$(realpath "$program")
sim=$(realpath "$sim")

. "$(dirname "$0")/measuring.sh"
export QT_QPA_PLATFORM=offscreen

# A loopback port nobody listens on (never 13666, where an LCDd may run).
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

mkdir "$work/defaults"
(cd "$work/defaults" && timeout -s INT 3 "$program" --quiet >/dev/null 2>&1 || true)
tr -d '\r' <"$work/defaults/vfdsettings.txt" >"$work/defaults.txt"

sleep infinity | "$sim" --model 1 --baud 19200 --plain >/dev/null 2>&1 &
for _ in $(seq 50); do
  [ -e "$XDG_RUNTIME_DIR/vfdsim/model1" ] && break
  sleep 0.1
done
line=$XDG_RUNTIME_DIR/vfdsim/model1

settings() {  # directory function
  awk -v port="\"$line\"" -v fn="\"$2\"" '
    NR == 2 { print port; next }
    NR == 3 { print "\"19200\""; next }
    NR == 5 { print 1; next }
    NR == 17 { print "\"Leave Awake on Exit\""; next }
    NR == 18 { print "\"Standard Load\""; next }
    NR == 24 { print fn; next }
    { print }' "$work/defaults.txt" >"$1/vfdsettings.txt"
  echo "lcdproc = 127.0.0.1:$port" >"$1/vfdservices.txt"
}

# Eight clients, each with one screen whose two widgets change 8 times a second.
cat >"$work/clients.py" <<'PY'
import socket, sys, time
port = int(sys.argv[1])
clients = []
for n in range(8):
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(b"hello\nclient_set -name bench%d\nscreen_add s\nscreen_set s -duration 16\n"
              b"widget_add s a string\nwidget_add s b hbar\n" % n)
    s.setblocking(False)
    clients.append(s)
tick = 0
while True:
    tick += 1
    for n, s in enumerate(clients):
        s.sendall(b"widget_set s a 1 1 {client %d stroke %d}\nwidget_set s b 1 2 %d\n"
                  % (n, tick, (tick * 5) % 100))
        try:
            while s.recv(65536):
                pass
        except BlockingIOError:
            pass
    time.sleep(0.125)
PY

measure() {  # name directory with-clients
  local name=$1 dir=$2
  (cd "$dir" && exec "$program" --quiet) >/dev/null 2>"$dir/stderr.txt" &
  local pid=$!
  sleep 1
  local clients=
  if [ "$3" = yes ]; then
    python3 "$work/clients.py" "$port" &
    clients=$!
  fi
  sleep 2
  local c0 s0 c1 s1
  c0=$(cpu_ns "$pid"); s0=$(switches "$pid")
  sleep "$seconds"
  c1=$(cpu_ns "$pid"); s1=$(switches "$pid")
  [ -n "$clients" ] && kill "$clients" 2>/dev/null || true
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v n="$name" -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v d="$seconds" 'BEGIN {
      printf "%-50s %6.2f %% of a core  %7.0f wake-ups/s\n", n, 100 * c / 1e9 / d, s / d }'
}

mkdir "$work/clock" "$work/clients"
settings "$work/clock" 3
settings "$work/clients" 19
echo "Each case runs $seconds s after a 3 s start."
measure "Clock, IEE 2x20 at 19200, no window" "$work/clock" no
measure "LCDproc Clients, 8 clients x 8 updates/s, same display" "$work/clients" yes
