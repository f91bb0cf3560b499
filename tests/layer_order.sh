#!/usr/bin/env bash
# The layers include downwards only, in this order (docs/architecture.md):
#   platform < particle/core < particle/constraints < player/imaging < player/app < player/app/window,
#   and tools/ and web/ on top. A wrong-way #include fails this check, naming the file and line.
#   layer_order.sh SOURCE_DIR
set -uo pipefail
cd "$1"

# Wrong-way includes that exist today and are to go, as "file include": the registry's table of
# classes and the fast batch's rule kernels still live in core. Do not add to this list.
allowed=(
    "particle/core/ClassRegistry.cpp particle/constraints/AddedClasses.h"
    "particle/core/ClassRegistry.cpp particle/constraints/Cameleon.h"
    "particle/core/ClassRegistry.cpp particle/constraints/Force.h"
    "particle/core/ClassRegistry.cpp particle/constraints/ImageClear.h"
    "particle/core/ClassRegistry.cpp particle/constraints/ImageDeltaParticleFactory.h"
    "particle/core/ClassRegistry.cpp particle/constraints/ImageLoad.h"
    "particle/core/ClassRegistry.cpp particle/constraints/OmniForce.h"
    "particle/core/ClassRegistry.cpp particle/constraints/ParticleFactoryUniform.h"
    "particle/core/ClassRegistry.cpp particle/constraints/ParticlesSquare.h"
    "particle/core/ClassRegistry.cpp particle/constraints/RemoveAged.h"
    "particle/core/ClassRegistry.cpp particle/constraints/RemoveOutOfBounds.h"
    "particle/core/ClassRegistry.cpp particle/constraints/RenderSimple.h"
    "particle/core/ClassRegistry.cpp particle/constraints/VortexForce.h"
    "particle/core/ParticleRuleRun.cpp particle/constraints/Force.h"
    "particle/core/ParticleRuleRun.cpp particle/constraints/OmniForce.h"
    "particle/core/ParticleRuleRun.cpp particle/constraints/RemoveAged.h"
    "particle/core/ParticleRuleRun.cpp particle/constraints/RemoveOutOfBounds.h"
    "particle/core/ParticleRuleRun.cpp particle/constraints/VortexForce.h"
)

# Each rule: the folder whose files are checked, and an extended regular expression of the include
# paths they must not name.
rules=(
    "platform ^(particle|player|tools|web)/"
    "particle ^(player|tools|web)/"
    "particle/core ^particle/constraints/"
    "player ^(tools|web)/"
    "player/imaging ^player/app/"
    "player/recording ^player/app/"
    "player/app ^player/app/window/"
    "tools ^player/app/window/"
)

listed() { # listed NEEDLE ITEMS...
    local needle=$1 item
    shift
    for item in "$@"; do [ "$item" = "$needle" ] && return 0; done
    return 1
}

status=0
used=()
for rule in "${rules[@]}"; do
    read -r folder forbidden <<< "$rule"
    [ -d "$folder" ] || continue
    # Only the includes that name a forbidden path come back from grep.
    while IFS=: read -r file line text; do
        # player/app/window is above player/app: its own includes of itself are fine.
        if [ "$folder" = player/app ] && [[ $file == player/app/window/* ]]; then continue; fi
        [[ $text =~ \"([^\"]*)\" ]] && target=${BASH_REMATCH[1]}
        if listed "$file $target" "${allowed[@]}"; then
            used+=("$file $target")
            continue
        fi
        echo "$file:$line: includes $target, a layer above $folder" >&2
        status=1
    done < <(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"${forbidden#^}" --include='*.h' --include='*.cpp' "$folder")
done
# An exception no longer needed should leave the list, so that the include cannot come back.
for exception in "${allowed[@]}"; do
    listed "$exception" "${used[@]}" || echo "note: no longer needed, remove from the list: $exception"
done
exit $status
