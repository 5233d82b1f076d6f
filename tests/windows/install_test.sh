#!/usr/bin/env bash
# The Windows zip and installer that tools/windows.sh made, tested under
# Wine (64-bit) on a private Xvfb of 1920 x 1080 under openbox: what the
# program needs and carries (DLLs, icon, version, manifest), the zip's
# contents, the installer run silently (folder, Start-menu shortcut,
# uninstall entry, all for the user alone), the game started through the
# shortcut and ended by WM_CLOSE, and the silent uninstall, which keeps the
# scores. The zip's program is played by wine_play (tests/e2e/play_e2e.py).
#
#   tests/windows/install_test.sh PACKAGES_DIR [SHOTS_DIR]
set -euo pipefail

packages=$(cd "$1" && pwd)
shots=${2:-}
zip=$(echo "$packages"/tessalorium-*-win64.zip)
setup=$(echo "$packages"/tessalorium-*-win64-setup.exe)
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tessalorium windows.XXXXXX")
# How long a closed game may take to end, and Wine's steps to finish.
CLOSE_LIMIT_S=5
WAIT_LIMIT_S=60

# Nothing Wine does reaches the real home: menu entries and file types
# (winemenubuilder, off as well) would go there. No Mono or Gecko offered.
export HOME="$work/home" WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
mkdir -p "$HOME" "$work/unpacked here"

