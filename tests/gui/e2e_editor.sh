#!/usr/bin/env bash
# Runs the real Mirrim under Xvfb and edits its scene with the keyboard while it plays:
#  - Ctrl+E opens the editor beside the picture, the window growing;
#  - choosing the force and typing a new DeltaY turns the falling particles into rising ones while the
#    animation goes on;
#  - Save (Alt+S) writes the scene's own file, which then holds the new value;
#  - Ctrl+E closes the editor and the window has its usual size again; Esc then ends the program
#    without a question, nothing being left unsaved;
#  - ended by SIGTERM with edits not saved, the program ends as signalled, asking nothing.
#   e2e_editor.sh MIRRIM_BINARY [PANEL_SCREENSHOT_COPY [CLIP_GIF]]
# With CLIP_GIF, the first edit is also filmed (ffmpeg's x11grab) into that animated GIF, for the guide.
# Exits 77 (skipped) when Xvfb, xdotool, ImageMagick's import or Pillow are missing.
set -euo pipefail

mirrim=$(readlink -f "${1:?usage: e2e_editor.sh MIRRIM_BINARY [PANEL_SCREENSHOT_COPY [CLIP_GIF]]}")
copy=${2:-}
clip=${3:-}
python=/usr/bin/python3
# shellcheck source=xvfb.sh
. "$(dirname "$(readlink -f "$0")")/xvfb.sh"

need_tools Xvfb xdotool import
open_session 1280x800x24
export LSAN_OPTIONS="suppressions=$(dirname "$(readlink -f "$0")")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# Particles thrown every way from the middle, pulled down by the force listed first.
printf '%s\r\n' constraint.Force '<DeltaX>0</DeltaX><DeltaY>0.4</DeltaY>' . factory.ParticleFactoryUniform \
  '<CenterX>160</CenterX><CenterY>120</CenterY><MinForce>0.5</MinForce><MaxForce>2</MaxForce><Amount>6</Amount>' . \
  constraint.RemoveAged '<MaximumAge>40</MaximumAge>' . >"$work/scene.vq"

# Gives Mirrim five seconds to end.
wait_for_end() {
  for _ in $(seq 50); do
    kill -0 "$mirrim_pid" 2>/dev/null || break
    sleep 0.1
  done
}

# Starts Mirrim on the scene and gives its window the keyboard.
start_editing() {
  start_mirrim "$work/scene.vq"
  xdotool windowfocus --sync "$window"
}

start_editing
usual="${WIDTH}x$HEIGHT"
import -window root -crop "$usual+$X+$Y" +repage "$work/default-window.png"
area="320x240+$((X + 10))+$((Y + 11))"

# Lit pixels above and below the middle of the drawing area; FILE [up|down] says which must dominate.
leaning() {
  "$python" - "$1" "$2" <<'EOF'
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("RGB")
lit = lambda rows: sum(1 for y in rows for x in range(320) if img.getpixel((x, y)) != (0, 0, 0))
above, below = lit(range(0, 110)), lit(range(130, 240))
print(f"{sys.argv[1].rsplit('/', 1)[-1]}: {above} lit pixels above the middle, {below} below")
more, fewer = (above, below) if sys.argv[2] == "up" else (below, above)
assert more >= 50 and more > 3 * fewer, f"the particles do not go {sys.argv[2]}"
EOF
}
sleep 2
import -window root -crop "$area" +repage "$work/falling.png"
leaning "$work/falling.png" down

xdotool key ctrl+e
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -gt $(( ${usual%x*} + 300 )) ] || { echo "FAIL: the editor did not widen the window ($WIDTH)"; exit 1; }
echo "with the editor: ${WIDTH}x$HEIGHT (usual $usual)"
filming=
if [ -n "$clip" ]; then
  ffmpeg -v error -y -f x11grab -framerate 20 -video_size "${WIDTH}x$HEIGHT" -i "$DISPLAY+$X,$Y" -t 7 \
    -c:v ffv1 "$work/clip.mkv" &
  filming=$!
  sleep 1
