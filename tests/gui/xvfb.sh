# Sourced by the scripts that run the real window under a private X server (the end-to-end test and
# bench/window_ticks.sh).
#   start_xvfb WORK GEOMETRY   starts Xvfb on a display nobody uses, sets xvfb_pid (for the caller's
#                              cleanup) and DISPLAY; on failure says why, with Xvfb's log, and returns 1.
start_xvfb() {
  local work=$1 geometry=$2
  # Xvfb writes the number of the display it took.
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp >"$work/xvfb.log" 2>&1 &
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
