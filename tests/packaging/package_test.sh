#!/usr/bin/env bash
# The game as players install it: CPack's .deb and .tar.gz, their desktop
# entry and AppStream data, dpkg install and removal, the game started from
# each tree, a user-prefix install beside an unpacked .tar.gz and its
# uninstall, and the launcher's words when something is wrong.
#
#   tests/packaging/package_test.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tessalorium package.XXXXXX")
trap 'rm -rf "$work"' EXIT
home="$work/home of player"
folder="$home/.local/share/tessalorium"
mkdir -p "$home" "$work/cwd" "$work/tmp" "$work/unpacked here"

# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
quiet() { "$@" >"$work/log" 2>&1 || { cat "$work/log" && false; }; }

# A stand-in game that tells where it runs, its window scale[@video driver],
# the start of the board picture it sees and the scores there.
fake="$work/fake game"
# shellcheck disable=SC2016 # expanded by the fake game
printf '#!/bin/sh\necho "$(pwd) ${SDL12COMPAT_WINDOW_SCALING-}${SDL_VIDEODRIVER:+@$SDL_VIDEODRIVER} $(head -c 2 gfx/board.bmp) $(cat hiscores.dat 2>/dev/null || echo none)"\n' >"$fake"
chmod +x "$fake"
# launch [NAME=value...] LAUNCHER: the fake game through the launcher in a
# bare environment; prints the status, the number of lines on stderr (kept
# in $work/err) and what the game said.
launch() {
    local out status=0
    out=$(cd "$work/cwd" && env -i PATH="$PATH" HOME="$home" TMPDIR="$work/tmp" \
        TESSALORIUM_GAME="$fake" "$@" 2>"$work/err") || status=$?
    echo "$status $(wc -l <"$work/err")${out:+ $out}"
}
# plays LAUNCHER: the real game on the dummy video driver runs until killed;
# one whose pictures are missing ends at once with status 0.
plays() {
    local status=0
    (cd "$work/cwd" && env -i PATH="$PATH" HOME="$home" SDL_VIDEODRIVER=dummy \
        timeout -s KILL 2 "$1" >/dev/null 2>&1) 2>/dev/null || status=$?
    [ "$status" = 137 ]
}

