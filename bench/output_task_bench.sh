#!/bin/bash
# The user's conversion as the program runs it: a generated 10 s 1920x1080
# H.264+AAC clip put on a timeline and handed to the output task with the
# shipped 1080p MP4 profile (201: H.264 high at 8 Mbit/s, AAC 128 kbit/s),
# through the conversion engine and convworker; against the ffmpeg program
# with the same settings. The rounds alternate the two; prints the medians of
# wall time, processor time (user + system, the worker included) and peak
# memory (the largest process), and the ratios ours/ffmpeg. The task's wall
# and processor time run from the moment the task is handed to the engine to
# its finished state, as in the running program with the clip imported (the
# bench process's own start and import are shown apart); the ffmpeg program's
# are its whole run.
#
#   bench/output_task_bench.sh [build folder]   (default: build/release, an optimised build)
#   RUNS=5 bench/output_task_bench.sh           (rounds, default 3)
#   EFFECTS=1 bench/output_task_bench.sh        (the clip with brightness, contrast, saturation,
#                                                a quarter turn and red-blue 3D; ffmpeg with eq,
#                                                transpose and an anaglyph colour matrix)
#   CORES=0,1 bench/output_task_bench.sh        (both sides on these processors, by taskset)
#   CLIP=gst bench/output_task_bench.sh         (the clip made by GStreamer instead: SMPTE bars,
#                                                x264, 48 kHz AAC running some 30 ms past the
#                                                pictures; needs gstreamer1.0-plugins-ugly and -libav)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/release}"
runs="${RUNS:-3}"
effects="${EFFECTS:-0}"
pin=()
[ -n "${CORES:-}" ] && pin=(taskset -c "$CORES")

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF > /dev/null
fi
cmake --build "$build" --target timeline_task_bench -j"${JOBS:-4}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip_1080p.mp4"
if [ "${CLIP:-}" = gst ]; then
  # 469 blocks of 1024 samples come out of the encoder as 470 frames: 10.027 s
  # of sound under 10 s of pictures.
  gst-launch-1.0 -q -e videotestsrc pattern=smpte num-buffers=250 \
    ! video/x-raw,width=1920,height=1080,framerate=25/1 \
    ! x264enc speed-preset=veryfast bitrate=8000 key-int-max=50 ! video/x-h264,stream-format=avc,alignment=au \
    ! queue ! mp4mux name=mux ! filesink location="$clip" \
    audiotestsrc num-buffers=469 samplesperbuffer=1024 ! audio/x-raw,rate=48000,channels=2 \
    ! avenc_aac ! aacparse ! queue ! mux. > /dev/null
else
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -ac 2 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -bf 2 -b:v 8M -c:a aac -b:a 192k "$clip"
fi

# "wall processor peak-KiB" of a command, from GNU time.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time.txt"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# "wall processor peak-KiB" of the task: its own figures from the hand-over
# on, the peak from outside; the whole process's wall and processor time go
# to $work/whole.txt.
measure_task() {
  local mode=""
  [ "$effects" = 1 ] && mode=effects
  HOME="$work" /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "${pin[@]}" \
    "$build/bin/timeline_task_bench" "$clip" "$work" 1 task 201 $mode > "$work/task.out" 2>/dev/null \
    || { echo "failed: the task" >&2; exit 1; }
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time.txt" >> "$work/whole.txt"
  awk -v peak="$(cut -d' ' -f4 "$work/time.txt")" '/^task:/ { print $2, $5, peak }' "$work/task.out"
}

# The same filters as the bench program gives the ffmpeg program (timeline_task_bench.cpp).
filters=()
if [ "$effects" = 1 ]; then
  filters=(-vf "eq=brightness=0.08:contrast=1.15:saturation=1.3,transpose=1,colorchannelmixer=rr=0.299:rg=0.587:rb=0.114:gr=0:gg=0:gb=0:br=0.299:bg=0.587:bb=0.114,scale=-2:1080,pad=1920:1080:(ow-iw)/2:0")
fi

: > "$work/ours.txt"
: > "$work/theirs.txt"
: > "$work/whole.txt"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((i = 0; i < runs; i++)); do
  measure_task >> "$work/ours.txt"
  measure "${pin[@]}" ffmpeg -nostdin -v error -y -i "$clip" "${filters[@]}" -c:v libx264 -preset medium -b:v 8000k \
    -pix_fmt yuv420p -profile:v high -level 4.1 -s 1920x1080 -c:a aac -b:a 128k -ar 44100 -ac 2 "$work/ffmpeg.mp4" \
    >> "$work/theirs.txt"
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

pictures() {
  ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}
report() {
  local name=$1 file=$2
  local wall cpu mem
  wall=$(cut -d' ' -f1 "$file" | median)
  cpu=$(cut -d' ' -f2 "$file" | median)
  mem=$(cut -d' ' -f3 "$file" | median)
  printf '%-7s %7.2f s wall %7.2f s processor %8d KiB peak   (runs: %s)\n' "$name" "$wall" "$cpu" "$mem" \
    "$(tr '\n' ';' < "$file")"
  echo "$wall $cpu $mem" > "$work/$name.median"
}
report task "$work/ours.txt"
printf 'task process, start and import included: %.2f s wall %.2f s processor (medians)\n' \
  "$(cut -d' ' -f1 "$work/whole.txt" | median)" "$(cut -d' ' -f2 "$work/whole.txt" | median)"
report ffmpeg "$work/theirs.txt"
read -r ow oc om < "$work/task.median"
read -r tw tc tm < "$work/ffmpeg.median"
printf 'task / ffmpeg: %.3f wall, %.3f processor, %.3f peak memory\n' \
  "$(echo "$ow / $tw" | bc -l)" "$(echo "$oc / $tc" | bc -l)" "$(echo "$om / $tm" | bc -l)"
echo "pictures: task $(pictures "$work/task.mp4"), ffmpeg $(pictures "$work/ffmpeg.mp4")"
