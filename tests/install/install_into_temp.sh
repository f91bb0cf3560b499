# Sourced by the install tests: installs the build BUILD_DIR ($1) into $prefix, a fresh folder removed on
# exit, and leaves the environment as a user's (no LD_LIBRARY_PATH).
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
unset LD_LIBRARY_PATH
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
