#!/usr/bin/env bash
# Writes docs/reference.md from what mirrim-cli itself reports, so the class reference cannot drift
# from the program: the class list in registry order ('mirrim-cli classes') and, per class, its tags
# with their defaults ('mirrim-cli describe CLASS'). Only the one-paragraph descriptions below are
# written by hand.
#
# Usage: docs/generate-reference.sh [MIRRIM_CLI [OUTPUT]]
#   MIRRIM_CLI  the built program (default: build/tools/mirrim-cli under the repository root)
#   OUTPUT      where to write (default: docs/reference.md under the repository root; - for stdout)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="${1:-$root/build/tools/mirrim-cli}"
output="${2:-$root/docs/reference.md}"

declare -A about
about[zrk.particle.ParticleBase]="The one particle class: a coloured point with a location, the location \
before its last move, a velocity, an age in steps and a group number. It is the only particle class, so \
every factory makes particles of this class and a factory's ParticleClass tag can stay empty. It has no \
tags of its own."
about[constraint.RemoveOutOfBounds]="Removes particles that have left a rectangle. The kept area runs from \
Left up to but not including Right, and from Top up to but not including Bottom. With CurrentOnly true \
only the current location is tested; with false a particle on the left or top side goes only when both \
its current and previous locations are outside, and on the right or bottom side as soon as either is. \
The defaults (0, 0, 640, 480) are twice the drawing area: set Right 320 and Bottom 240 to remove \
particles as soon as they leave the visible area."
about[constraint.Force]="Adds the same velocity change to every particle on every step: gravity \
(DeltaY positive pulls down) or wind (DeltaX). Group -1 acts on every particle; any other value only \
on particles of that group."
about[constraint.OmniForce]="Pulls particles towards a centre (negative Force) or pushes them away \
(positive Force). The strength is the full Force at RadiusIn and falls off smoothly (a raised cosine) \
to nothing at RadiusOut; particles at or beyond RadiusOut are not touched. A non-zero CenterZ lifts the \
centre above the drawing plane, which softens the pull near the centre."
about[constraint.RemoveAged]="Removes particles that have lived more than MaximumAge steps (a particle \
of exactly that age stays). Group -1 looks at every particle; any other value only at that group."
about[factory.ParticlesSquare]="Emits Amount particles per step at (CenterX, CenterY), each with an x \
velocity between MinDx and MaxDx, a y velocity between MinDy and MaxDy and a random hue between HueMin \
and HueMax (fractions of the colour circle, 0 to 1) at the given Saturation and Brightness. No particle \
is added while the system holds Limit or more (-1: no limit). Group is the group number given to the \
new particles. This is the factory the mouse fires unless a scene chooses another; marked Resource Only \
it emits only when something drives it (the mouse or an image delta factory)."
about[constraint.Cameleon]="Gives every particle the colour of the pixel of a picture under the middle \
of its last move. The picture is the one named Image Name in the picture store; when there is none yet, \
the file Image Filename is loaded once and stored under that name. A tag text without Image Name sets \
the name to \"Cameleon Image\". Pixels outside the picture read as mid grey."
about[render.RenderSimple]="Draws every particle into the picture RenderToImage as a streak along its \
last move, in two halves. Alpha is transparency: 0.0 is opaque, 1.0 invisible; Alpha Current applies at \
the particle's position, Alpha Previous at its previous position and Alpha Midpoint halfway. The \
defaults give streaks solid in the middle that fade towards both ends. To see the picture, the scene must \
show RENDER (direct frame off), usually after an image.ImageClear at the top of the list."
about[image.ImageClear]="Fills the picture Image with one colour (Red, Green, Blue, each 0 to 255; \
larger values keep only their low 8 bits) and then copies the picture Background Image over its \
top-left corner when that picture exists. Put it first in a scene that renders into RENDER, so that \
every frame starts clean."
about[constraint.ConstraintCollection]="A list of constraints loaded from another definition file: the \
path is DefLocation followed directly by DefFilename, so DefLocation ends with a slash. A relative \
path is relative to the including file: it is looked for beside that file, unless the working \
directory holds a file of that name, which comes first. Files may include files up to 16 deep, and one \
load reads at most 1000 included files (64 MiB of them); a file that is already being loaded is not \
loaded again, so a file including itself stops instead of looping. Resource Only true keeps the whole \
list from being applied."
about[factory.ParticleFactoryUniform]="Emits Amount particles per step at (CenterX, CenterY) in a fan: \
directions between MinAngle and MaxAngle in degrees (0 points right, 90 up), speeds between MinForce \
and MaxForce in pixels per step, hue, saturation and brightness between their bounds. With Randomize \
true every value is drawn at random within its range; with false the values are spread evenly over the \
batch. Limit and Group work as for factory.ParticlesSquare."
about[image.ImageLoad]="Loads one picture file per step into the picture Image. Image Filename is a \
pattern with one integer conversion such as %04d, filled with Current Index, which then counts up. With \
Loop true the index goes back to Start Index after End Index, or after the first file that fails to \
load when End Index is -1. A file that fails keeps the previous picture. A name without exactly one \
integer conversion is used as it stands, so the same file is loaded on every step."
about[factory.ImageDeltaParticleFactory]="Emits particles in the shape of a picture. For every pixel of \
the picture Delta Image Name that is not pure black, it writes the pixel's x and y into the tags X \
VariableName and Y VariableName of each constraint whose custom name equals Factory Resource, and \
applies that constraint. Definition text sets no custom names, so in a definition file Factory Resource \
stays empty and matches every other constraint of the list: a factory then emits at each lit pixel, but \
forces, removal rules and picture steps in the same list also run once per lit pixel. Mark the driven \
factory Resource Only so it does not fire a second time by itself, and keep the picture small: every lit \
pixel costs one application per step. The constraints are driven in list order, each over the whole \
picture, and the picture is looked up again after every application: a constraint that puts a black \
picture in its place ends the scan. scenes/star.vq drives only its factory that way."
about[constraint.VortexForce]="Turns particles about a centre: on every step each particle's velocity \
gains the move that would turn its position by Force radians about (CenterX, CenterY) (positive turns \
clockwise on screen). The strength falls off from RadiusIn to RadiusOut as for constraint.OmniForce. \
Small values (0.002 to 0.1) already swirl strongly."
about[constraint.ColourRamp]="Recolours particles on every step from a ramp of colour stops. Stops is a \
list of stops separated by semicolons, each \"position red green blue\" with an optional opacity from 0 \
to 1 (default 1); the stops may come in any order. By age the position is the particle's age, by speed \
its speed in pixels per step; with Span above 0 positions are fractions of Span (Span 100 and a stop at \
0.5: age 50), with Span 0 plain ages or speeds. Between stops colour and opacity are blended in a \
straight line; before the first stop and after the last the end stop holds. Opacity darkens the colour \
towards black (0.5: half as bright), so on a black picture particles fade out. A stop with fewer than \
four numbers is left out; up to 64 stops are read. Example: scenes/words.vq, scenes/orbits.vq (by speed)."
about[constraint.Turbulence]="A smooth, swirling push that changes over time: the curl of a noise field \
made from Seed, so it has no sources or sinks and particles stream and curl without bunching up. Scale \
is the size of a swirl in pixels, Strength scales the velocity change per step (up to a few times Strength where the \
field is steepest), Speed how far the field moves on per step, in swirls (0: a fixed field). The noise is \
computed from Seed alone and draws nothing from the random generator, so adding turbulence to a scene \
leaves every other constraint's draws as they were. Example: scenes/aurora.vq."
about[constraint.Attractor]="A point that pulls particles towards it, or pushes them away with a negative \
Strength: the pull at distance r is Strength x r / (r^2 + Softening^2)^1.5, which is Strength / r^2 far \
away and falls smoothly to nothing at the point itself, where an unsoftened pull would fling particles \
off. With Orbit Radius above 0 the point circles (CenterX, CenterY) at that radius, one turn every Orbit \
Period steps (negative: the other way round), starting to the right of the centre; draw-constraints marks \
it with a cross. Example: scenes/orbits.vq."
about[image.ImageFade]="Moves every pixel of the picture Image a fraction Factor of the way towards the \
colour Red, Green, Blue on every step (0 changes nothing, 1 clears to that colour). Every channel moves \
at least one level while it differs, so trails vanish completely. Put it where image.ImageClear would \
go in a scene that renders into RENDER: what was drawn fades out over the next steps instead of staying \
or vanishing at once. Example: scenes/trails.vq."
about[image.ImageText]="Writes a line of text into the picture Image, in DejaVu Sans (the font shipped \
with the program, the same pixels on every machine and in the browser). Font Size is the height of the \
em in pixels (at most 256), X and Y the top-left corner of the line, Red, Green and Blue the colour, \
blended over the picture by how much of each pixel the letters cover. When there is no picture of that \
name it makes a black one of Width x Height. It writes on its first step and then every Every steps (0: \
only the first). An image delta factory reading the picture emits particles in the shape of the words; \
list the text step after the delta factory, or the delta factory drives it too, once per lit pixel. \
Text is UTF-8, up to 128 characters. Example: scenes/words.vq."
about[constraint.Seed]="Carries the seed of the random sequence in the scene: when the scene is loaded \
by mirrim-cli run or render, the sequence starts from Seed (0 to 2147483647; 1 is where it starts \
without a seed; a negative value carries none), so one scene can be played in many variations. \
It does nothing on a step. The first seed block of the list counts, and mirrim-cli's --seed overrides \
it. Readers that do not know the class skip its block and play the default sequence. See \
[variations.md](variations.md)."
about[render.RenderLight]="Adds light into the picture RenderToImage instead of painting over it, so \
density shows where particles crowd. Every particle adds its colour times Opacity, shared evenly over \
the pixels of its last move, into a buffer of light the size of the picture; on every step the light \
already there first loses the fraction Decay (1: only this step's light; smaller values leave trails). \
The buffer is then tone-mapped: a channel holding light L becomes 255 x (log(1 + Density x Exposure x L) \
/ log(1 + Density))^(1 / Gamma), at most 255 (Density 0: 255 x (Exposure x L)^(1 / Gamma)), so a few \
particles and a crowd of thousands show at once. With Glow Radius above 0 the light above Glow Threshold \
is blurred over that many pixels and added again times Glow Strength. The result is added onto what the \
picture holds, so put an image.ImageClear first (its colour or background picture stays under the \
light). A still white particle with Opacity 1 brings one unit of light. The same pictures come out on \
any number of threads and in the browser. Pictures above 40 million pixels are not drawn. Examples: \
scenes/light-galaxy.vq, scenes/glow-fountain.vq."

