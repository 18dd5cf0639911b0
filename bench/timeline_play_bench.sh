#!/usr/bin/env bash
# A 60 s timeline of three 20 s 1080p30 H.264 + AAC clips (GOP 250, colour
# adjustment on the second) through the main player under Xvfb with the
# timeline panel's play head following, on 2 and on 8 cores, with no sound
# device (the monotonic clock); then the timeline panel's relayout of a
# 500-clip timeline. Needs the Release build:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release -j6 --target timeline_play_bench timeline_edit_bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
find_bin() {
  local b="$root/build/release/bin/$1"
  [ -x "$b" ] || b=$(find "$root/build/release" -name "$1" -type f | head -1)
  echo "$b"
}
bench=$(find_bin timeline_play_bench)
edit=$(find_bin timeline_edit_bench)
work=$(mktemp -d /tmp/timeline-play-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
sources=(testsrc2 smptehdbars testsrc)
freqs=(440 1000 660)
clips=()
for i in 0 1 2; do
  clip="$work/clip$((i + 1)).mp4"
  ffmpeg -nostdin -v error -y -f lavfi -i "${sources[$i]}=size=1920x1080:rate=30:duration=20" \
    -f lavfi -i "sine=frequency=${freqs[$i]}:sample_rate=48000:duration=20" \
    -c:v libx264 -preset veryfast -g 250 -pix_fmt yuv420p -c:a aac -b:a 128k -t 20 "$clip"
  clips+=("$clip")
done
for cores in 0-1 0-7; do
  echo "== timeline playback, cores $cores"
  PULSE_SERVER=/nonexistent taskset -c "$cores" xvfb-run -a -s "-screen 0 1280x800x24" \
    "$bench" "${clips[@]}" --seconds 60
done
echo "== 500-clip timeline relayout (goal < 50 ms)"
QT_QPA_PLATFORM=offscreen "$edit" 500
