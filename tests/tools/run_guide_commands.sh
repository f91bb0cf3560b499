#!/usr/bin/env bash
# Runs every command of the user's guide, with the built program in place of "mirrim-cli", from the
# repository root:
# - each line in a fenced code block of docs/*.md that starts with "mirrim-cli ";
# - each line starting with "$ mirrim-cli " in a ```console block, whose output (stdout and stderr) must
#   be exactly the lines that follow it, up to the next "$ " line or the end of the block.
# A command must exit 0 unless its line ends with a comment such as "# exits 1", which names the status
# it must give.
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
pending=""        # a console command waiting for the end of its shown output
pendingWhere=""
shown=""

# Runs one guide command (the text after "mirrim-cli"); sets status and output.
run() {
    output="$(bash -c "$(printf '%q' "$cli")$1" 2>&1 </dev/null)"
    status=$?
}

expectedStatus() {
    if [[ "$1" =~ \#[[:space:]]*exits[[:space:]]+([0-9]+)[[:space:]]*$ ]]; then
        echo "${BASH_REMATCH[1]}"
    else
        echo 0
    fi
}

report() { # where, command line, expected status, expected output or "-" for any
    local where="$1" line="$2" expected="$3" want="$4"
    commands=$((commands + 1))
    run "${line#mirrim-cli}"
    if [[ $status -ne $expected ]]; then
        failures=$((failures + 1))
        echo "FAIL $where: exit status $status, expected $expected"
    elif [[ "$want" != "-" && "$output" != "$want" ]]; then
        failures=$((failures + 1))
        echo "FAIL $where: the output differs from the guide's"
        diff <(printf '%s\n' "$want") <(printf '%s\n' "$output") | sed 's/^/  /'
    else
        echo "ok   $where: $line"
        return
    fi
    echo "  \$ $line"
    printf '%s\n' "$output" | sed 's/^/  | /'
}

finishPending() {
    if [[ -n "$pending" ]]; then
        report "$pendingWhere" "$pending" "$(expectedStatus "$pending")" "${shown%$'\n'}"
    fi
    pending=""
    shown=""
}

for doc in docs/*.md; do
    inBlock=0
    console=0
    lineNumber=0
    while IFS= read -r line || [[ -n "$line" ]]; do
        lineNumber=$((lineNumber + 1))
        if [[ "$line" =~ ^[[:space:]]*\`\`\`(.*)$ ]]; then
            finishPending
            inBlock=$((1 - inBlock))
            [[ $inBlock -eq 1 && "${BASH_REMATCH[1]}" == "console" ]] && console=1 || console=0
            continue
        fi
        [[ $inBlock -eq 1 ]] || continue
        if [[ $console -eq 1 ]]; then
            if [[ "$line" == "\$ "* ]]; then
                finishPending
                if [[ "$line" == "\$ mirrim-cli "* ]]; then
                    pending="${line#\$ }"
                    pendingWhere="$doc:$lineNumber"
                fi
            elif [[ -n "$pending" ]]; then
                shown+="$line"$'\n'
            fi
            continue
        fi
        [[ "$line" == "mirrim-cli "* ]] || continue
        report "$doc:$lineNumber" "$line" "$(expectedStatus "$line")" "-"
    done <"$doc"
    finishPending
done

echo "$commands commands, $failures failed"
[[ $commands -gt 0 && $failures -eq 0 ]]