# Sample pictures shown under a class's description.
declare -A picture
picture[constraint.ColourRamp]="samples/words.gif"
picture[constraint.Turbulence]="samples/aurora.gif"
picture[constraint.Attractor]="samples/orbits.gif"
picture[image.ImageFade]="samples/trails.gif"
picture[image.ImageText]="samples/words.gif"
picture[render.RenderLight]="samples/light-galaxy.png"

if [[ ! -x "$cli" ]]; then
    echo "generate-reference.sh: no program at '$cli'; build first (cmake --build build)" >&2
    exit 1
fi

# Registry order: the indented lines of 'classes' are the identifiers.
mapfile -t classes < <("$cli" classes | sed -n 's/^  \([^ ].*\)$/\1/p')
if [[ ${#classes[@]} -eq 0 ]]; then
    echo "generate-reference.sh: '$cli classes' listed no classes" >&2
    exit 1
fi

generate() {
    echo "# Class reference"
    echo
    echo "<!-- Generated by docs/generate-reference.sh from 'mirrim-cli classes' and 'mirrim-cli describe'."
    echo "     Do not edit by hand: change the descriptions in the script and run it again. -->"
    echo
    echo "Every class the engine can create, in the order of its class registry. Each block shows what"
    echo "\`mirrim-cli describe CLASS\` prints: the class's tags holding their default values, in the order"
    echo "the class reads them. Paste a block under the class identifier in a definition file, keep the"
    echo "tags you want to change and delete the rest (a missing tag keeps its default). Lines starting"
    echo "with \`//\` are explanations. See [scenes.md](scenes.md) for the format."
    echo
    for c in "${classes[@]}"; do
        echo "- [\`$c\`](#$(echo "$c" | tr -d '.' | tr '[:upper:]' '[:lower:]'))"
    done
    for c in "${classes[@]}"; do
        echo
        echo "## $c"
        echo
        if [[ -z "${about[$c]:-}" ]]; then
            echo "generate-reference.sh: no description for '$c'; add one to the 'about' table" >&2
            return 1
        fi
        echo "${about[$c]}" | fold -s -w 100 | sed 's/ *$//'
        if [[ -n "${picture[$c]:-}" ]]; then
            echo
            echo "![$c](${picture[$c]})"
        fi
        echo
        echo '```'
        "$cli" describe "$c" | tr -d '\r'
        echo '```'
    done
}

if [[ "$output" == "-" ]]; then
    generate
else
    tmp="$(mktemp "${output}.XXXXXX")"
    trap 'rm -f "$tmp"' EXIT
    generate >"$tmp"
    mv "$tmp" "$output"
    trap - EXIT
fi
