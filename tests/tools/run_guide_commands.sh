#!/usr/bin/env bash
# Runs every command of the user's guide: each line in a fenced code block of docs/*.md that starts
# with "mirrim-cli ", with the built program in its place, from the repository root. A command must exit
# 0 unless its line ends with a comment such as "# exits 1", which names the status it must give.
# Usage: run_guide_commands.sh MIRRIM_CLI
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cli="$1"
if [[ ! -x "$cli" ]]; then
    echo "run_guide_commands.sh: no program at '$cli'" >&2
    exit 2
fi
cd "$root" || exit 2

commands=0
failures=0
for doc in docs/*.md; do
    inBlock=0
    lineNumber=0
    while IFS= read -r line || [[ -n "$line" ]]; do
        lineNumber=$((lineNumber + 1))
        if [[ "$line" =~ ^[[:space:]]*\`\`\` ]]; then
            inBlock=$((1 - inBlock))
            continue
        fi
        [[ $inBlock -eq 1 && "$line" == "mirrim-cli "* ]] || continue
        expected=0
        if [[ "$line" =~ \#[[:space:]]*exits[[:space:]]+([0-9]+)[[:space:]]*$ ]]; then
            expected="${BASH_REMATCH[1]}"
        fi
        commands=$((commands + 1))
        output="$(bash -c "$(printf '%q' "$cli")${line#mirrim-cli}" 2>&1 </dev/null)"
        status=$?
        if [[ $status -ne $expected ]]; then
            failures=$((failures + 1))
            echo "FAIL $doc:$lineNumber: exit status $status, expected $expected"
            echo "  \$ $line"
            printf '%s\n' "$output" | sed 's/^/  | /'
        else
            echo "ok   $doc:$lineNumber: $line"
        fi
    done <"$doc"
done

echo "$commands commands, $failures failed"
[[ $commands -gt 0 && $failures -eq 0 ]]
