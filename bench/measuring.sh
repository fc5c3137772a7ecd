# Shared by the whole-program benchmarks (sourced, not run): a scratch directory removed with
# every child at exit, a runtime directory and session bus of its own, and the per-process sums.

work=$(mktemp -d)
cleanup() {
  jobs -p | xargs -r kill 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
# Never the desktop's session bus.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus

# Sums over every thread of a process: nanoseconds on a CPU, context switches.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{n += $1} END {printf "%d", n}'; }
switches() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
