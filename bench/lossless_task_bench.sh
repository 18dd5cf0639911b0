#!/bin/bash
# Lossless outputs of generated 60 s 1920x1080 clips at 24 Mbit/s, a
# camcorder's rate (H.264 and HEVC, with sound, a key picture every 2 s; the
# H.264 one also as Matroska, which stores no decoding times for its
# B-pictures)
# through the user's path (timeline, output task, engine, worker) against
# the ffmpeg program's stream copy of the same streams: the whole process of
# each (best of RUNS, default 3), the task's time from its hand-over, and
# the worker process alone (with strace installed). Then the H.264 clip cut
# at the exact picture at two pictures inside groups (mode 0), against
# encoding the two partial groups with the ffmpeg program plus the stream
# copy.
#
#   bench/lossless_task_bench.sh [build folder]   (default: build/release, an optimised build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/release}"
runs="${RUNS:-3}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF > /dev/null
cmake --build "$build" --target lossless_task_bench -j"${JOBS:-4}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work"
src="-f lavfi -i testsrc2=size=1920x1080:rate=25:duration=60 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60"
ffmpeg -nostdin -v error -y $src -c:v libx264 -preset ultrafast -g 50 -bf 2 -pix_fmt yuv420p -b:v 24M -c:a aac "$work/h264.mp4"
ffmpeg -nostdin -v error -y $src -c:v libx265 -preset ultrafast -x265-params log-level=error:keyint=50:open-gop=0 \
  -tag:v hvc1 -pix_fmt yuv420p -b:v 24M -c:a aac "$work/hevc.mp4"
ffmpeg -nostdin -v error -y -i "$work/h264.mp4" -c copy "$work/h264.mkv"

now() { date +%s.%N; }
# The best wall time of running "$@" $runs times.
best() {
  local best=""
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(now); "$@" > "$work/last.txt" 2>&1 || { cat "$work/last.txt" >&2; return 1; }; t1=$(now)
    local t; t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
handover() {  # the best hand-over time the task printed over $runs runs
  local best=""
  for _ in $(seq "$runs"); do
    rm -f "$work/out/"*
    local t; t=$("$build/bin/lossless_task_bench" "$@" | sed -n 's/from the hand-over: //p' | cut -d' ' -f1)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
# The worker process alone, from its start to its exit, against the ffmpeg
# program's whole process, both timed the same way: by strace stopping only at
# their execve and exit_group (its seccomp filter leaves every other call
# alone). Best of $runs. Empty when strace is not installed.
worker_alone() {
  command -v strace > /dev/null || return 0
  local best="" bestff=""
  for _ in $(seq "$runs"); do
    rm -f "$work/out/"*
    strace -f --seccomp-bpf -ttt -e trace=execve,exit_group -o "$work/w.txt" \
      "$build/bin/lossless_task_bench" "$@" > /dev/null 2>&1
    local t; t=$(awk '/execve\(".*convworker"/ { s = $2 } /exit_group/ && s && !e { e = $2 } END { print e - s }' "$work/w.txt")
    strace -f --seccomp-bpf -ttt -e trace=execve,exit_group -o "$work/f.txt" \
      ffmpeg -nostdin -v error -y -i "$1" -map 0:v -map 0:a -c copy "$work/copy.${1##*.}"
    local f; f=$(awk '/execve/ && !s { s = $2 } /exit_group/ { e = $2 } END { print e - s }' "$work/f.txt")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    if [ -z "$bestff" ] || [ "$(echo "$f < $bestff" | bc -l)" = 1 ]; then bestff=$f; fi
  done
  printf '; the worker process alone %.3f s, the ffmpeg program %.3f s: %.2fx' "$best" "$bestff" \
    "$(echo "$best / $bestff" | bc -l)"
}
mkdir -p "$work/out"
for clip in h264.mp4 hevc.mp4 h264.mkv; do
  task=$(best sh -c "rm -f '$work/out/'*; '$build/bin/lossless_task_bench' '$work/$clip' '$work/out' task")
  copy=$(best ffmpeg -nostdin -v error -y -i "$work/$clip" -map 0:v -map 0:a -c copy "$work/copy.${clip##*.}")
  hand=$(handover "$work/$clip" "$work/out" task)
  alone=$(worker_alone "$work/$clip" "$work/out" task)
  printf '%s whole clip: task process %.3f s, ffmpeg -c copy %.3f s: %.2fx; from the hand-over %.3f s: %.2fx%s\n' \
    "$clip" "$task" "$copy" "$(echo "$task / $copy" | bc -l)" "$hand" "$(echo "$hand / $copy" | bc -l)" "$alone"
done

# A 10-minute clip (the 60 s one ten times over, joined by a stream copy):
# the worker process alone against the ffmpeg program's whole process, and
# the peak memory of each (the worker's as its /proc status last shows it).
printf "file '%s'\n" $(for _ in $(seq 10); do echo "$work/h264.mp4"; done) > "$work/ten.txt"
ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$work/ten.txt" -c copy "$work/long.mp4"
worker_peak() {  # the worker's peak resident memory in KB, polled until it exits
  "$build/bin/lossless_task_bench" "$@" > /dev/null 2>&1 &
  local bench=$! pid="" peak=0
  while kill -0 "$bench" 2> /dev/null; do
    [ -z "$pid" ] && pid=$(pgrep -n -P "$(pgrep -d, -P "$bench" || echo 0)" convworker 2> /dev/null || pgrep -n -P "$bench" convworker 2> /dev/null || true)
    if [ -n "$pid" ]; then
      local hwm; hwm=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status" 2> /dev/null || true)
      [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
    fi
    sleep 0.02
  done
  wait "$bench" || true
  echo "$peak"
}
rm -f "$work/out/"*
alone=$(worker_alone "$work/long.mp4" "$work/out" long)
rm -f "$work/out/"*
wpeak=$(worker_peak "$work/long.mp4" "$work/out" long)
fpeak=$(/usr/bin/time -f %M ffmpeg -nostdin -v error -y -i "$work/long.mp4" -map 0:v -map 0:a -c copy "$work/copy.mp4" 2>&1 | tail -1)
printf 'h264 10-minute clip%s; peak memory: the worker %d KB, the ffmpeg program %d KB: %.2fx\n' \
  "$alone" "$wpeak" "$fpeak" "$(echo "$wpeak / $fpeak" | bc -l)"

# Mode 0 at pictures 37 and 1463 (groups start every 50 pictures).
hand=$(handover "$work/h264.mp4" "$work/out" cut exact 1480 58520)
partial() {
  ffmpeg -nostdin -v error -y -ss 1.48 -i "$work/h264.mp4" -t 0.52 -an -c:v libx264 -preset veryfast -crf 10 "$work/p1.mp4"
  ffmpeg -nostdin -v error -y -ss 58 -i "$work/h264.mp4" -t 0.52 -an -c:v libx264 -preset veryfast -crf 10 "$work/p2.mp4"
  ffmpeg -nostdin -v error -y -ss 2 -i "$work/h264.mp4" -t 56 -c copy "$work/mid.mp4"
}
ref=$(best partial)
printf 'h264 cut at two pictures inside groups: from the hand-over %.3f s; ffmpeg encoding the two partial groups plus the copy %.3f s: %.2fx\n' \
  "$hand" "$ref" "$(echo "$hand / $ref" | bc -l)"
