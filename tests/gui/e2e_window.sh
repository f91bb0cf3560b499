#!/usr/bin/env bash
# Runs the real Mirrim under Xvfb: the default scene must show particles inside the framed drawing area,
# holding the left button must make particles appear under the pointer, and Exit must end the program.
#   e2e_window.sh MIRRIM_BINARY [SCREENSHOT_COPY]
# Exits 77 (skipped) when Xvfb, xdotool, ImageMagick's import or Pillow are missing.
set -euo pipefail

mirrim=${1:?usage: e2e_window.sh MIRRIM_BINARY [SCREENSHOT_COPY]}
copy=${2:-}
python=/usr/bin/python3

for tool in Xvfb xdotool import; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done
if ! "$python" -c 'import PIL' 2>/dev/null; then
  echo "SKIP: Pillow is missing for $python (package python3-pil)"
  exit 77
fi

work=$(mktemp -d)
xvfb_pid=
mirrim_pid=
cleanup() {
  [ -n "$mirrim_pid" ] && kill "$mirrim_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display nobody uses; Xvfb writes the number it took.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
exec 3>&-
if [ ! -s "$work/display" ]; then
  echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work"
unset QT_QPA_PLATFORM
# Under the sanitizer build: leaks inside the system's libraries are not ours to report.
export LSAN_OPTIONS="suppressions=$(dirname "$(readlink -f "$0")")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

"$mirrim" >"$work/mirrim.log" 2>&1 &
mirrim_pid=$!

window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Mirrim$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "FAIL: no window named Mirrim appeared"; cat "$work/mirrim.log"; exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y, WIDTH, HEIGHT of the client area
echo "window $window at $X,$Y size ${WIDTH}x$HEIGHT"
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
echo "PASS: particles shown and steered, Exit ended the program"
