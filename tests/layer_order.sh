#!/usr/bin/env bash
# The layers include downwards only, in this order (docs/architecture.md):
#   platform < particle/core < particle/constraints < player/imaging < player/app < player/app/window,
#   and tools/ and web/ on top. A wrong-way #include fails this check, naming the file and line.
#   layer_order.sh SOURCE_DIR
set -uo pipefail
cd "$1"

# Each rule: the folder whose files are checked, and an extended regular expression of the include
# paths they must not name.
rules=(
    "platform ^(particle|player|tools|web)/"
    "particle ^(player|tools|web)/"
    "particle/core ^particle/constraints/"
    "player ^(tools|web)/"
    "player/imaging ^player/app/"
    "player/imaging/codecs ^player/imaging/video/"
    "player/imaging/store ^player/imaging/video/"
    "player/app ^player/app/window/"
    "tools ^player/app/window/"
)

status=0
for rule in "${rules[@]}"; do
    read -r folder forbidden <<< "$rule"
    [ -d "$folder" ] || continue
    # Only the includes that name a forbidden path come back from grep.
    while IFS=: read -r file line text; do
        # player/app/window is above player/app: its own includes of itself are fine.
        if [ "$folder" = player/app ] && [[ $file == player/app/window/* ]]; then continue; fi
        [[ $text =~ \"([^\"]*)\" ]] && target=${BASH_REMATCH[1]}
        echo "$file:$line: includes $target, a layer above $folder" >&2
        status=1
    done < <(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"${forbidden#^}" --include='*.h' --include='*.cpp' "$folder")
done
exit $status
