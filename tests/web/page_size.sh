#!/usr/bin/env bash
# Usage: page_size.sh PAGE_DIR
# The page's WebAssembly and scripts together (the scenes embedded in them included) stay within 1.5 MB.
set -euo pipefail
limit=1500000
total=0
for file in "$1"/*.wasm "$1"/*.js; do
  size=$(stat -c %s "$file")
  echo "$(basename "$file"): $size bytes"
  total=$((total + size))
done
echo "together: $total bytes, at most $limit"
[ "$total" -le "$limit" ]
