#!/usr/bin/env bash
# Runs solvane_memcheck (built without sanitizers) under valgrind's memcheck
# on small pictures of awkward sizes and on damaged transport streams; fails
# on any error valgrind reports (a read or write outside a block, a use of
# uninitialised bytes, a bad free) or a crash, with valgrind's report shown.
set -u
helper="$1"
preload="$2"
command -v valgrind >/dev/null || { echo "valgrind is not installed (scripts/install-deps.sh installs it)"; exit 1; }
[ -x "$helper" ] || { echo "no helper at $helper"; exit 1; }
[ -f "$preload" ] || { echo "no preload library at $preload"; exit 1; }
dir="$(mktemp -d /tmp/solvane-memcheck.XXXXXX)" || exit 1
trap 'rm -rf -- "$dir"' EXIT
cd "$dir" || exit 1
ff="ffmpeg -nostdin -v error -y"

make_media() {
    # 320x240 1 s, a portrait phone picture, a 5:4 picture of an odd width
    # and height (testsrc2 and the crop filter would round it to even) and
    # a 4:3 PAL picture; all short.
    $ff -f lavfi -i testsrc2=size=320x240:rate=25:duration=1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p small.mp4 &&
    $ff -f lavfi -i testsrc2=size=360x640:rate=25:duration=0.4 -c:v libx264 -preset ultrafast -pix_fmt yuv420p portrait.mp4 &&
    $ff -f lavfi -i testsrc2=size=676x540:rate=25:duration=0.4 -vf crop=675:539:0:0:exact=1 -c:v ffv1 \
        -pix_fmt yuv420p odd.mkv &&
    $ff -f lavfi -i testsrc2=size=720x576:rate=25:duration=0.4 -vf setsar=16/15 -c:v mpeg2video pal.mpg &&
    # Transport streams whose later pieces bring a stream the first did
    # not have, each with a new version of the stream table: one in the
    # middle, seen by nothing at the open; one near the end.
    $ff -f lavfi -i testsrc=size=160x120:rate=25:duration=6 -c:v mpeg2video -f mpegts head.ts &&
    $ff -f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 \
        -c:v mpeg2video -c:a mp2 -streamid 0:256 -streamid 1:300 -output_ts_offset 6 -tables_version 1 \
        -f mpegts tail.ts &&
    $ff -f lavfi -i testsrc=size=160x120:rate=25:duration=8 -c:v mpeg2video -b:v 2M -output_ts_offset 7 \
        -tables_version 3 -f mpegts rest.ts &&
    cat head.ts tail.ts rest.ts > newmid.ts &&
    $ff -f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 \
        -c:v mpeg2video -c:a mp2 -streamid 0:256 -streamid 1:301 -output_ts_offset 7 -tables_version 2 \
        -f mpegts tail2.ts &&
    cat head.ts tail.ts tail2.ts > newopen.ts &&
    # Deep colour the pictures list lacks, as GStreamer's x264enc writes by
    # default (H.264 4:4:4 10-bit) and of an odd size: converted from the
    # decoder's own picture.
    $ff -f lavfi -i testsrc2=size=322x242:rate=25:duration=0.4 -c:v libx264 -preset ultrafast \
        -pix_fmt yuv444p10le deep444.mp4 &&
    $ff -f lavfi -i testsrc2=size=676x540:rate=25:duration=0.4 -vf crop=675:539:0:0:exact=1,format=yuv422p10le \
        -c:v ffv1 deep422.mkv
}
make_media || { echo "ffmpeg could not make the test media"; exit 1; }

failed=0
run() {
    local name="$1"; shift
    local log="$dir/$name.valgrind"
    LD_PRELOAD="$preload" valgrind --tool=memcheck --num-callers=30 --log-file="$log" "$helper" "$@" \
        > "$dir/$name.out" 2>&1
    local rc=$?
    local bad="Invalid (read|write|free)|Mismatched free|uninitialised|unaddressable|Process terminating|Jump to the invalid"
    if [ $rc -ne 0 ] || ! grep -q "ERROR SUMMARY: 0 errors" "$log" || grep -qE "$bad" "$log"; then
        echo "FAILED: $name (exit $rc)"
        cat "$dir/$name.out"
        grep "ERROR SUMMARY" "$log"
        grep -E -A25 "$bad" "$log" | head -160
        failed=1
    else
        echo "ok: $name: $(tail -1 "$dir/$name.out")"
    fi
}

run convert-320x240 convert out1.mp4 320 240 none small.mp4
# Lossless copies cut inside groups: pictures decoded and encoded again at
# the cuts, their packets put among copied ones (length-prefixed in MP4,
# start codes in a transport stream); two clips joined.
run lossless-mp4 lossless cut1.mp4 280 880 small.mp4 small.mp4
run lossless-ts lossless cut2.ts 280 880 small.mp4
run lossless-mpeg2 lossless cut3.mpg 120 360 pal.mpg
run portrait-3d convert out2.mp4 360 640 3d portrait.mp4
run fit-16x9 convert out3.mp4 640 360 turn odd.mkv pal.mpg portrait.mp4
run deep-colour convert out4.mp4 640 360 none deep444.mp4 deep422.mkv
run deep-colour-turned convert out5.mp4 360 640 turn deep422.mkv
run odd-3d steps odd.mkv 3d
run ts-new-stream-mid-read read newmid.ts
run ts-new-stream-at-open read newopen.ts
exit $failed
