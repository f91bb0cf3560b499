#!/usr/bin/env bash
# How many frames a second the real window shows, under Xvfb: the default scene, then a scene of 100000
# particles, each with the usual ticks and with steady ones (Mirrim --steady). Each frame the window composes is timed by libframe_counter.so, preloaded; the first seconds
# (loading, the pool's first wake-up) are left out. A screenshot of each is kept to look at.
#   bench/window_ticks.sh [BUILD_DIR] [SECONDS]     (from anywhere; BUILD_DIR defaults to build)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=../tests/gui/xvfb.sh
. tests/gui/xvfb.sh
build=${1:-build}
seconds=${2:-10}
mirrim=$build/player/app/window/Mirrim
counter=$(readlink -f "$build/bench/libframe_counter.so")
for needed in "$mirrim" "$counter"; do
  [ -e "$needed" ] || { echo "build first: cmake --build $build --target Mirrim frame_counter"; exit 1; }
done

open_session 800x600x24

warmup=3
for run in ":" ":--steady" "tests/reference/stress.vq:" "tests/reference/stress.vq:--steady"; do
  scene=${run%%:*}
  mode=${run#*:}
  log="$work/frames"
  rm -f "$log"
  LD_PRELOAD="$counter" MIRRIM_FRAME_LOG="$log" "$mirrim" $mode $scene >"$work/mirrim.log" 2>&1 &
  mirrim_pid=$!
  sleep $((warmup + seconds))
  shot="$build/window-ticks-$(basename "${scene:-default}" .vq)${mode:+-steady}.png"
  import -window root "$shot" 2>/dev/null || true
  kill "$mirrim_pid"
  wait "$mirrim_pid" 2>/dev/null || true
  mirrim_pid=
  case $run in
    ":--steady") target="20.0" ;;
    *":--steady") target=">= 15" ;;
    *) target="report" ;;
  esac
  awk -v warmup="$warmup" -v scene="${scene:-the default scene}${mode:+, steady}" -v shot="$shot" -v target="$target" '
    NR == 1 { start = $1 + warmup * 1e9 }
    $1 >= start { if (!first) first = $1; last = $1; n++ }
    END {
      if (n < 2) { printf "%s: fewer than two frames after %d s\n", scene, warmup; exit 1 }
      rate = (n - 1) / ((last - first) / 1e9)
      printf "%s: %.1f frames a second over %.1f s (screenshot %s)\n", scene, rate, (last - first) / 1e9, shot
      met = target == "report" ? "yes" : target == "20.0" ? (rate >= 19.95 ? "yes" : "NO") : (rate >= 15 ? "yes" : "NO")
      printf "SUMMARY|window under Xvfb, %s: ticks a second|%s|%.1f|%s\n", scene, target, rate, met
    }' "$log"
done
