#!/bin/bash
# Decode benchmark of the media manager: a generated 10 s 1920x1080 H.264 clip
# decoded through an IAVSource to BGRA pictures, against the ffmpeg program
# doing the same decode and conversion and its decode alone. Prints the
# medians and the time ratios ours/ffmpeg.
#
#   bench/decode_bench.sh [build folder]   (default: build/bench, an optimised build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/bench}"
runs="${RUNS:-3}"

if [ ! -x "$build/bin/solvane_decode_bench" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF -DFABLECUT_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$build" --target solvane_decode_bench -j"${JOBS:-4}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip_1080p.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -bf 2 "$clip"

# Seconds of a command's wall time.
wall() {
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$work/ours"; : > "$work/bgra"; : > "$work/null"
for ((i = 0; i < runs; i++)); do
  read -r pictures ours _ < <("$build/bin/solvane_decode_bench" "$clip")
  echo "$ours" >> "$work/ours"
  wall ffmpeg -nostdin -v error -i "$clip" -f rawvideo -pix_fmt bgra -y /dev/null >> "$work/bgra"
  wall ffmpeg -nostdin -v error -i "$clip" -f null - >> "$work/null"
done

ours=$(median < "$work/ours"); bgra=$(median < "$work/bgra"); null=$(median < "$work/null")
printf 'pictures: %s (medians of %s runs, load %s)\nours: %.3f s\nffmpeg to BGRA: %.3f s\nffmpeg decode alone: %.3f s\n' \
  "$pictures" "$runs" "$(cut -d' ' -f1 /proc/loadavg)" "$ours" "$bgra" "$null"
printf 'ours / ffmpeg to BGRA: %.3f\nours / ffmpeg decode alone: %.3f (target <= 1.00)\n' \
  "$(echo "$ours / $bgra" | bc -l)" "$(echo "$ours / $null" | bc -l)"
