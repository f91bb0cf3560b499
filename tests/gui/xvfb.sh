# Sourced by the scripts that run the real window under a private X server (the end-to-end tests and
# bench/window_ticks.sh).
#   start_xvfb WORK GEOMETRY   starts Xvfb on a display nobody uses, sets xvfb_pid (for the caller's
#                              cleanup) and DISPLAY; on failure says why, with Xvfb's log, and returns 1.
start_xvfb() {
  local work=$1 geometry=$2
  # Xvfb writes the number of the display it took. Without -noreset it starts over whenever its last
  # client leaves, and a window started in that moment cannot connect.
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  exec 3>&-
  if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start"
    cat "$work/xvfb.log"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$work/display")"
}

# need_tools TOOL...   ends the script as skipped (status 77) when a tool, or Pillow for Debian's
#                      python3, is missing.
need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/setup installs it)"
      exit 77
    fi
  done
  if ! /usr/bin/python3 -c 'import PIL' 2>/dev/null; then
    echo "SKIP: Pillow is missing for /usr/bin/python3 (package python3-pil)"
    exit 77
  fi
}

# open_session GEOMETRY   a private folder ($work) and X server for the window, both gone when the
#                         script ends, with the window ($mirrim_pid) if it still runs; what the window
#                         remembers and its runtime files stay in $work.
open_session() {
  work=$(mktemp -d)
  xvfb_pid=
  mirrim_pid=
  trap close_session EXIT
  start_xvfb "$work" "$1" || exit 1
  export XDG_RUNTIME_DIR="$work"
  export XDG_CONFIG_HOME="$work/config"
  unset QT_QPA_PLATFORM
}
close_session() {
  [ -n "$mirrim_pid" ] && kill "$mirrim_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}

# start_mirrim ARGS...   starts $mirrim with the arguments and waits for its window: sets mirrim_pid,
#                         window, X, Y, WIDTH, HEIGHT; its output goes to $work/mirrim.log.
start_mirrim() {
  "$mirrim" "$@" >"$work/mirrim.log" 2>&1 &
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
}
