#!/usr/bin/env bash
# Runs the real Mirrim under Xvfb, without a window manager:
#  - without a display it says so in one line and ends with status 2; --help and --version need none;
#  - the window is announced as an ordinary window, not a modal dialog;
#  - the default scene shows particles inside the framed drawing area, holding the left button makes
#    particles appear under the pointer, and Exit ends the program;
#  - `Mirrim scenes/star.zrk` (started elsewhere) shows particles along the star, Space stops and
#    starts the animation, and at 2x the drawing area is the 1x one with every pixel doubled, or with
#    Smooth chosen drawn anew with soft edges;
#  - at start Clear shows its focus rectangle;
#  - ended by SIGTERM, SIGINT or SIGHUP while recording (MP4, AVI, GIF), the window completes the file.
#   e2e_window.sh MIRRIM_BINARY [SCREENSHOT_COPY [STAR_WINDOW_COPY [SMOOTH_AREA_COPY]]]
# Exits 77 (skipped) when Xvfb, xdotool, xprop, ImageMagick's import or Pillow are missing.
set -euo pipefail

mirrim=$(readlink -f "${1:?usage: e2e_window.sh MIRRIM_BINARY [SCREENSHOT_COPY [STAR_WINDOW_COPY [SMOOTH_AREA_COPY]]]}")
copy=${2:-}
star_copy=${3:-}
smooth_copy=${4:-}
scenes=$(dirname "$(readlink -f "$0")")/../../scenes
python=/usr/bin/python3
# shellcheck source=xvfb.sh
. "$(dirname "$(readlink -f "$0")")/xvfb.sh"

no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
status=0
said=$("${no_display[@]}" "$mirrim" 2>&1) || status=$?
if [ "$status" != 2 ] || [ "$(printf '%s\n' "$said" | wc -l)" != 1 ]; then
  echo "FAIL: without a display: status $status, said:"; printf '%s\n' "$said"; exit 1
fi
echo "without a display: $said"
"${no_display[@]}" "$mirrim" --help | grep -q -- '--version' || { echo "FAIL: --help without a display"; exit 1; }
"${no_display[@]}" "$mirrim" --version | grep -q '^Mirrim ' || { echo "FAIL: --version without a display"; exit 1; }

need_tools Xvfb xdotool xprop import ffprobe
open_session 1024x768x24
# Under the sanitizer build: leaks inside the system's libraries are not ours to report.
export LSAN_OPTIONS="suppressions=$(dirname "$(readlink -f "$0")")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

start_mirrim
xdotool windowfocus --sync "$window"

# What the window manager would go by: an ordinary window, not a modal dialog for some other window.
xprop -id "$window" _NET_WM_WINDOW_TYPE _NET_WM_STATE WM_TRANSIENT_FOR | tee "$work/xprop.txt"
grep -q '^_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NORMAL$' "$work/xprop.txt" \
  || { echo "FAIL: the window is not of the normal type"; exit 1; }
if grep -q 'MODAL\|^WM_TRANSIENT_FOR(WINDOW)' "$work/xprop.txt"; then
  echo "FAIL: the window is announced as modal or transient"; exit 1
fi
# The drawing area starts at dialog units (7, 7): 10 x 11 pixels into the client area.
area_x=$((X + 10))
area_y=$((Y + 11))

sleep 1.5 # let the default scene run for a while
import -window root "$work/start.png"
[ -n "$copy" ] && cp "$work/start.png" "$copy"

# Particles near the centre of the drawing area, the two-pixel edge around it, the texture beyond.
"$python" - "$work/start.png" "$area_x" "$area_y" <<'EOF'
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("RGB")
ax, ay = int(sys.argv[2]), int(sys.argv[3])
lit = sum(1 for x in range(ax + 120, ax + 200) for y in range(ay + 80, ay + 160) if img.getpixel((x, y)) != (0, 0, 0))
print(f"lit pixels near the centre: {lit}")
assert lit >= 10, "no particles in the middle of the drawing area"
corner = [img.getpixel((ax + x, ay + y)) for x in range(3) for y in range(3)]
assert all(p == (0, 0, 0) for p in corner), f"drawing area corner not black: {corner}"
for d in (1, 2):
    for p in (img.getpixel((ax - d, ay + 100)), img.getpixel((ax + 100, ay - d)),
              img.getpixel((ax + 319 + d, ay + 100)), img.getpixel((ax + 100, ay + 239 + d))):
        assert p != (0, 0, 0), f"no edge {d} pixel(s) outside the drawing area: {p}"
p = img.getpixel((ax - 5, ay + 100))
assert 180 <= p[0] <= 204 and p[0] == p[1] == p[2], f"window background is not the grey texture: {p}"
EOF

