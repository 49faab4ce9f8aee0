#!/usr/bin/env bash
# Measures a running 400 x 400 clock (the sample clock) under Xvfb.
# Usage: bench/clock_cost.sh [build folder] [seconds, default 60]
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME="$tmp"
mkdir -p "$tmp/DoRedozs"
printf '[ALARM]\r\nWAVE1=0\r\n' > "$tmp/DoRedozs/SampleClock.ini"
# The clock changes into its settings folder, so it is given an absolute path.
clock=$(realpath "$build/bin/SampleClock")
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/clock_cost" "$clock" "$seconds"