x_pids=()
cleanup() {
    [ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
    for pid in "${x_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ -n "${KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
seconds() { date +%s.%N; }
elapsed() { awk -v from="$1" -v to="$(seconds)" 'BEGIN { printf "%.1f", to - from }'; }

echo "== What the program needs and carries"
unzip -q "$zip" -d "$work/unpacked here"
top=$(basename "$zip" .zip)
same "the zip holds one folder, named as the zip" "$top" "$(ls "$work/unpacked here")"
game_dir="$work/unpacked here/$top"
same "... with the program, SDL.dll, the pictures and the licences" \
    "LICENSE.txt SDL-LICENSE.txt SDL.dll gfx/LICENSE.md gfx/OFL.txt gfx/board.bmp gfx/c18font.bmp gfx/pieces.bmp tessalorium.exe" \
    "$(cd "$game_dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs)"
sdl_version=$(sed -n '1,3s/.*libsdl1.2, version \([^ ]*\)$/\1/p' "$game_dir/SDL-LICENSE.txt")
check "SDL's licence names the Debian source version it was built from" \
    grep -q " libsdl1.2_${sdl_version:-?}.dsc$" "$here/packaging/windows/libsdl1.2.sha256"
check "... and holds the LGPL 2.1" grep -q "GNU LESSER GENERAL PUBLIC LICENSE" "$game_dir/SDL-LICENSE.txt"

echo "== Wine, Xvfb and openbox"
# Wine's desktop takes the display it first starts on: X before Wine.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
x_pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$work/display")" && export DISPLAY
# The game starts once openbox runs its startup command, just before its
# event loop (see tests/e2e/play_e2e.py).
echo "<openbox_config><mouse/></openbox_config>" >"$work/rc.xml"
openbox --config-file "$work/rc.xml" --startup "touch '$work/openbox-ready'" >"$work/openbox.log" 2>&1 &
x_pids+=($!)
for _ in $(seq 600); do [ -e "$work/openbox-ready" ] && break; sleep 0.1; done
check "openbox runs" test -e "$work/openbox-ready"
start=$(seconds)
wineboot -i >"$work/wineboot.log" 2>&1
echo "     a new Wine prefix took $(elapsed "$start") s"
system32="$WINEPREFIX/drive_c/windows/system32"
# DLLs a program imports that are neither SDL.dll nor Windows' own.
foreign_dlls() {
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | while read -r dll; do
        [ "$dll" = SDL.dll ] || [ -n "$(find "$system32" -maxdepth 1 -iname "$dll")" ] || echo "$dll"
    done
}
same "tessalorium.exe needs no DLL but SDL.dll and Windows' own" "" "$(foreign_dlls "$game_dir/tessalorium.exe")"
same "SDL.dll needs only Windows' own" "" "$(foreign_dlls "$game_dir/SDL.dll")"
x86_64-w64-mingw32-windres -i "$game_dir/tessalorium.exe" -O rc >"$work/resources.rc"
same "one icon, SDL_app (the window's and Explorer's), of 256 to 16 px" \
    '"SDL_APP" 256 128 64 48 32 16' \
    "$(awk '/RT_GROUP_ICON/ { printf "%s", $1 }
        # The width: an octal escape, 0 standing for 256.
        /Element no/ { split($1, o, "\\"); w = substr(o[2], 1, 1) * 64 + substr(o[2], 2, 1) * 8 + substr(o[2], 3, 1)
                       printf " %d", w ? w : 256 }' "$work/resources.rc")"
version=${top#tessalorium-} && version=${version%-win64}
check "a version resource of Tessalorium $version" grep -q "VALUE \"ProductVersion\", \"$version\"" "$work/resources.rc"
check "a manifest: per-monitor DPI awareness (v2, then v1)" \
    grep -q '>PerMonitorV2, PerMonitor</dpiAwareness>' "$work/resources.rc"
check "... and the UTF-8 code page" grep -q '>UTF-8</activeCodePage>' "$work/resources.rc"


# The game's window once it shows; empty after WAIT_LIMIT_S.
window() { timeout "$WAIT_LIMIT_S" xdotool search --sync --onlyvisible --name '^Tessalorium$' 2>/dev/null | head -1 || true; }
# The window as a player sees it: named, with the game's icon, a picture.
shows_window() { # NAME
    local id
    id=$(window)
    check "$1: the window shows" test -n "$id"
    [ -n "$id" ] || return 0
    [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }
    echo "     at $(xdotool getwindowgeometry "$id" | sed -n 's/ *Position: \([0-9,]*\).*/\1/p'), $(xdotool getwindowgeometry "$id" | sed -n 's/ *Geometry: //p')"
}
# SDLmain of this build writes no stdout.txt or stderr.txt.
no_stdio_files() { # NAME FOLDER
    same "$1: no stdout.txt or stderr.txt beside the program" "" \
        "$(find "$2" -maxdepth 1 -iname 'std*.txt' -printf '%f ')"
}

echo "== The installer"
wpath() { winepath -u "$(wine cmd /c echo "%$1%" | tr -d '\r')"; }
installed="$(wpath LOCALAPPDATA)/Programs/Tessalorium"
shortcut="$(wpath APPDATA)/Microsoft/Windows/Start Menu/Programs/Tessalorium.lnk"
scores="$(wpath APPDATA)/Tessalorium/hiscores.dat"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessalorium'
start=$(seconds)
status=0 && wine "$setup" /S >"$work/setup.log" 2>&1 || status=$?
same "installs silently (/S) with status 0" 0 "$status"
echo "     in $(elapsed "$start") s"
same "into %LOCALAPPDATA%\\Programs\\Tessalorium, with its uninstaller" \
    "$(cd "$game_dir" && { find . -type f && echo ./Uninstall.exe; } | LC_ALL=C sort | xargs)" \
    "$(cd "$installed" 2>/dev/null && find . -type f | LC_ALL=C sort | xargs)"
check "a Start-menu shortcut, the user's own" test -f "$shortcut"
wine reg query "$uninstall_key" >"$work/key" 2>&1 || true
entry() { sed -n "s/^ *$1 *REG_[A-Z]* *//p" "$work/key" | tr -d '\r'; }
same "an Apps & features entry for the user alone (HKCU)" "Tessalorium $version" \
    "$(entry DisplayName) $(entry DisplayVersion)"
same "... with the uninstaller, silent with /S" \
    "\"$(winepath -w "$installed")\\Uninstall.exe\" /S" "$(entry QuietUninstallString)"
check "nothing for all users (HKLM)" \
    bash -c "! wine reg query '${uninstall_key/HKCU/HKLM}' >/dev/null 2>&1"

echo "== The game through the shortcut"
wine start "$(winepath -w "$shortcut")" >"$work/shortcut.log" 2>&1
shows_window installed
pid=$(xprop -id "$(window)" _NET_WM_PID 2>/dev/null | sed -n 's/.* = //p')
# The shortcut's game is not this shell's child: its end is seen, not its status.
wmctrl -i -c "$(window)"
timeout "$CLOSE_LIMIT_S" tail --pid="${pid:-0}" -f /dev/null || true
check "WM_CLOSE ends it within $CLOSE_LIMIT_S s" test -n "$pid" -a ! -e "/proc/${pid:-0}"
no_stdio_files installed "$installed"

echo "== Uninstalling"
mkdir -p "$(dirname "$scores")"
printf '5\nKEPT\n123\n\n0\n\n0\n\n0\n\n0\n' >"$scores"
cp "$scores" "$work/scores"
status=0 && wine "$installed/Uninstall.exe" /S >"$work/uninstall.log" 2>&1 || status=$?
same "uninstalls silently (/S) with status 0" 0 "$status"
# The uninstaller runs on from a copy of itself in %TEMP%.
for _ in $(seq $((WAIT_LIMIT_S * 10))); do [ -e "$installed" ] || break; sleep 0.1; done
check "the program's folder is gone" test ! -e "$installed"
check "... and the shortcut" test ! -e "$shortcut"
check "... and the Apps & features entry" bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "the scores in %APPDATA%\\Tessalorium stay as they were" cmp -s "$scores" "$work/scores"

checked
