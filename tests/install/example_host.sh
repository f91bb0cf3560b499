#!/usr/bin/env bash
# Builds examples/host against the installed particle package, once through find_package and once
# through pkg-config, and runs it; and checks that libparticle.so exports none of the library's
# private code.
#   example_host.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
# shellcheck source=tests/install/install_into_temp.sh
source "$(dirname "$0")/install_into_temp.sh"
source=$2

library=$(find "$prefix" -name 'libparticle.so.*.*' | head -n 1)
[ -n "$library" ] || fail "libparticle.so not installed"
# Classes and functions of headers that are not installed (rule runs, removal scans, the text
# rasteriser, the decimal conversions) stay inside.
leaks=$(nm -D --defined-only "$library" | c++filt | grep -E 'ParticleRuleRun|RemovalScan|text_raster|fast_float|fmt::' || true)
[ -z "$leaks" ] || fail "libparticle.so exports private code: $leaks"

cmake -S "$source/examples/host" -B "$tmp/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$tmp/cmake" >/dev/null
"$tmp/cmake/particle_host" > "$tmp/cmake.out" || fail "the host built with find_package"
grep -q '^constraint.VortexForce$' "$tmp/cmake.out" || fail "the host lists no classes"

pc_dir=$(dirname "$(find "$prefix" -name particle.pc)")
flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs particle)
libdir=$(PKG_CONFIG_PATH=$pc_dir pkg-config --variable=libdir particle)
# shellcheck disable=SC2086 # the flags are words
c++ -std=c++17 "$source/examples/host/main.cpp" -o "$tmp/pc_host" $flags -Wl,-rpath,"$libdir"
"$tmp/pc_host" > "$tmp/pc.out" || fail "the host built with pkg-config"
cmp -s "$tmp/cmake.out" "$tmp/pc.out" || fail "the two builds of the host differ"
tail -n 1 "$tmp/cmake.out"
