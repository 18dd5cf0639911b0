#!/bin/bash
# Timeline playback benchmark: a generated 10 s 1920x1080 H.264 clip played
# through the simple-edit importer plainly, with a colour adjustment, and
# with a colour adjustment and a blur, next to plain decode of the same clip
# by the media manager and by the ffmpeg program (decode, eq, eq + gblur).
# Prints pictures per second and each case's cost over plain decode, in
# wall time and in processor time (steadier on a busy machine).
#
#   bench/edit_bench.sh [build folder]   (default: build/bench, an optimised build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/bench}"
runs="${RUNS:-3}"

if [ ! -x "$build/bin/edit_bench" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF -DFABLECUT_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$build" --target edit_bench -j"${JOBS:-$(nproc)}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip_1080p.mp4"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -bf 2 "$clip"

declare -A best cpus
for ((i = 0; i < runs; i++)); do
  while read -r name pictures seconds fps cpu; do
    if [ -z "${best[$name]:-}" ] || [ "$(echo "$seconds < ${best[$name]}" | bc -l)" = 1 ]; then best[$name]=$seconds; fi
    if [ -z "${cpus[$name]:-}" ] || [ "$(echo "$cpu < ${cpus[$name]}" | bc -l)" = 1 ]; then cpus[$name]=$cpu; fi
    count=$pictures
  done < <("$build/bin/edit_bench" "$clip" "$work")
  for filter in "null" "eq=brightness=0.08:contrast=1.2:saturation=1.15" \
                "eq=brightness=0.08:contrast=1.2:saturation=1.15,gblur=sigma=1"; do
    start=$(date +%s.%N)
    ffmpeg -nostdin -v error -i "$clip" -vf "$filter" -f null - 
    end=$(date +%s.%N)
    key="ffmpeg:$filter"
    t=$(echo "$end - $start" | bc -l)
    if [ -z "${best[$key]:-}" ] || [ "$(echo "$t < ${best[$key]}" | bc -l)" = 1 ]; then best[$key]=$t; fi
  done
done

decode=${best[decode]}
printf 'pictures: %s (best of %s runs)\n' "$count" "$runs"
for name in decode timeline colour colour+blur; do
  t=${best[$name]}
  c=${cpus[$name]}
  printf '%-12s %7.1f fps  %6.3f s  cost over plain decode: %+6.1f %% (processor time %6.3f s, %+6.1f %%)\n' "$name" \
    "$(echo "$count / $t" | bc -l)" "$t" "$(echo "($t / $decode - 1) * 100" | bc -l)" \
    "$c" "$(echo "($c / ${cpus[decode]} - 1) * 100" | bc -l)"
done
printf 'ffmpeg program, same clip:\n'
for key in "ffmpeg:null" "ffmpeg:eq=brightness=0.08:contrast=1.2:saturation=1.15" \
           "ffmpeg:eq=brightness=0.08:contrast=1.2:saturation=1.15,gblur=sigma=1"; do
  t=${best[$key]}
  printf '  %-70s %7.1f fps  %6.3f s\n' "${key#ffmpeg:}" "$(echo "$count / $t" | bc -l)" "$t"
done
