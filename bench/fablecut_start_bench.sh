#!/bin/bash
# Start-up of the GUI program on an optimised build: process start to the
# main window shown and to the end of the library reload, with peak memory,
# for an empty library and a 10,000-item library file (hard links to one
# short clip, fresh by size and time); and one missing-file check tick at
# that size. Each start runs three times; the median is printed. The real
# program is also started in a virtual display and timed until its window is
# mapped (xdotool).
#
#   bench/fablecut_start_bench.sh [build folder]   (default: build/release)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/release}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF -DFABLECUT_BUILD_TESTS=OFF > /dev/null
fi
cmake --build "$build" --target fablecut fablecut_start_bench -j"${JOBS:-4}" > /dev/null
bin="$build/bin"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" QT_QPA_PLATFORM=offscreen LANG=en_US.UTF-8
mkdir -p "$HOME"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x360:rate=25:duration=2 -f lavfi -i sine=d=2 \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac "$work/clip.mp4"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

echo "library window_shown_s reload_end_s items peak_kb check_tick_ms (median of 3 starts)"
for items in 0 10000; do
  "$bin/fablecut_start_bench" make "$work/clip.mp4" "$items"
  rm -f "$work/runs"
  for run in 1 2 3; do
    cp "$HOME/.local/share/fablecut/fablecut/medialib.fml" "$work/lib.fml" 2>/dev/null || true
    "$bin/fablecut_start_bench" start "$(date +%s%N)" >> "$work/runs"
    # The reload rewrites nothing, but keep every start on the same file.
    [ -f "$work/lib.fml" ] && cp "$work/lib.fml" "$HOME/.local/share/fablecut/fablecut/medialib.fml"
  done
  shown=$(cut -d' ' -f1 "$work/runs" | median)
  reload=$(cut -d' ' -f2 "$work/runs" | median)
  count=$(cut -d' ' -f3 "$work/runs" | median)
  peak=$(cut -d' ' -f4 "$work/runs" | median)
  tick=$(cut -d' ' -f5 "$work/runs" | median)
  echo "$items $shown $reload $count $peak $tick"
done

if command -v xvfb-run > /dev/null && command -v xdotool > /dev/null; then
  echo "real program in Xvfb: seconds from launch to the main window mapped (10,000 items)"
  unset QT_QPA_PLATFORM
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    t0=$(date +%s%N)
    "'"$bin"'/fablecut" > /dev/null 2>&1 &
    pid=$!
    xdotool search --sync --onlyvisible --class fablecut > /dev/null
    t1=$(date +%s%N)
    echo "window mapped: $(( (t1 - t0) / 1000000 )) ms"
    kill -TERM $pid; wait $pid; echo "exit code after SIGTERM: $?"'
fi
