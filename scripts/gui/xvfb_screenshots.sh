#!/usr/bin/env bash
# Runs fablecut in a virtual X display under a window manager (openbox), with a
# fresh home folder, once per interface language and window size (the default
# size and the smallest the window allows), and takes screenshots of the main
# window, the Preferences dialog, the About box, the camcorder prompt, the
# folder chooser, an import's progress dialog and its failure report, the
# library with its Options menu and details view, the clip editor's pages,
# the snapshot dialog, the library-list export dialog and the output page.
# Every screenshot's text contrast is measured (text_contrast.py beside this
# script) into contrast.txt, with the tiles below 4.5:1 framed in red in a
# "-low" copy. Then SIGTERM must end the program with exit code 0, and the
# window must come back with the same geometry.
#
#   xvfb-run -a -s "-screen 0 1280x800x24" scripts/gui/xvfb_screenshots.sh <bin folder> <output folder>
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
BIN=$(cd "$1" && pwd)
OUT=$(mkdir -p "$2" && cd "$2" && pwd)
MEDIA=$OUT/media
mkdir -p "$MEDIA"
if [ ! -f "$MEDIA/clip6.mp4" ]; then
  for i in $(seq 1 6); do
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=size=640x480:rate=25" -f lavfi -i "sine=frequency=$((300 + i * 40))" \
      -t $((i + 1)) -c:v mpeg4 -c:a aac -shortest "$MEDIA/clip$i.mp4"
  done
  cp "$MEDIA/clip1.mp4" "$MEDIA/A holiday film with a rather long name, first day.mp4"
  # Enough files for the import's progress dialog to be seen.
  for i in $(seq 7 60); do cp "$MEDIA/clip$((i % 6 + 1)).mp4" "$MEDIA/clip$i.mp4"; done
  ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=440" -t 2 "$MEDIA/tone%.m4a"
  convert -size 64x48 xc:red "$MEDIA/a%4<b>.png"
  echo "not media" > "$MEDIA/notes.txt"
fi

# A window manager places, frames and focuses the windows as on a desktop.
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  openbox > "$OUT/openbox.log" 2>&1 &
  WM=$!
  sleep 1
fi

: > "$OUT/contrast.txt"
shot() {
  import -window root "$OUT/$1.png"
  python3 "$HERE/text_contrast.py" "$OUT/$1.png" --marked "$OUT/$1-low.png" >> "$OUT/contrast.txt"
}
winid() { xdotool search --sync --onlyvisible --class fablecut | head -1; }
# The client area's place on the screen (the frame's title bar excluded).
place() {
  eval "$(xwininfo -id "$W" | awk '/Absolute upper-left X/{print "WX="$4} /Absolute upper-left Y/{print "WY="$4}
                                     /^  Width/{print "WW="$2} /^  Height/{print "WH="$2}')"
}
# Opens the n-th menu of the menu bar: File, then Right to the next ones.
menu() {
  xdotool mousemove $((WX + 20)) $((WY + 10)) click 1; sleep 0.6
  for _ in $(seq 2 "$1"); do xdotool key Right; sleep 0.4; done
}
closeTop() { xdotool key Escape; sleep 0.6; }
# Answers the message box on top: a click on its OK button, at its lower right.
answer() {
  local box
  for box in $(xdotool search --onlyvisible --class fablecut); do
    [ "$box" = "$W" ] && continue
    eval "$(xwininfo -id "$box" | awk '/Absolute upper-left X/{print "BX="$4} /Absolute upper-left Y/{print "BY="$4}
                                      /^  Width/{print "BW="$2} /^  Height/{print "BH="$2}')"
    [ "$BW" -gt 100 ] && xdotool mousemove $((BX + BW - 40)) $((BY + BH - 20)) click 1
  done
  sleep 0.8
}
# Clicks an entry of the Preferences page list, at the dialog's left edge.
prefsPage() {
  local box
  for box in $(xdotool search --onlyvisible --class fablecut); do
    [ "$box" = "$W" ] && continue
    eval "$(xwininfo -id "$box" | awk '/Absolute upper-left X/{print "BX="$4} /Absolute upper-left Y/{print "BY="$4}')"
    xdotool mousemove $((BX + 20)) $((BY + 12 + 17 * ($1 - 1))) click 1
  done
  sleep 0.6
}

