#!/usr/bin/env bash
# The paused main player under Xvfb on a 1080p30 H.264 clip, held to 2 cores:
# the time from an edit to its picture on screen, against the ffmpeg program
# decoding the same picture and applying an effect to it at the player's
# picture size. Needs the Release build:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release -j4 --target paused_redraw_bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$(find "$root/build/release" -name paused_redraw_bench -type f | head -1)
work=$(mktemp -d /tmp/paused-redraw-XXXXXX)
trap 'rm -rf "$work"' EXIT
clip="$work/clip.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=10 \
  -c:v libx264 -preset veryfast -g 250 -pix_fmt yuv420p "$clip"
echo "== fablecut, cores 0-1"
PULSE_SERVER=/nonexistent taskset -c 0,1 xvfb-run -a -s "-screen 0 1280x800x24" "$bench" "$clip" --edits 200
echo "== ffmpeg: the picture at 2 s decoded, brightened and scaled to 960 x 540, cores 0-1 (20 runs)"
times=()
for i in $(seq 20); do
  start=$(date +%s%N)
  taskset -c 0,1 ffmpeg -nostdin -v error -ss 2 -i "$clip" -frames:v 1 \
    -vf "eq=brightness=0.2,scale=960:540" -f null -
  times+=($(( ($(date +%s%N) - start) / 1000000 )))
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "median %d ms, worst %d ms\n", a[int((NR+1)/2)], a[NR]}'
