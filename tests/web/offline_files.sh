#!/usr/bin/env bash
# Usage: offline_files.sh WEB_SOURCE_DIR PAGE_DIR
# The service worker keeps every file of the page: a module missing from its list is never fetched
# again once the worker runs, so the page would not start without the network. Each listed file must
# be in the built page, and each of the page's own files in the sources must be listed.
set -euo pipefail
sources=$1 page=$2
listed=$(sed -n '/^const FILES = \[/,/\];/p' "$sources/sw.js" | grep -o "'[^']*'" | tr -d "'" | grep -v '^\./$')
status=0
for name in $listed; do
  [ -f "$page/$name" ] || { echo "listed but not in the page: $name"; status=1; }
done
for path in "$sources"/*.js "$sources"/*.css "$sources"/*.html "$sources"/*.png; do
  name=$(basename "$path")
  [ "$name" = sw.js ] && continue
  grep -qx "$name" <<<"$listed" || { echo "not listed: $name"; status=1; }
done
[ $status -eq 0 ] && echo "the service worker keeps all $(wc -w <<<"$listed") files of the page"
exit $status
