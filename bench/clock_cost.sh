#!/usr/bin/env bash
# What a running clock costs, side by side with `xclock -update 1`: each
# program alone on its own Xvfb, both 400 x 400, both running at the same
# time so that both are measured over the same seconds of the same machine.
# Over the given seconds per mode it reads from /proc the CPU time of the
# program and of its X server (all their threads), the program's peak
# resident memory, and the time from the program's start to its first frame
# on the screen.
# The normal mode is measured from a minute after the start (the warm-up),
# when the clock has drawn each place of its second hand once; a clock is on
# screen all day, and that minute is what it costs at its start only.
# Usage: bench/clock_cost.sh [build folder] [seconds per mode, default 30]
#        [warm-up seconds, default 62]
# Needs x11-apps (xclock) and xdotool (to switch on the smooth sweep through
# the clock's menu); both are installed here when missing.
set -euo pipefail
build=${1:-build}
seconds=${2:-30}
warm=${3:-62}

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
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
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

# A fresh X server on a free display number: sets DISPLAY and xpid.
start_x() {
  rm -f "$tmp/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$tmp/display" 2>>"$tmp/xvfb.log" &
  xpid=$!
  pids+=("$xpid")
  for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$tmp/display")"
}

# Starts a program through the probe on $DISPLAY: sets ppid_ and first_ms.
launch() {
  local out
  # Into a file: the program goes on writing to what the probe had open.
  "$probe" 0 200 400 "$@" >"$tmp/probe.out" 2>>"$tmp/probe.err"
  out=$(head -n1 "$tmp/probe.out")
  ppid_=${out%% *}
  first_ms=${out##* }
  pids+=("$ppid_")
}

# CPU shares (% of one core) of two programs and their X servers over the
# same $seconds: sets a_prog a_x a_sum and b_prog b_x b_sum.
measure() { # program-a x-a program-b x-b
  local pa0 xa0 pb0 xb0 t0 pa1 xa1 pb1 xb1 t1
  pa0=$(cpu_ns "$1") xa0=$(cpu_ns "$2") pb0=$(cpu_ns "$3") xb0=$(cpu_ns "$4") t0=$(now_ns)
  sleep "$seconds"
  pa1=$(cpu_ns "$1") xa1=$(cpu_ns "$2") pb1=$(cpu_ns "$3") xb1=$(cpu_ns "$4") t1=$(now_ns)
  local w=$((t1 - t0))
  pc() { awk -v a="$1" -v b="$2" -v w="$w" 'BEGIN {printf "%.3f", 100 * (b - a) / w}'; }
  a_prog=$(pc "$pa0" "$pa1") a_x=$(pc "$xa0" "$xa1") b_prog=$(pc "$pb0" "$pb1") b_x=$(pc "$xb0" "$xb1")
  a_sum=$(awk -v a="$a_prog" -v b="$a_x" 'BEGIN {printf "%.3f", a + b}')
  b_sum=$(awk -v a="$b_prog" -v b="$b_x" 'BEGIN {printf "%.3f", a + b}')
}

declare -a rows
row() { # name prog x sum ratio peak first
  rows+=("$(printf '| %-26s | %8s %% | %8s %% | %8s %% | %6s | %7.1f MiB | %6s ms |' "$1" "$2" "$3" "$4" "$5" \
    "$(awk -v k="$6" 'BEGIN {print k / 1024}')" "$7")")
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

# The baseline, then the sample clock at its screen's top-left corner,
# without an alarm sound.
start_x
xclock_x=$xpid xclock_display=$DISPLAY
launch xclock -update 1 -geometry 400x400+0+0
xclock=$ppid_ xclock_first=$first_ms
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME/DoRedozs"
printf '[CONFIG]\r\nLeft=0\r\nTop=0\r\n[ALARM]\r\nWAVE1=0\r\n' >"$XDG_CONFIG_HOME/DoRedozs/SampleClock.ini"
start_x
clock_x=$xpid
QT_QPA_PLATFORM=xcb launch "$clock"
clock_pid=$ppid_ clock_first=$first_ms
sleep "$warm"

measure "$xclock" "$xclock_x" "$clock_pid" "$clock_x"
normal_sum=$b_sum xclock_sum=$a_sum
row "xclock -update 1" "$a_prog" "$a_x" "$a_sum" "1.00" "$(peak_kib "$xclock")" "$xclock_first"
row "SampleClock, normal" "$b_prog" "$b_x" "$b_sum" "$(ratio "$b_sum" "$a_sum")" "$(peak_kib "$clock_pid")" "$clock_first"
# The smooth sweep is switched on through the clock's menu (its O item).
xdotool mousemove 200 200 click 3
sleep 1
xdotool key o
sleep 3
measure "$xclock" "$xclock_x" "$clock_pid" "$clock_x"
smooth_sum=$b_sum
clock_peak=$(peak_kib "$clock_pid")
row "xclock -update 1" "$a_prog" "$a_x" "$a_sum" "1.00" "$(peak_kib "$xclock")" "$xclock_first"
row "SampleClock, smooth sweep" "$b_prog" "$b_x" "$b_sum" "$(ratio "$b_sum" "$a_sum")" "$clock_peak" "$clock_first"

echo "CPU over $seconds s per mode after a warm-up of $warm s, % of one core; ratio = program + X server against xclock's in the same seconds"
echo "| program (400 x 400)        |  program   |  X server  |  together  | ratio  | peak memory  | first frame |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
awk -v n="$normal_sum" -v x="$xclock_sum" -v s="$smooth_sum" -v m="$clock_peak" -v f="$clock_first" 'BEGIN {
  printf "normal:       %.3f %% against xclock %.3f %% (target: at most xclock, ratio %.2f) %s\n", n, x, (x > 0 ? n / x : 0), (n <= x ? "met" : "NOT met")
  printf "smooth sweep: %.3f %% (target: at most 1 %%, ratio %.2f) %s\n", s, s / 1, (s <= 1 ? "met" : "NOT met")
  printf "peak memory:  %.1f MiB (target: at most 35 MiB, ratio %.2f) %s\n", m / 1024, m / 1024 / 35, (m / 1024 <= 35 ? "met" : "NOT met")
  printf "first frame:  %s ms (target: at most 100 ms, ratio %.2f) %s\n", f, f / 100, (f <= 100 ? "met" : "NOT met")
}'
