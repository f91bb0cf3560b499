#!/usr/bin/env bash
# Fails when docs/reference.md no longer matches what the built mirrim-cli reports about its classes.
# Usage: check_reference.sh MIRRIM_CLI
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cli="$1"
fresh="$(mktemp)"
trap 'rm -f "$fresh"' EXIT
"$root/docs/generate-reference.sh" "$cli" "$fresh"
if ! diff -u "$root/docs/reference.md" "$fresh"; then
    echo "docs/reference.md is out of date: run docs/generate-reference.sh and commit the result." >&2
    exit 1
fi