fi

# The force is the first constraint listed at the top of the editor; Return takes the keyboard to its
# first tag (Group), then Resource Only, DeltaX and DeltaY, which takes VALUE.
type_delta_y() {
  xdotool mousemove $((X + ${usual%x*} + 120)) $((Y + 17)) click 1
  sleep 0.3
  xdotool key Return Tab Tab Tab ctrl+a
  xdotool type --delay 20 -- "$1"
  xdotool key Return
}
type_delta_y -0.4
sleep 2.5
import -window root -crop "$area" +repage "$work/rising.png"
leaning "$work/rising.png" up
sleep 0.3
import -window root -crop "$area" +repage "$work/later.png"
"$python" - "$work/rising.png" "$work/later.png" <<'EOF'
import sys
from PIL import Image, ImageChops
a, b = (Image.open(name).convert("RGB") for name in sys.argv[1:3])
assert ImageChops.difference(a, b).getbbox() is not None, "the animation stopped after the edit"
EOF
[ -n "$copy" ] && import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$copy"
if [ -n "$filming" ]; then
  wait "$filming"
  ffmpeg -v error -y -i "$work/clip.mkv" -vf "fps=10,scale=iw*3/4:-1:flags=lanczos,split[a][b];[a]palettegen=max_colors=128[p];[b][p]paletteuse=dither=none" \
    -loop 0 "$clip"
fi

xdotool key alt+s
sleep 0.5
grep -q '<DeltaY>-0.400000</DeltaY>' "$work/scene.vq" || { echo "FAIL: Save did not write the scene's file"; cat "$work/scene.vq"; exit 1; }

xdotool key ctrl+e
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "${WIDTH}x$HEIGHT" = "$usual" ] || { echo "FAIL: closed, the editor left the window at ${WIDTH}x$HEIGHT, not $usual"; exit 1; }
# The window is the one it was before the editor opened, pixel for pixel but for the moving picture.
import -window root -crop "$usual+$X+$Y" +repage "$work/closed-window.png"
"$python" - "$work/default-window.png" "$work/closed-window.png" <<'EOF'
import sys
from PIL import Image, ImageChops, ImageDraw
before, after = (Image.open(name).convert("RGB") for name in sys.argv[1:3])
for img in (before, after):
    ImageDraw.Draw(img).rectangle((10, 11, 329, 250), fill=(0, 0, 0))
box = ImageChops.difference(before, after).getbbox()
assert box is None, f"closed, the editor leaves the window changed at {box}"
EOF

xdotool key Escape
wait_for_end
if kill -0 "$mirrim_pid" 2>/dev/null; then
  echo "FAIL: Mirrim still runs after Esc with nothing unsaved"; exit 1
fi
wait "$mirrim_pid" || { echo "FAIL: Mirrim ended with status $?"; cat "$work/mirrim.log"; exit 1; }
mirrim_pid=

# Ended by a signal with edits not saved, the program ends as signalled instead of asking about them.
start_editing
xdotool key ctrl+e
sleep 0.5
type_delta_y -0.1
sleep 0.3
kill -TERM "$mirrim_pid"
wait_for_end
if kill -0 "$mirrim_pid" 2>/dev/null; then
  echo "FAIL: SIGTERM with edits not saved did not end Mirrim"; exit 1
fi
status=0
wait "$mirrim_pid" || status=$?
mirrim_pid=
[ "$status" = 143 ] || { echo "FAIL: ended by SIGTERM with edits not saved: status $status"; cat "$work/mirrim.log"; exit 1; }
grep -q '<DeltaY>-0.400000</DeltaY>' "$work/scene.vq" || { echo "FAIL: the signal saved the edits"; exit 1; }
echo "PASS: Ctrl+E opens the editor; a force typed in turns falling particles into rising ones while they play; Save writes the scene's file; Ctrl+E gives the usual window back; SIGTERM over unsaved edits ends it"
