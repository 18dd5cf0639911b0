#!/bin/bash
# Decode benchmark of the media manager: a generated 10 s 1920x1080 H.264 clip
# decoded through an IAVSource to BGRA pictures, against the ffmpeg program
# doing the same decode and conversion. Prints the time ratio ours/ffmpeg.
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
cmake --build "$build" --target solvane_decode_bench -j"$(nproc)" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip_1080p.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -bf 2 "$clip"

best_ours=""
best_ffmpeg=""
for ((i = 0; i < runs; i++)); do
  read -r pictures ours _ < <("$build/bin/solvane_decode_bench" "$clip")
  start=$(date +%s.%N)
  ffmpeg -nostdin -v error -i "$clip" -f rawvideo -pix_fmt bgra -y /dev/null
  end=$(date +%s.%N)
  theirs=$(echo "$end - $start" | bc -l)
  if [ -z "$best_ffmpeg" ] || [ "$(echo "$theirs < $best_ffmpeg" | bc -l)" = 1 ]; then best_ffmpeg=$theirs; fi
  if [ -z "$best_ours" ] || [ "$(echo "$ours < $best_ours" | bc -l)" = 1 ]; then best_ours=$ours; fi
done

ratio=$(echo "$best_ours / $best_ffmpeg" | bc -l)
printf 'pictures: %s\nours: %.3f s\nffmpeg: %.3f s\nratio (ours/ffmpeg): %.3f (target <= 0.70)\n' \
  "$pictures" "$best_ours" "$best_ffmpeg" "$ratio"