# Clear, the first button, shows its focus rectangle at start: its picture differs from the one it has
# once Tab has moved the focus on. The button is at (10, 264), 20 x 19 pixels.
xdotool key Tab
sleep 0.3
import -window root "$work/tabbed.png"
"$python" - "$work/start.png" "$work/tabbed.png" "$((X + 10))" "$((Y + 264))" <<'EOF'
import sys
from PIL import Image
start, tabbed = (Image.open(name).convert("RGB") for name in sys.argv[1:3])
bx, by = int(sys.argv[3]), int(sys.argv[4])
box = (bx, by, bx + 20, by + 19)
differ = sum(1 for a, b in zip(start.crop(box).getdata(), tabbed.crop(box).getdata()) if a != b)
print(f"Clear's focus rectangle at start: {differ} pixels")
assert differ >= 20, "Clear does not show its focus at start"
EOF

# Hold the left button far from the default scene's emitter and look there.
hold_x=$((area_x + 40))
hold_y=$((area_y + 200))
xdotool mousemove "$hold_x" "$hold_y" mousedown 1
sleep 1
import -window root "$work/held.png"
xdotool mouseup 1
"$python" - "$work/held.png" "$hold_x" "$hold_y" <<'EOF'
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("RGB")
hx, hy = int(sys.argv[2]), int(sys.argv[3])
lit = sum(1 for x in range(hx - 25, hx + 26) for y in range(hy - 25, hy + 26) if img.getpixel((x, y)) != (0, 0, 0))
print(f"lit pixels around the held pointer: {lit}")
assert lit >= 10, "holding the button made no particles under the pointer"
EOF

# Exit ends the program. The button sits at dialog units (195, 163), 40 x 19 pixels.
xdotool mousemove $((X + 292 + 20)) $((Y + 264 + 9)) click 1
for _ in $(seq 50); do
  kill -0 "$mirrim_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$mirrim_pid" 2>/dev/null; then
  echo "FAIL: Mirrim still runs after Exit"; exit 1
fi
wait "$mirrim_pid" || { echo "FAIL: Mirrim ended with status $?"; cat "$work/mirrim.log"; exit 1; }
mirrim_pid=

# The star, started from another directory: its picture is found beside the scene file.
cd "$work"
start_mirrim "$scenes/star.zrk"
xdotool windowfocus --sync "$window"
grab_area() { # FILE ZOOM: the drawing area as it is on the screen
  import -window root -crop "$((320 * $2))x$((240 * $2))+$((X + 10 * $2))+$((Y + 11 * $2))" +repage "$1"
}
sleep 1.5
grab_area "$work/star.png" 1
if [ -n "$star_copy" ]; then
  import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$star_copy"
fi
"$python" - "$work/star.png" "$scenes/shape0.gif" <<'EOF'
import sys
from PIL import Image, ImageFilter
shot = Image.open(sys.argv[1]).convert("RGB")
# Where the star's outline is, widened by the way its particles drift in their 18 steps.
near = Image.open(sys.argv[2]).convert("L").point(lambda v: 255 if v else 0).filter(ImageFilter.MaxFilter(41))
lit = [(x, y) for x in range(320) for y in range(240) if shot.getpixel((x, y)) != (0, 0, 0)]
inside = sum(1 for p in lit if near.getpixel(p))
print(f"lit pixels: {len(lit)}, {inside} of them along the star")
assert len(lit) >= 300, "too few particles"
assert inside >= 0.97 * len(lit), "particles away from the star's outline"
# The five tips and the five inner corners each have particles near them.
for x, y in [(160, 35), (250, 96), (214, 200), (106, 200), (70, 96), (184, 92), (198, 140), (160, 165), (122, 140), (138, 92)]:
    assert any(abs(px - x) < 25 and abs(py - y) < 25 for px, py in lit), f"nothing near ({x}, {y})"
EOF

# Space stops the animation (the picture holds still) and starts it again.
same_after_a_while() {
  grab_area "$work/a.png" 1
  sleep 0.5
  grab_area "$work/b.png" 1
  "$python" - "$work/a.png" "$work/b.png" <<'EOF'
import sys
from PIL import Image, ImageChops
a, b = (Image.open(name).convert("RGB") for name in sys.argv[1:3])
sys.exit(0 if ImageChops.difference(a, b).getbbox() is None else 1)
EOF
}
same_after_a_while && { echo "FAIL: the star does not move while playing"; exit 1; }
xdotool key space
sleep 0.3
same_after_a_while || { echo "FAIL: Space did not stop the animation"; exit 1; }
xdotool key space
sleep 0.3
same_after_a_while && { echo "FAIL: Space did not start the animation again"; exit 1; }
xdotool key space
sleep 0.3

# Stopped, the picture at 2x is the 1x picture with each pixel doubled.
grab_area "$work/one.png" 1
xdotool key ctrl+plus
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
if [ "$WIDTH" != 698 ] || [ "$HEIGHT" != 594 ]; then
  echo "FAIL: at 2x the window is ${WIDTH}x$HEIGHT"; exit 1
