#!/usr/bin/env bash
# What a running clock costs, side by side with `xclock -update 1`: each
# program alone on its own Xvfb, both 400 x 400. Over the given seconds per
# mode it reads from /proc the CPU time of the program and of its X server
# (all their threads), the program's peak resident memory, and the time from
# the program's start to its first frame on the screen.
# Usage: bench/clock_cost.sh [build folder] [seconds per mode, default 30]
# Needs x11-apps (xclock) and xdotool (to switch on the smooth sweep through
# the clock's menu); both are installed here when missing.
set -euo pipefail
build=${1:-build}
seconds=${2:-30}

need=()
command -v xclock >/dev/null || need+=(x11-apps)
command -v xdotool >/dev/null || need+=(xdotool)
if ((${#need[@]})); then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${need[@]}" >/dev/null
fi

probe=$(realpath "$build/bench/clock_cost")
# The clock changes into its settings folder, so it is given an absolute path.
clock=$(realpath "$build/bin/SampleClock")
tmp=$(mktemp -d)
xpid="" ppid_=""
cleanup() {
  [ -n "$ppid_" ] && kill "$ppid_" 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# CPU time in nanoseconds of every thread of a process.
cpu_ns() {
  local sum=0 f a
  for f in /proc/"$1"/task/*/schedstat; do
    read -r a _ <"$f" 2>/dev/null || continue
    sum=$((sum + a))
  done
  echo "$sum"
}
now_ns() { date +%s%N; }
peak_kib() { awk '/^VmHWM:/ {print $2}' /proc/"$1"/status; }

# A fresh X server on a free display number; sets DISPLAY and xpid.
start_x() {
  rm -f "$tmp/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  xpid=$!
  for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$tmp/display")"
}
stop_x() {
  kill "$ppid_" 2>/dev/null || true
  kill "$xpid" 2>/dev/null || true
  wait "$xpid" 2>/dev/null || true
  ppid_="" xpid=""
}

# Starts a program through the probe; sets ppid_ and first_ms.
launch() {
  local out
  # Into a file: the program goes on writing to what the probe had open.
  "$probe" 0 200 400 "$@" >"$tmp/probe.out" 2>>"$tmp/probe.err"
  out=$(head -n1 "$tmp/probe.out")
  ppid_=${out%% *}
  first_ms=${out##* }
}

# CPU shares (% of one core) of the program and the X server over $seconds.
measure() {
  local p0 x0 t0 p1 x1 t1
  p0=$(cpu_ns "$ppid_") x0=$(cpu_ns "$xpid") t0=$(now_ns)
  sleep "$seconds"
  p1=$(cpu_ns "$ppid_") x1=$(cpu_ns "$xpid") t1=$(now_ns)
  prog_pc=$(awk -v a="$p0" -v b="$p1" -v w=$((t1 - t0)) 'BEGIN {printf "%.3f", 100 * (b - a) / w}')
  x_pc=$(awk -v a="$x0" -v b="$x1" -v w=$((t1 - t0)) 'BEGIN {printf "%.3f", 100 * (b - a) / w}')
  sum_pc=$(awk -v a="$prog_pc" -v b="$x_pc" 'BEGIN {printf "%.3f", a + b}')
}

declare -a rows
row() { # name prog x sum ratio peak first
  rows+=("$(printf '| %-26s | %8s %% | %8s %% | %8s %% | %6s | %7.1f MiB | %6s ms |' "$1" "$2" "$3" "$4" "$5" \
    "$(awk -v k="$6" 'BEGIN {print k / 1024}')" "$7")")
}

# The baseline.
start_x
launch xclock -update 1 -geometry 400x400+0+0
sleep 3
measure
xclock_sum=$sum_pc
row "xclock -update 1" "$prog_pc" "$x_pc" "$sum_pc" "1.00" "$(peak_kib "$ppid_")" "$first_ms"
stop_x

# The sample clock, at the screen's top-left corner, without an alarm sound.
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME/DoRedozs"
printf '[CONFIG]\r\nLeft=0\r\nTop=0\r\n[ALARM]\r\nWAVE1=0\r\n' >"$XDG_CONFIG_HOME/DoRedozs/SampleClock.ini"
start_x
QT_QPA_PLATFORM=xcb launch "$clock"
clock_first=$first_ms
sleep 3
measure
normal_sum=$sum_pc
ratio=$(awk -v a="$sum_pc" -v b="$xclock_sum" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
row "SampleClock, normal" "$prog_pc" "$x_pc" "$sum_pc" "$ratio" "$(peak_kib "$ppid_")" "$first_ms"
# The smooth sweep is switched on through the clock's menu (its O item).
xdotool mousemove 200 200 click 3
sleep 1
xdotool key o
sleep 3
measure
smooth_sum=$sum_pc
ratio=$(awk -v a="$sum_pc" -v b="$xclock_sum" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
clock_peak=$(peak_kib "$ppid_")
row "SampleClock, smooth sweep" "$prog_pc" "$x_pc" "$sum_pc" "$ratio" "$clock_peak" "$first_ms"
stop_x

echo "CPU over $seconds s per mode, % of one core; ratio = program + X server against xclock's"
echo "| program (400 x 400)        |  program   |  X server  |  together  | ratio  | peak memory  | first frame |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
awk -v n="$normal_sum" -v x="$xclock_sum" -v s="$smooth_sum" -v m="$clock_peak" -v f="$clock_first" 'BEGIN {
  printf "normal:       %.3f %% against xclock %.3f %% (target: at most xclock, ratio %.2f) %s\n", n, x, (x > 0 ? n / x : 0), (n <= x ? "met" : "NOT met")
  printf "smooth sweep: %.3f %% (target: at most 1 %%, ratio %.2f) %s\n", s, s / 1, (s <= 1 ? "met" : "NOT met")
  printf "peak memory:  %.1f MiB (target: at most 35 MiB, ratio %.2f) %s\n", m / 1024, m / 1024 / 35, (m / 1024 <= 35 ? "met" : "NOT met")
  printf "first frame:  %s ms (target: at most 100 ms, ratio %.2f) %s\n", f, f / 100, (f <= 100 ? "met" : "NOT met")
}'
