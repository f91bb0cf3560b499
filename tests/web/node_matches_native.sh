#!/usr/bin/env bash
# Usage: node_matches_native.sh MIRRIM_CLI NODE NODE_RENDER_JS SCENE POINTER [SEED]
#   SCENE: a scene file, or "default" for the player's own scene; POINTER: X,Y held on every tick, or none;
#   SEED: where the random sequence starts.
# Plays the scene natively and in the page's WebAssembly player after several numbers of ticks; the
# particle dumps and the snapshots must be the same bytes each time.
set -euo pipefail
cli=$1 node=$2 node_render=$3 scene=$4 pointer=$5
options=()
[ "$scene" != default ] && options+=(--scene "$scene")
[ "$pointer" != none ] && options+=(--pointer "$pointer")
[ $# -ge 6 ] && options+=(--seed "$6")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for steps in 1 20 300; do
  "$cli" render "${options[@]}" --steps "$steps" --snapshot "$out/native.bmp" --dump-particles "$out/native.csv" >/dev/null
  "$node" "$node_render" "${options[@]}" --steps "$steps" --snapshot "$out/web.bmp" --dump-particles "$out/web.csv"
  cmp "$out/native.csv" "$out/web.csv" || { echo "particles differ after $steps ticks"; exit 1; }
  cmp "$out/native.bmp" "$out/web.bmp" || { echo "pictures differ after $steps ticks"; exit 1; }
  [ "$(stat -c %a "$out/web.bmp")" = "$(stat -c %a "$out/native.bmp")" ] || { echo "the snapshot's permissions differ"; exit 1; }
  echo "$steps ticks: $(($(wc -l < "$out/web.csv") - 1)) particles, the same in both"
done