fi
grab_area "$work/two.png" 2
"$python" - "$work/one.png" "$work/two.png" <<'EOF'
import sys
from PIL import Image, ImageChops
one = Image.open(sys.argv[1]).convert("RGB")
two = Image.open(sys.argv[2]).convert("RGB")
lit = sum(1 for p in one.getdata() if p != (0, 0, 0))
assert lit >= 300, f"only {lit} lit pixels at 1x"
doubled = one.resize((640, 480), Image.NEAREST)
assert ImageChops.difference(doubled, two).getbbox() is None, "the 2x picture is not the 1x one doubled"
print(f"the 2x drawing area is the 1x one doubled ({lit} lit pixels)")
EOF

# Smooth, chosen from the popup's Zoom menu, draws the picture anew at 2x: streaks with soft edges, so
# pixels no longer come in uniform 2 x 2 blocks. The choice is remembered.
xdotool key shift+F10
sleep 0.5
xdotool key z
sleep 0.5
xdotool key s
for _ in $(seq 20); do
  grep -q '^smoothZoom=true$' "$work/config/Mirrim/Mirrim.conf" && break
  sleep 0.1
done
grep -q '^smoothZoom=true$' "$work/config/Mirrim/Mirrim.conf" || { echo "FAIL: Smooth is not chosen or not remembered"; exit 1; }
xdotool key space
sleep 0.5
xdotool key space
sleep 0.3
grab_area "$work/smooth.png" 2
[ -n "$smooth_copy" ] && cp "$work/smooth.png" "$smooth_copy"
"$python" - "$work/smooth.png" <<'EOF'
import sys
from PIL import Image
px = Image.open(sys.argv[1]).convert("RGB").load()
blocks = [{px[x, y], px[x + 1, y], px[x, y + 1], px[x + 1, y + 1]} for x in range(0, 640, 2) for y in range(0, 480, 2)]
mixed = sum(1 for block in blocks if len(block) > 1)
lit = sum(1 for block in blocks if block != {(0, 0, 0)})
print(f"smooth at 2x: {mixed} of {lit} lit 2 x 2 blocks not uniform")
assert lit >= 300 and mixed >= lit // 4, "the smooth picture is the pixels doubled"
EOF
xdotool key Escape
for _ in $(seq 50); do
  kill -0 "$mirrim_pid" 2>/dev/null || break
  sleep 0.1
done
wait "$mirrim_pid" || { echo "FAIL: Mirrim ended with status $? after Esc"; cat "$work/mirrim.log"; exit 1; }
mirrim_pid=

# Ended by a signal while recording, the window completes the file as closing it would.
wait_for_window() { # NAME: waits until a window of that name is shown and has the keyboard
  local shown
  for _ in $(seq 100); do
    shown=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    if [ -n "$shown" ]; then
      # Keys typed before the dialog's field has the focus are lost under load (a path without its
      # first character is saved somewhere else).
      xdotool windowactivate --sync "$shown" >/dev/null 2>&1 || xdotool windowfocus --sync "$shown"
      sleep 0.3
      return 0
    fi
    sleep 0.1
  done
  echo "FAIL: no window named $1 appeared"; cat "$work/mirrim.log"; exit 1
}
for case in mp4:TERM:143 avi:INT:130 gif:HUP:129; do
  IFS=: read -r type signal expected <<<"$case"
  video="$work/signalled.$type"
  start_mirrim
  xdotool windowfocus --sync "$window"
  xdotool key r
  wait_for_window 'Save As'
  xdotool type --delay 5 "$video"
  xdotool key Return
  if [ "$type" = avi ]; then
    wait_for_window 'Choose Compressor'
    xdotool key Return
  fi
  sleep 1.5
  status=0
  kill "-$signal" "$mirrim_pid"
  wait "$mirrim_pid" || status=$?
  mirrim_pid=
  [ "$status" = "$expected" ] || { echo "FAIL: SIG$signal while recording $type: status $status"; cat "$work/mirrim.log"; exit 1; }
  probe=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames:format=duration \
    -of default=noprint_wrappers=1 "$video" 2>&1) || true
  echo "SIG$signal while recording $type:" $probe
  frames=$(printf '%s\n' "$probe" | sed -n 's/^nb_read_frames=//p')
  duration=$(printf '%s\n' "$probe" | sed -n 's/^duration=//p')
  if [ "$(printf '%s\n' "$probe" | grep -vc '=')" != 0 ] || [ "${frames:-0}" -lt 10 ] \
    || ! awk -v d="${duration:-0}" 'BEGIN { exit !(d + 0 > 0.3) }'; then
    echo "FAIL: SIG$signal left an incomplete $type file"; ls -la "$work"; cat "$work/mirrim.log"; exit 1
  fi
  if ls "$video".?????? >/dev/null 2>&1; then
    echo "FAIL: SIG$signal left a temporary file:" "$video".??????; exit 1
  fi
done
echo "PASS: an ordinary window; Clear focused at start; particles shown and steered; the star plays, Space stops and starts it, 2x doubles it or draws it smooth; Exit and Esc end the program; recordings survive SIGTERM, SIGINT and SIGHUP"
