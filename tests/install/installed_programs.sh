#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs what a user gets from there: mirrim-cli and Mirrim
# must find the installed libparticle.so by themselves (no LD_LIBRARY_PATH), and the desktop files,
# file types and icons must be valid.
#   installed_programs.sh BUILD_DIR
set -euo pipefail
# shellcheck source=tests/install/install_into_temp.sh
source "$(dirname "$0")/install_into_temp.sh"

# The library a program loads must be the installed one, not the build's.
uses_installed_library() {
    local lib
    lib=$(ldd "$1" | awk '/libparticle\.so/ {print $3}')
    [[ $lib == "$prefix"/* ]] || fail "$1 loads libparticle from '${lib:-nowhere}'"
}

cli=$prefix/bin/mirrim-cli
uses_installed_library "$cli"
"$cli" --version | grep -q '^mirrim-cli [0-9]' || fail "mirrim-cli --version"
scenes=("$prefix"/share/mirrim/scenes/*.zrk)
[ -e "${scenes[0]}" ] || fail "no scenes installed"
"$cli" check "${scenes[@]}" >/dev/null || fail "mirrim-cli check on the installed scenes"

window=$prefix/bin/Mirrim
if [ -e "$window" ]; then
    uses_installed_library "$window"
    QT_QPA_PLATFORM=offscreen "$window" --help | grep -q 'FILE' || fail "Mirrim --help"
    share=$prefix/share
    desktop-file-validate "$share"/applications/*.desktop
    grep -q '^Exec=Mirrim %f$' "$share"/applications/*.desktop || fail "the desktop file passes no file"
    appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml >/dev/null || fail "appstreamcli validate"
    XDG_DATA_DIRS=$share update-mime-database "$share/mime" 2>&1 | (! grep .) || fail "the MIME type file"
    for type in application/x-mirrim-scene application/x-mirrim-definition; do
        [ -e "$share/mime/${type}.xml" ] || fail "$type is not registered"
    done
    # Each icon is a picture of its folder's size, and the scalable one is well-formed XML.
    /usr/bin/python3 - "$share/icons/hicolor" <<'PY' || fail "icons"
import sys, xml.etree.ElementTree as xml
from PIL import Image
for size in (16, 32, 48, 64, 128, 256):
    assert Image.open(f"{sys.argv[1]}/{size}x{size}/apps/mirrim.png").size == (size, size), size
xml.parse(f"{sys.argv[1]}/scalable/apps/mirrim.svg")
PY
fi
echo "installed programs start from $prefix"