for L in ${LANGS:-en_US de_DE zh_CN}; do
  for SIZE in ${SIZES:-default minimum}; do
    T=$L-$SIZE
    export HOME=$OUT/home-$T
    rm -rf "$HOME"; mkdir -p "$HOME"
    export LANG=$L.UTF-8 LANGUAGE= LC_ALL= ASAN_OPTIONS=detect_leaks=0
    (cd "$BIN" && exec ./fablecut) > "$OUT/run-$T.log" 2>&1 &
    PID=$!
    sleep 5
    W=$(winid)
    if [ "$SIZE" = minimum ]; then xdotool windowsize "$W" 100 100; sleep 1.5; fi
    place
    echo "$T: window ${WW}x${WH} at $WX,$WY" >> "$OUT/contrast.txt"
    shot "main-$T"
    # Tools > Preference, then each of its pages.
    menu 2; xdotool key Return; sleep 1.2; shot "prefs-$T"
    for p in 2 3 4; do prefsPage $p; shot "prefs$p-$T"; done
    closeTop
    # Help > About.
    menu 3; xdotool key Up Return; sleep 1; shot "about-$T"; closeTop
    xdotool mousemove $((WX + WW / 2)) $((WY + WH / 2)) click 1; sleep 0.3
    # The camcorder button of the library: no camcorder here, so its message.
    xdotool mousemove $((WX + 74)) $((WY + 82)) click 1; sleep 1; shot "camcorder-$T"; answer
    # File > Import a Media Folder, then the folder's path into the chooser.
    menu 1; xdotool key Down Down Return; sleep 1.5; shot "folderdialog-$T"
    xdotool type --delay 15 "$MEDIA"; xdotool key Return; sleep 0.6
    if xdotool search --onlyvisible --name '^(Open|Öffnen|打开)$' > /dev/null 2>&1; then xdotool key Return; sleep 0.5; fi
    shot "progress-$T"
    for _ in $(seq 1 60); do
      sleep 0.5
      if xwininfo -root -tree | grep -q 'VRichMessageBox\|"fablecut": ("fablecut" "fablecut")  [3-7][0-9][0-9]x'; then break; fi
    done
    sleep 1; shot "report-$T"; answer
    place
    shot "library-$T"
    # The library's Options button sits at the right end of its tool row,
    # above the player's left edge: found on the screenshot by its place.
    LIBR=$((WX + WW * 56 / 100))
    xdotool mousemove $((LIBR)) $((WY + 82)) click 1; sleep 1; shot "options-$T"
    # Options > Export Media Library: its file dialog.
    xdotool key Down Down Return; sleep 1.5; shot "exportdialog-$T"; closeTop
    # Options > Details (the menu's last entry), then back to small icons.
    xdotool mousemove $((LIBR)) $((WY + 82)) click 1; sleep 0.8; xdotool key Up Return; sleep 1; shot "details-$T"
    xdotool mousemove $((LIBR)) $((WY + 82)) click 1; sleep 0.8; xdotool key Up Up Return; sleep 1
    # The first clip dragged onto the timeline; the editor pages open from the bar at the left.
    xdotool mousemove $((WX + 70)) $((WY + 130)) mousedown 1; sleep 0.3
    for step in 1 2 3 4 5 6; do xdotool mousemove $((WX + 70 + step * 30)) $((WY + 130 + step * 70)); sleep 0.15; done
    xdotool mouseup 1; sleep 2
    if [ "$SIZE" = default ]; then
      # The snapshot button of the main player: its Save dialog.
      xdotool mousemove $((WX + WW - 137)) $((WY + 442)) click 1; sleep 1.5; shot "snapshot-$T"; closeTop
    fi
    xdotool mousemove $((WX + 16)) $((WY + 143)) click 1; sleep 1; shot "effects-$T"
    xdotool mousemove $((WX + 16)) $((WY + 178)) click 1; sleep 1; shot "volume-$T"
    xdotool mousemove $((WX + 16)) $((WY + 213)) click 1; sleep 1; shot "3d-$T"
    xdotool mousemove $((WX + 16)) $((WY + 108)) click 1; sleep 0.6
    # The output page, then back.
    xdotool mousemove $((WX + WW / 2 + 33)) $((WY + 45)) click 1; sleep 1.5; shot "output-$T"
    xdotool mousemove $((WX + WW / 2 - 33)) $((WY + 45)) click 1; sleep 1
    xwininfo -id "$W" | grep -E "Absolute|Width|Height" > "$OUT/geometry1-$T.txt"
    kill -TERM $PID; wait $PID; echo "exit=$?" >> "$OUT/run-$T.log"
    (cd "$BIN" && exec ./fablecut) >> "$OUT/run-$T.log" 2>&1 &
    PID=$!
    sleep 5
    W=$(winid)
    xwininfo -id "$W" | grep -E "Absolute|Width|Height" > "$OUT/geometry2-$T.txt"
    kill -TERM $PID; wait $PID; echo "exit=$?" >> "$OUT/run-$T.log"
    if cmp -s "$OUT/geometry1-$T.txt" "$OUT/geometry2-$T.txt"; then echo "$T: same geometry"; else echo "$T: geometry differs"; fi
    grep exit= "$OUT/run-$T.log" | tr '\n' ' '; echo
  done
done
[ -n "${WM:-}" ] && kill "$WM"
grep -E "lowest|window" "$OUT/contrast.txt"
