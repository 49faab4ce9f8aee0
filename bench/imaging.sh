#!/usr/bin/env bash
# Imaging benchmark: resampling against ImageMagick, JPEG loading and
# thumbnails against djpeg. Prints our figures, the baseline's and the ratio
# (above 1 = we are faster).
#
# The baselines are needed for this benchmark only and are deliberately not
# in tools/install-deps.sh:
#   sudo apt-get install imagemagick libjpeg-turbo-progs
#
# usage: bench/imaging.sh [work folder] [resample|jpeg|thumbs]...
# The work folder (default build/bench-imaging) keeps the generated pictures,
# about 300 MB for the 100 thumbnail JPEGs, between runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build/bench-imaging}
shift || true
for tool in convert-im6.q16:imagemagick djpeg:libjpeg-turbo-progs; do
  command -v "${tool%%:*}" >/dev/null || echo "missing ${tool%%:*}: apt-get install ${tool##*:} (benchmark only)"
done
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" --target imaging_bench -j4 >/dev/null
"$root/build/bench/imaging_bench" "$work" "$@"
