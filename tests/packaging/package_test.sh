#!/usr/bin/env bash
# Builds the .deb and the .tar.gz with CPack from a built tree and checks
# them: control fields and dependencies, the exact file list, the desktop
# entry and AppStream data (validated), the icons, an install and removal
# with dpkg into a scratch root, and the game started from each unpacked
# tree. As root on CI it also installs the .deb into the real system and
# removes it again.
#
#   tests/packaging/package_test.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/packaging/checks.sh
. "$here/checks.sh"

app_id=org.tessalorium.Tessalorium
version=1.0.0
arch=$(dpkg --print-architecture)

work=$(mktemp -d "${TMPDIR:-/tmp}/tessalorium package.XXXXXX")
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
# The file name is made of the package name, version and architecture fields.
deb="$work/out/tessalorium_${version}_${arch}.deb"
tgz=$(echo "$work"/out/tessalorium-"$version"-*.tar.gz)
expect_true "CPack made the .deb" test -f "$deb"
expect_true "CPack made the .tar.gz" test -f "$tgz"

# Starts the launcher of an unpacked tree on the dummy video driver; the
# title screen runs until the game is killed, while a game that cannot load
# its pictures ends at once with status 0.
game_keeps_running() { # LAUNCHER
    local status=0
    mkdir -p "$work/player" "$work/cwd"
    (cd "$work/cwd" && env -i PATH="$PATH" HOME="$work/player" SDL_VIDEODRIVER=dummy \
        timeout -s KILL 3 "$1" >/dev/null 2>&1) 2>/dev/null || status=$?
    [ "$status" -eq 124 ] || [ "$status" -eq 137 ]
}

echo "== Control fields"
field() { dpkg-deb -f "$deb" "$1"; }
expect_eq "section" games "$(field Section)"
expect_eq "priority" optional "$(field Priority)"
expect_true "a maintainer with an address" grep -qE '^[^<]+ <[^ >]+@[^ >]+>$' <<<"$(field Maintainer)"
expect_true "a summary and a long description" test "$(dpkg-deb -f "$deb" Description | wc -l)" -ge 3
depends=$(field Depends)
expect_true "sdl12-compat is the first choice for SDL 1.2 (it scales the window)" \
    grep -qE '(^|, )libsdl1\.2-compat-shim \| libsdl1\.2debian(,|$)' <<<"$depends"
expect_true "the C and C++ runtimes found by dpkg-shlibdeps" \
    grep -qE 'libc6 \(>= [0-9.]+\).*libstdc\+\+6' <<<"$depends"
expect_true "the x tools that tell the screen size are recommended" \
    grep -q 'x11-utils' <<<"$(field Recommends)"

echo "== Files"
dpkg-deb -c "$deb" | awk '{ print $1 " " $6 }' | sed 's| \./| /|; s|/$||' | sort >"$work/deb.list"
sed 's/^[^ ]* //' "$work/deb.list" | grep -v '^/$' >"$work/deb.paths" || true
cat >"$work/wanted" <<EOF
/usr/bin/tessalorium
/usr/libexec/tessalorium/tessalorium
/usr/share/applications/$app_id.desktop
/usr/share/doc/tessalorium/LICENSE
/usr/share/doc/tessalorium/LICENSE.graphics.md
/usr/share/doc/tessalorium/OFL.txt
/usr/share/doc/tessalorium/changelog.gz
/usr/share/doc/tessalorium/copyright
/usr/share/icons/hicolor/128x128/apps/tessalorium.png
/usr/share/icons/hicolor/16x16/apps/tessalorium.png
/usr/share/icons/hicolor/256x256/apps/tessalorium.png
/usr/share/icons/hicolor/32x32/apps/tessalorium.png
/usr/share/icons/hicolor/48x48/apps/tessalorium.png
/usr/share/icons/hicolor/64x64/apps/tessalorium.png
/usr/share/lintian/overrides/tessalorium
/usr/share/man/man6/tessalorium.6.gz
/usr/share/metainfo/$app_id.metainfo.xml
/usr/share/tessalorium/gfx/board.bmp
/usr/share/tessalorium/gfx/c18font.bmp
/usr/share/tessalorium/gfx/pieces.bmp
/usr/share/tessalorium/screenshots/play.png
EOF
files=$(grep -v '^d' "$work/deb.list" | sed 's/^[^ ]* //' | sort)
expect_eq "the .deb holds exactly the game's files" "$(sort "$work/wanted")" "$files"
expect_eq "the .deb has no files outside /usr" "" "$(grep -v '^/usr' "$work/deb.paths" || true)"
programs='/usr/(bin|libexec/tessalorium)/tessalorium'
expect_eq "the launcher and the game are executable" 2 \
    "$(grep -cxE -- "-rwxr-xr-x $programs" "$work/deb.list" || true)"
expect_eq "every other file is read-only data" "" \
    "$(grep -v '^d' "$work/deb.list" | grep -vxE -- "-rwxr-xr-x $programs" |
        grep -v -- '^-rw-r--r-- ' || true)"

root="$work/root"
dpkg-deb -x "$deb" "$root"
expect_true "the game binary is stripped" \
    grep -q ', stripped' <<<"$(file -b "$root/usr/libexec/tessalorium/tessalorium")"
