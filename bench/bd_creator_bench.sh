#!/bin/bash
# Blu-ray authoring benchmark of convworker: a generated 60 s 1920x1080 title
# at 23.976 with sound, authored to a BDMV folder by convworker, against the
# ffmpeg program encoding the same streams with the same settings (libx264
# level 4.1 Blu-ray settings, AC-3 256 kbit/s) into one M2TS file and nothing
# more. Prints wall and CPU seconds of both and the ratios ours/ffmpeg.
#
#   bench/bd_creator_bench.sh [build folder]   (default: build/release, an optimised build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/release}"
runs="${RUNS:-2}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF > /dev/null
cmake --build "$build" --target bd_creator_bench convworker Solvane -j"${JOBS:-4}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/title_1080p.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=24000/1001:duration=60 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 -ac 2 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 48 -b:v 8M -c:a aac -b:a 192k "$clip"
printf 'output=%s\ntitle=%s\n' "$work/disc" "$clip" > "$work/disc.project"

# Wall and CPU seconds of a command, from /usr/bin/time.
measure() {
  /usr/bin/time -f '%e %U %S' -o "$work/time.log" "$@" > /dev/null 2>&1
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time.log"
}

best() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

ours_t="" ours_c="" theirs_t="" theirs_c=""
for ((i = 0; i < runs; i++)); do
  rm -rf "$work/disc" "$work/theirs.m2ts"
  read -r _ state _ seconds _ cpu _ kbytes < <("$build/bin/bd_creator_bench" "$build/bin" "$work/disc.project")
  [ "$state" = 5 ] || { echo "convworker ended with state $state" >&2; exit 1; }
  read -r t c < <(measure ffmpeg -nostdin -v error -y -i "$clip" -c:v libx264 -crf 18 -maxrate 40M -bufsize 30M \
    -g 24 -bf 3 -x264-params level=4.1:bluray-compat=1:open-gop=0:b-pyramid=strict:slices=4:nal-hrd=vbr:aud=1:min-keyint=1:keyint=24:colorprim=bt709:transfer=bt709:colormatrix=bt709 \
    -c:a ac3 -b:a 256k -ar 48000 "$work/theirs.m2ts")
  ours_t=$(best "$ours_t" "$seconds"); ours_c=$(best "$ours_c" "$cpu")
  theirs_t=$(best "$theirs_t" "$t"); theirs_c=$(best "$theirs_c" "$c")
done
printf 'Blu-ray 60 s 1080p: convworker %.2f s (%.1f s CPU, %s KiB peak); ffmpeg to M2TS %.2f s (%.1f s CPU); ratio %.3f wall, %.3f CPU\n' \
  "$ours_t" "$ours_c" "$kbytes" "$theirs_t" "$theirs_c" "$(echo "$ours_t / $theirs_t" | bc -l)" "$(echo "$ours_c / $theirs_c" | bc -l)"
