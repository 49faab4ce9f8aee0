#!/usr/bin/env bash
# Imaging benchmark: resampling and free rotation against ImageMagick's
# library, JPEG loading and thumbnails against TurboJPEG, all in one process.
# Prints our figures, the baseline's and the ratio (above 1 = we are faster),
# once with one thread each and once with all cores each.
#
# The baselines are needed for this benchmark only, so this script installs
# their development packages (through sudo when not root) and
# tools/install-deps.sh does not.
#
# usage: bench/imaging.sh [work folder] [resample|rotate|jpeg|thumbs]...
# BENCH_RUNS (default 7) sets how many runs each figure is the best of. The
# work folder (default build/bench-imaging) keeps the generated JPEGs, about
# 150 MB, between runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build/bench-imaging}
shift || true
if ! dpkg -s libmagick++-dev libturbojpeg0-dev >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y libmagick++-dev libturbojpeg0-dev
fi
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" --target imaging_bench -j4 >/dev/null
"$root/build/bench/imaging_bench" "$work" "$@"
