#!/bin/bash
# A generated 10 s 1920x1080 clip with sound converted with H.264 at 8 Mbit/s
# (AAC 128 kbit/s) through the output task as a one-clip timeline, through
# the conversion engine as a plain file, and by the ffmpeg program with the
# same settings. Prints the best wall time of each (RUNS, default 2) and the
# ratios task/engine and engine/ffmpeg.
#
#   bench/timeline_task_bench.sh [build folder]   (default: build/release, an optimised build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/release}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF > /dev/null
cmake --build "$build" --target timeline_task_bench -j"${JOBS:-4}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip_1080p.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -ac 2 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -bf 2 -b:v 8M -c:a aac -b:a 192k "$clip"

HOME="$work" "$build/bin/timeline_task_bench" "$clip" "$work" "${RUNS:-2}"
