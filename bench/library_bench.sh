#!/bin/bash
# Media library benchmarks on an optimised build:
#  - a library of 2,500 / 5,000 / 10,000 items (records pointing at a few real
#    files) saved and loaded: times, resident memory after loading, peak;
#  - 200 small files imported through the import thread, against the ffmpeg
#    program making the same 640-wide thumbnail of each file.
#
#   bench/library_bench.sh [build folder]   (default: build/bench)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/bench}"

if [ ! -x "$build/bin/projectdata_library_bench" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF -DFABLECUT_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$build" --target projectdata_library_bench -j"${JOBS:-6}" > /dev/null
bench="$build/bin/projectdata_library_bench"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lib" "$work/import" "$work/thumbs"
for i in 1 2 3; do
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=320x240:rate=25:duration=$i" \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p "$work/lib/media$i.mp4"
done
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=1 \
  -f lavfi -i sine=d=1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$work/one.mp4"
for i in $(seq -w 1 200); do cp "$work/one.mp4" "$work/import/f$i.mp4"; done

# Thumbnails are real pictures of the files, kept as PNG (640 wide is what
# an import makes).
for thumb in ${THUMBS:-160x120 640x480}; do
  echo "items save_s load_s loaded rss_before_load_kb rss_after_load_kb peak_kb (thumbnails $thumb)"
  IFS=x read -r tw th <<< "$thumb"
  for n in 2500 5000 10000; do
    rm -f "$work/lib/"item*.lnk.mp4 "$work/lib/bench.fml"
    "$bench" library "$work/lib" "$n" "$tw" "$th"
  done
done

echo "import: files seconds files_per_second"
"$bench" import "$work/import"
start=$(date +%s.%N)
for f in "$work/import/"*.mp4; do
  ffmpeg -nostdin -v error -y -i "$f" -frames:v 1 -vf scale=640:-2 "$work/thumbs/$(basename "$f").png"
done
end=$(date +%s.%N)
echo "ffmpeg thumbnails: 200 $(echo "$end - $start" | bc) $(echo "200 / ($end - $start)" | bc -l | cut -c1-6)"