expect_true "the launcher is a POSIX shell script" sh -n "$root/usr/bin/tessalorium"
expect_eq "... started by /bin/sh" '#!/bin/sh' "$(head -n 1 "$root/usr/bin/tessalorium")"
# The library by its soname, in the folder dpkg knows it by (/lib is a link
# to /usr/lib on Debian 12).
sdl=$(ldd "$root/usr/libexec/tessalorium/tessalorium" | awk '/libSDL-1\.2/ { print $3 }')
sdl="$(cd "$(dirname "$sdl")" && pwd -P)/$(basename "$sdl")"
owner=$(dpkg -S "$sdl" | cut -d: -f1 | head -n 1)
expect_true "Depends names the package of the SDL library the game links ($owner)" \
    grep -qE "(^|[ ,|])$owner( |,|$)" <<<"$depends"

echo "== Desktop entry, AppStream data, icons"
desktop="$root/usr/share/applications/$app_id.desktop"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
expect_true "desktop-file-validate accepts the desktop entry" desktop-file-validate "$desktop"
expect_true "appstreamcli accepts the metainfo" appstreamcli validate --no-net "$metainfo"
expect_true "appstreamcli accepts the installed tree" appstreamcli validate-tree --no-net "$root"
expect_true "the entry is a logic game" grep -qx 'Categories=Game;LogicGame;' "$desktop"
expect_true "the entry starts the launcher" grep -qx 'Exec=tessalorium' "$desktop"
expect_true "the entry has a comment" grep -q '^Comment=.' "$desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
expect_true "the metainfo launches the desktop entry" \
    grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo"
expect_true "the metainfo has a content rating" grep -q '<content_rating type="oars-1.1"' "$metainfo"
expect_true "the metainfo has the release $version" grep -q "<release version=\"$version\"" "$metainfo"
for size in 16 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png"
    expect_true "the $size px icon '$icon' is a $size x $size PNG" \
        grep -q "PNG image data, $size x $size," <<<"$(file -b "$png" 2>&1)"
done
shot=$(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">.*|\1 x \2|p' "$metainfo")
expect_true "the shipped screenshot has the size the metainfo gives ($shot)" \
    grep -q "PNG image data, $shot," <<<"$(file -b "$root/usr/share/tessalorium/screenshots/play.png")"

echo "== The unpacked .deb runs"
expect_true "the game starts from the unpacked .deb" game_keeps_running "$root/usr/bin/tessalorium"

echo "== dpkg install and removal in a scratch root"
# The scratch root's package list is this machine's, so dpkg checks the
# dependencies against what is really installed here.
droot="$work/dpkg root"
mkdir -p "$droot/var/lib/dpkg/info" "$droot/var/lib/dpkg/updates" "$droot/var/lib/dpkg/triggers"
cp /var/lib/dpkg/status "$droot/var/lib/dpkg/status"
touch "$droot/var/lib/dpkg/available"
quiet_dpkg() { dpkg --root="$droot" --force-script-chrootless "$@" 2>&1 | grep -v 'files list file for package' || true; }
quiet_dpkg -i "$deb" >"$work/dpkg.log"
expect_eq "dpkg installs it with this machine's packages meeting its dependencies" \
    "install ok installed" "$(dpkg-query --admindir="$droot/var/lib/dpkg" -W -f='${Status}' tessalorium)"
expect_eq "dpkg put every file in place" "$(sort "$work/wanted")" \
    "$(cd "$droot" && find usr -type f -o -type l | sed 's|^|/|' | sort)"
quiet_dpkg -r tessalorium >>"$work/dpkg.log"
expect_eq "dpkg removes every file and folder again" "" \
    "$(cd "$droot" && find . -mindepth 1 -path ./var -prune -o -print)"

echo "== The .tar.gz"
top=$(tar -tzf "$tgz" | cut -d/ -f1 | sort -u)
expect_eq "the archive has one top folder" "$(basename "$tgz" .tar.gz)" "$top"
tar_files=$(tar -tvzf "$tgz" | grep -v '^d' | awk '{ print $6 }' | sed "s|^$top||" | sort)
expect_eq "it holds the same files as the .deb, under its own folder" \
    "$(sed 's|^/usr||' "$work/wanted" | sort)" "$tar_files"
mkdir -p "$work/unpacked here"
tar -xzf "$tgz" -C "$work/unpacked here"
expect_true "the game starts from the unpacked archive" \
    game_keeps_running "$work/unpacked here/$top/bin/tessalorium"

if [ "$(id -u)" -eq 0 ] && [ "${CI:-}" = true ] &&
    ! dpkg-query -W -f='${Status}' tessalorium 2>/dev/null | grep -q 'ok installed'; then
    echo "== dpkg -i and dpkg -r on this machine"
    dpkg -i "$deb" >"$work/dpkg-real.log" 2>&1 || cat "$work/dpkg-real.log"
    expect_eq "dpkg -i installs it" "install ok installed" \
        "$(dpkg-query -W -f='${Status}' tessalorium 2>/dev/null)"
    expect_eq "tessalorium is on PATH" /usr/bin/tessalorium "$(command -v tessalorium)"
    expect_true "the installed game starts" game_keeps_running tessalorium
    installed=$(dpkg -L tessalorium | sort)
    dpkg -P tessalorium >>"$work/dpkg-real.log" 2>&1
    left=$(while read -r path; do [ -f "$path" ] && echo "$path"; done <<<"$installed" || true)
    expect_eq "dpkg -P removes every file" "" "$left"
    expect_eq "... and the package" "" "$(dpkg-query -W -f='${Status}' tessalorium 2>/dev/null || true)"
fi

if command -v lintian >/dev/null; then
    lintian "$deb" >"$work/lintian.log" 2>&1 || true
    expect_eq "lintian reports no errors or warnings" "" "$(grep -E '^[EW]: ' "$work/lintian.log" || true)"
fi

summary
