#!/usr/bin/env bash
# The main player under Xvfb, 50 s into a 60 s 1080p30 H.264 + AAC clip (GOP 250)
# with colour adjustment, on 2 and on 8 cores, by the monotonic clock and
# with a PulseAudio null sink as the sound device. MODE=4k60 plays a 20 s
# 3840x2160 60 fps clip with colour adjustment and a quarter turn on 2 cores
# only (taskset -c 0,1), where at most 1 % of the pictures may be dropped;
# BUSY=1 keeps every other processor busy meanwhile (one spinning shell
# each, ended with the run).
# Needs the Release build:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release -j4 --target player_bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench="$root/build/release/bin/player_bench"
[ -x "$bench" ] || bench="$root/build/release/player_bench"
[ -x "$bench" ] || bench=$(find "$root/build/release" -name player_bench -type f | head -1)
work=$(mktemp -d /tmp/player-bench-XXXXXX)
trap 'rm -rf "$work"; [ -n "${PULSE_PID:-}" ] && kill "$PULSE_PID" 2>/dev/null || true' EXIT
clip="$work/clip.mp4"
if [ "${MODE:-}" = 4k60 ]; then
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=3840x2160:rate=60:duration=20 \
    -f lavfi -i sine=frequency=1000:sample_rate=48000:duration=20 \
    -c:v libx264 -preset veryfast -g 120 -pix_fmt yuv420p -c:a aac -b:a 128k "$clip"
  busy=()
  if [ "${BUSY:-0}" = 1 ]; then
    for ((c = 2; c < $(nproc); c++)); do
      taskset -c "$c" sh -c 'while :; do :; done' &
      busy+=($!)
    done
    trap 'kill "${busy[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
  fi
  echo "== 4K60, brightness/contrast/saturation and a quarter turn, cores 0,1, no sound device" \
    "(${#busy[@]} other processors kept busy; load $(cut -d' ' -f1-3 /proc/loadavg))"
  PULSE_SERVER=/nonexistent taskset -c 0,1 xvfb-run -a -s "-screen 0 1280x800x24" "$bench" "$clip" \
    --seconds 15 --cycles 0 --turn
  exit 0
fi
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 \
  -f lavfi -i sine=frequency=1000:sample_rate=48000:duration=60 \
  -c:v libx264 -preset veryfast -g 250 -pix_fmt yuv420p -c:a aac -b:a 128k "$clip"
screens=${SCREENS:-}
run() {
  local cores=$1 label=$2
  echo "== $label, cores $cores"
  taskset -c "$cores" xvfb-run -a -s "-screen 0 1280x800x24" "$bench" "$clip" --seconds 50 --cycles 200 \
    ${screens:+--screens "$screens"}
}
# No sound device: the player goes by the monotonic clock.
PULSE_SERVER=/nonexistent run 0-1 "no sound device"
PULSE_SERVER=/nonexistent run 0-7 "no sound device"
if command -v pulseaudio >/dev/null; then
  export PULSE_RUNTIME_PATH="$work/pulse"
  mkdir -p "$PULSE_RUNTIME_PATH"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    -L "module-null-sink sink_name=bench" -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
    >/dev/null 2>&1 &
  PULSE_PID=$!
  sleep 1
  export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
  run 0-1 "PulseAudio null sink"
  run 0-7 "PulseAudio null sink"
fi
