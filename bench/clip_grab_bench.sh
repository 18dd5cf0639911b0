#!/bin/bash
# Clip probing and picture grabs on an optimised build: a 10 s 1920x1080
# H.264 clip probed as a library clip, then 50 pictures 640 wide grabbed at
# times spread over it (each a seek and a decode through the clip's own
# source), against the ffmpeg program seeking and scaling the same pictures.
#
#   bench/clip_grab_bench.sh [build folder]   (default: build/bench)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/bench}"
count="${COUNT:-50}"

if [ ! -x "$build/bin/projectdata_library_bench" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF -DFABLECUT_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$build" --target projectdata_library_bench -j"${JOBS:-6}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip_1080p.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
  -f lavfi -i sine=d=10 -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -bf 2 -c:a aac "$clip"

echo "ours: probe_s grabs grab_s grabs_per_second"
"$build/bin/projectdata_library_bench" grab "$clip" "$count"
start=$(date +%s.%N)
for ((i = 0; i < count; i++)); do
  at=$(printf "%.3f" "$(echo "scale=3; 9.9 * $i / $count" | bc)")
  ffmpeg -nostdin -v error -y -ss "$at" -i "$clip" -frames:v 1 -vf scale=640:-2 "$work/ref.png"
done
end=$(date +%s.%N)
echo "ffmpeg: $count $(echo "$end - $start" | bc) $(echo "$count / ($end - $start)" | bc -l | cut -c1-6)"
