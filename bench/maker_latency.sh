#!/usr/bin/env bash
# The maker over camera photos: a session of actions on a 4000 x 3000 and an
# 8000 x 6000 JPEG with the preview size limit on and off, the idle preview's
# CPU share (30 s), the thumbnail browser over 100 photos of 12 megapixels,
# each with its ratio to the budget (below 1 = within it). Every mode runs in
# a process and an X server of its own.
#
# usage: bench/maker_latency.sh [work folder] [idle seconds]
# The work folder (default build/bench-maker) keeps the generated photos,
# about 350 MB, between runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build/bench-maker}
seconds=${2:-30}
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" --target maker_latency brasswick -j4 >/dev/null
bench=$root/build/bench/maker_latency
maker=$root/build/bin/brasswick
mkdir -p "$work/thumbs"
[ -f "$work/photo-4000x3000.jpg" ] || "$bench" make "$work/photo-4000x3000.jpg" 4000 3000 1
[ -f "$work/photo-8000x6000.jpg" ] || "$bench" make "$work/photo-8000x6000.jpg" 8000 6000 2
for i in $(seq -w 0 99); do
  f="$work/thumbs/photo-$i.jpg"
  [ -f "$f" ] || "$bench" make "$f" 4000 3000 "$((10#$i % 10 + 3))"
done
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=xcb
run() { xvfb-run -a -s "-screen 0 1280x1024x24" "$bench" "$@"; }
echo "load: $(uptime)"
for photo in "$work/photo-4000x3000.jpg" "$work/photo-8000x6000.jpg"; do
  for limit in on off; do run photo "$maker" "$photo" "$limit"; done
done
run idle "$maker" "$work/photo-4000x3000.jpg" "$seconds"
run thumbs "$maker" "$work/thumbs"
echo "load: $(uptime)"