echo "== CPack, desktop entry, AppStream data"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || cat "$work/cpack.log"
deb=$(echo "$work"/out/tessalorium_*.deb)
tgz=$(echo "$work"/out/tessalorium-*.tar.gz)
check "CPack made the .deb and the .tar.gz" test -f "$deb" -a -f "$tgz"
dpkg-deb -x "$deb" "$work/root"
entry=$(echo "$work"/root/usr/share/applications/*.desktop)
needs=("usr/bin/$(sed -n 's/^Exec=//p' "$entry")" usr/libexec/tessalorium/tessalorium
    usr/share/games/tessalorium/gfx/{board,c18font,pieces}.bmp usr/share/man/man6/tessalorium.6.gz
    usr/share/doc/tessalorium/copyright)
for size in 16 32 48 64 128 256; do
    needs+=("usr/share/icons/hicolor/${size}x$size/apps/$(sed -n 's/^Icon=//p' "$entry").png")
done
same "the menu entry's command and icon at every size, the program, its pictures, the manual, the licence" "" \
    "$(cd "$work/root" && for f in "${needs[@]}"; do [ -s "$f" ] || echo "missing $f"; done)"
check "desktop-file-validate passes" quiet desktop-file-validate "$work"/root/usr/share/applications/*.desktop
check "appstreamcli validate passes" quiet appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.xml
class=$(grep -ao 'SDL_VIDEO_X11_WMCLASS=[[:alnum:].]*' "$work"/root/usr/libexec/tessalorium/tessalorium || true)
same "the window's class names the menu entry and is its StartupWMClass" "${class#*=}.desktop ${class#*=}" \
    "$(cd "$work"/root/usr/share/applications && echo *.desktop "$(sed -n 's/^StartupWMClass=//p' ./*.desktop)")"

echo "== dpkg in a scratch root"
# With this machine's package list, so dpkg checks the real dependencies.
admin="$work/dpkg root/var/lib/dpkg"
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers"
cp /var/lib/dpkg/status "$admin/status"
touch "$admin/available"
scratch_dpkg() { dpkg --root="$work/dpkg root" --force-script-chrootless "$@" >>"$work/dpkg.log" 2>&1; }
scratch_dpkg -i "$deb" || cat "$work/dpkg.log"
same "dpkg installs it" "install ok installed" \
    "$(dpkg-query --admindir="$admin" -W -f='${Status}' tessalorium 2>&1)"
scratch_dpkg -r tessalorium || cat "$work/dpkg.log"
same "dpkg removes every file and folder" "" "$(cd "$work/dpkg root" && find . -mindepth 1 ! -path './var*')"

if [ "$(id -u)" = 0 ] && [ "${CI:-}" = true ] && ! dpkg -s tessalorium >/dev/null 2>&1; then
    echo "== dpkg -i and dpkg -P on this machine"
    dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || cat "$work/dpkg.log"
    check "the installed game plays" plays "$(command -v tessalorium)"
    dpkg -P tessalorium >>"$work/dpkg.log" 2>&1
    check "dpkg -P removes it" test ! -e /usr/share/games/tessalorium
fi

echo "== The .tar.gz, then a user-prefix install beside it"
tar -xzf "$tgz" -C "$work/unpacked here"
tree=$(echo "$work/unpacked here"/tessalorium-*)
check "the game plays from the unpacked .tar.gz" plays "$tree/bin/tessalorium"
echo "5 scores of mine" >"$folder/hiscores.dat"
cmake --install "$build" --prefix "$home/.local" >/dev/null
cp "$build/install_manifest.txt" "$work/manifest"
same "nothing is installed into the player's folder" "" "$(grep -F "$folder/" "$work/manifest" || true)"
check "the user-prefix game plays" plays "$home/.local/bin/tessalorium"
check "... and plays again in the folder the first start made" plays "$home/.local/bin/tessalorium"
xargs -d '\n' rm -f <"$work/manifest"
same "the manifest uninstall removes all it installed" "" \
    "$(while read -r f; do [ ! -e "$f" ] || echo "$f"; done <"$work/manifest")"
# README's second line: the folders left empty go too, the player's stays.
xargs -d '\n' dirname <"$work/manifest" | sort -u | xargs -d '\n' rmdir -p --ignore-fail-on-non-empty
same "... and then the folders it leaves empty" "" "$(find "$home/.local" -type d -empty)"
same "... and the player's scores" "0 0 $folder 1 BM 5 scores of mine" "$(launch "$tree/bin/tessalorium")"
same "nothing was written where the game was started" "" "$(ls -A "$work/cwd")"

echo "== The launcher's words"
# Screen size[@Wayland scale], the scale the player set (empty: none), the scale[@driver] the game gets.
for case in 1366x768::1 1920x1080::2 2560x1440::3 3840x2160::5 none::1 1366x768:4:4 \
    3840x2160@2::2.5@wayland,x11 7680x4320@3::3@wayland,x11 1366x768@2:4:4@wayland,x11; do
    IFS=: read -r size set want <<<"$case"
    same "screen $size, scale set '$set': the game gets scale $want" "0 0 $folder $want BM 5 scores of mine" \
        "$(launch TESSALORIUM_SCREEN_SIZE="$size" SDL12COMPAT_WINDOW_SCALING="$set" "$tree/bin/tessalorium")"
done
check "--help names the score file" grep -qF "$folder/hiscores.dat" <<<"$(HOME=$home "$tree/bin/tessalorium" --help)"
same "... and without HOME, no folder" 0 "$(env -i PATH="$PATH" "$tree/bin/tessalorium" --help | grep -c '\.local')"
gfx="$tree/share/games/tessalorium/gfx" game="$tree/libexec/tessalorium/tessalorium"
for bitmap in board pieces c18font; do
    mv "$gfx/$bitmap.bmp" "$work/aside"
    same "$bitmap.bmp missing: no game, status 1, one line naming it" "1 1 named" \
        "$(launch "$tree/bin/tessalorium") $(grep -qF "$gfx/$bitmap.bmp is missing" "$work/err" && echo named)"
    mv "$work/aside" "$gfx/$bitmap.bmp"
done
mv "$game" "$work/aside"
same "no game program: status 1, one line naming where it belongs" "1 1 named" \
    "$(launch TESSALORIUM_GAME= "$tree/bin/tessalorium") $(grep -qF "program $game is missing" "$work/err" && echo named)"
mv "$work/aside" "$game"

# A score folder that cannot be made, and one that cannot be written: root
# writes anywhere, so there a folder takes the name of the launcher's trial
# file (named after its process, which the exec keeps).
touch "$work/a file"
same "a score folder that cannot be made: the game starts in a scratch folder, one line" \
    "0 1 $work/tmp/tessalorium. 1 BM none" \
    "$(launch XDG_DATA_HOME="$work/a file" "$tree/bin/tessalorium" | sed 's/tessalorium\.[^ ]*/tessalorium./')"
check "... saying so" grep -q "cannot make the folder $work/a file/tessalorium, so scores cannot be kept" "$work/err"
same "... removed afterwards" "" "$(ls -A "$work/tmp")"
# shellcheck disable=SC2016 # expanded by that shell
same "a score folder that cannot be written: the game starts there with the old scores, one line" \
    "0 1 $folder 1 BM 5 scores of mine" \
    "$(launch sh -c 'mkdir "$1/.write-test.$$" && exec "$2"' sh "$folder" "$tree/bin/tessalorium")"
check "... saying so" grep -q "cannot write in $folder, so scores cannot be kept" "$work/err"

checked
