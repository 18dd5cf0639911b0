#!/bin/bash
# Conversion benchmark of convworker: a generated 10 s 1920x1080 clip with
# sound, transcoded to MP4 (libx264 preset medium at 4 Mbit/s, AAC 128 kbit/s)
# and remuxed, by convworker and by the ffmpeg program with the same
# settings. Prints wall-time ratios ours/ffmpeg and the peak memory of both.
#
#   bench/convert_bench.sh [build folder]   (default: build/bench, an optimised build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/bench}"
runs="${RUNS:-3}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF -DFABLECUT_BUILD_TESTS=OFF > /dev/null
cmake --build "$build" --target convworker_bench convworker Solvane -j"${JOBS:-6}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip_1080p.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -ac 2 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -bf 2 -b:v 8M -c:a aac -b:a 192k "$clip"

# Wall seconds and peak kbytes of a command, from /usr/bin/time -v.
measure() {
  local log="$work/time.log"
  /usr/bin/time -v -o "$log" "$@" > /dev/null 2>&1
  local wall peak
  wall=$(grep "Elapsed (wall clock)" "$log" | awk '{print $NF}' | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  peak=$(grep "Maximum resident set size" "$log" | awk '{print $NF}')
  echo "$wall $peak"
}

best() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

for mode in transcode remux; do
  ours_t="" ours_m="" theirs_t="" theirs_m=""
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/ours.mp4" "$work/theirs.mp4"
    read -r _ state _ seconds _ kbytes < <("$build/bin/convworker_bench" "$build/bin" "$clip" "$work/ours.mp4" "$mode")
    [ "$state" = 5 ] || { echo "convworker ended with state $state" >&2; exit 1; }
    if [ "$mode" = transcode ]; then
      read -r t m < <(measure ffmpeg -nostdin -v error -y -i "$clip" -c:v libx264 -preset medium -b:v 4M \
        -c:a aac -b:a 128k "$work/theirs.mp4")
    else
      read -r t m < <(measure ffmpeg -nostdin -v error -y -i "$clip" -map 0:v -map 0:a -c copy "$work/theirs.mp4")
    fi
    ours_t=$(best "$ours_t" "$seconds"); theirs_t=$(best "$theirs_t" "$t")
    ours_m=$kbytes; theirs_m=$m
  done
  ratio=$(echo "$ours_t / $theirs_t" | bc -l)
  printf '%s: convworker %.2f s, %s KiB peak; ffmpeg %.2f s, %s KiB peak; ratio %.3f\n' \
    "$mode" "$ours_t" "$ours_m" "$theirs_t" "$theirs_m" "$ratio"
done
