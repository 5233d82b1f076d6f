#!/usr/bin/env bash
# The launcher as `cmake --install` lays it out, in a prefix whose path has
# spaces: the player's folder and its link to the pictures, the window
# scale it passes on, the ways it refuses to start, and the real game
# started through it.
#
#   tests/packaging/launcher_test.sh BUILD_DIR
set -euo pipefail

build=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/packaging/checks.sh
. "$here/checks.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/tessalorium launcher.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix="$work/pre fix/usr"
cmake --install "$build" --prefix "$prefix" >/dev/null
launcher="$prefix/bin/tessalorium"
home="$work/home of player"
mkdir -p "$home" "$work/cwd"

# Stands in for the game: tells where and how it was started.
fake="$work/fake game"
cat >"$fake" <<'EOF'
#!/bin/sh
echo "pid=$$"
echo "cwd=$(pwd)"
echo "args=$#"
echo "scale=${SDL12COMPAT_WINDOW_SCALING-unset}"
echo "method=${SDL12COMPAT_SCALE_METHOD-unset}"
EOF
chmod +x "$fake"

# Runs the launcher from $work/cwd in a bare environment plus the given
# NAME=value words; prints what the fake game reported, then "status=N".
launch() {
    local status=0
    (cd "$work/cwd" && env -i PATH="$PATH" HOME="$home" TESSALORIUM_GAME="$fake" "$@" \
        "$launcher") 2>"$work/stderr" || status=$?
    echo "status=$status"
}
field() { sed -n "s/^$2=//p" <<<"$1"; }
scale_for() { field "$(launch TESSALORIUM_SCREEN_SIZE="$1")" scale; }

echo "== The player's folder"
out=$(launch XDG_DATA_HOME="$work/data home")
folder="$work/data home/tessalorium"
expect_eq "the game starts in \$XDG_DATA_HOME/tessalorium" "$folder" "$(field "$out" cwd)"
expect_eq "the game gets no arguments" 0 "$(field "$out" args)"
expect_eq "the launcher exits with the game's status" 0 "$(field "$out" status)"
expect_eq "gfx in the folder links to the installed pictures" \
    "$(cd "$prefix/share/tessalorium/gfx" && pwd -P)" "$(readlink "$folder/gfx")"
expect_true "the pictures are readable through the link" test -f "$folder/gfx/board.bmp"
expect_eq "nothing is left in the current folder" "" "$(ls -A "$work/cwd")"

out=$(launch)
expect_eq "without XDG_DATA_HOME the folder is ~/.local/share/tessalorium" \
    "$home/.local/share/tessalorium" "$(field "$out" cwd)"
out=$(launch XDG_DATA_HOME=relative/data)
expect_eq "a relative XDG_DATA_HOME is ignored" \
    "$home/.local/share/tessalorium" "$(field "$out" cwd)"

out=$(sh -c 'echo "pid=$$"; exec "$@"' sh env -i PATH="$PATH" HOME="$home" \
    TESSALORIUM_GAME="$fake" "$launcher")
expect_eq "the game replaces the launcher's process" \
    "$(sed -n 1p <<<"$out" | cut -d= -f2)" "$(sed -n 2p <<<"$out" | cut -d= -f2)"

echo "== Installed files found relative to the launcher"
mkdir -p "$work/games"
ln -s "$launcher" "$work/games/tessalorium"
out=$( (cd "$work/cwd" && env -i PATH="$PATH" HOME="$home" TESSALORIUM_GAME="$fake" \
    "$work/games/tessalorium") && echo ok)
expect_eq "a link to the launcher works" "ok" "$(tail -n 1 <<<"$out")"

before=$(cd "$work" && find . -path ./home\* -prune -o -print | sort)
mv "$work/pre fix" "$work/moved prefix"
launcher="$work/moved prefix/usr/bin/tessalorium"
status=0
(cd "$work/cwd" && env -i PATH="$PATH" HOME="$home" SDL_VIDEODRIVER=dummy \
    timeout -s KILL 3 "$launcher" >/dev/null 2>&1) 2>/dev/null || status=$?
expect_true "a moved installation starts its own game (status $status)" \
    test "$status" -eq 124 -o "$status" -eq 137
# On the dummy video driver the title screen runs until the game is killed;
# without its pictures the same game ends at once with status 0.
status=0
(cd "$work/cwd" && env -i PATH="$PATH" SDL_VIDEODRIVER=dummy \
    timeout -s KILL 3 "$work/moved prefix/usr/libexec/tessalorium/tessalorium" >/dev/null 2>&1) \
    2>/dev/null || status=$?
expect_eq "(the same game without pictures ends at once)" 0 "$status"
expect_eq "the link follows the moved installation" \
    "$(cd "$work/moved prefix/usr/share/tessalorium/gfx" && pwd -P)" \
    "$(readlink "$home/.local/share/tessalorium/gfx")"
mv "$work/moved prefix" "$work/pre fix"
launcher="$prefix/bin/tessalorium"
launch >/dev/null
after=$(cd "$work" && find . -path ./home\* -prune -o -print | sort)
expect_eq "nothing is written into the installation" "$before" "$after"

echo "== Window scale"
# Two thirds of the screen at most: 3 * scale * 274 <= 2 * height, and the
# same with 206 and the width.
for case in 1366x768:1 1920x1080:2 1920x1200:2 2560x1440:3 3840x2160:5 \
    1080x1920:3 640x480:1 10000x822:2 10000x821:1 618x10000:2 617x10000:1; do
    expect_eq "screen ${case%:*} gives scale ${case#*:}" "${case#*:}" "$(scale_for "${case%:*}")"
done
for size in none 0x0 x 1920 1920x 1920x1080x2 abcxdef -5x-5 99999999x99999999; do
    expect_eq "an unusable size '$size' gives scale 1" 1 "$(scale_for "$size")"
done
out=$(launch TESSALORIUM_SCREEN_SIZE=3840x2160)
expect_eq "the scale method is nearest neighbour" nearest "$(field "$out" method)"
out=$(launch TESSALORIUM_SCREEN_SIZE=3840x2160 SDL12COMPAT_WINDOW_SCALING=1 \
    SDL12COMPAT_SCALE_METHOD=linear)
expect_eq "a scale the player set stands" 1 "$(field "$out" scale)"
expect_eq "a scale method the player set stands" linear "$(field "$out" method)"
out=$(launch TESSALORIUM_SCREEN_SIZE=3840x2160 SDL12COMPAT_WINDOW_SCALING=)
expect_eq "an empty scale counts as unset" 5 "$(field "$out" scale)"

echo "== Screen size read from the X tools"
# Stand-ins for xrandr and xdpyinfo that answer what $work/x/<tool> holds,
# or fail when it is missing.
mkdir -p "$work/xbin" "$work/x"
for tool in xrandr xdpyinfo; do
    cat >"$work/xbin/$tool" <<EOF
#!/bin/sh
[ -f "$work/x/$tool" ] && exec cat "$work/x/$tool"
exit 1
EOF
    chmod +x "$work/xbin/$tool"
done
xscale() { PATH="$work/xbin:$PATH" field "$(PATH="$work/xbin:$PATH" launch DISPLAY=:99)" scale; }
cat >"$work/x/xrandr" <<'EOF'
Screen 0: minimum 320 x 200, current 4480 x 1440, maximum 16384 x 16384
DP-1 connected 1920x1080+0+0 (normal left inverted right x axis y axis) 527mm x 296mm
   1920x1080     60.00*+
HDMI-1 connected primary 2560x1440+1920+0 (normal left inverted right x axis y axis) 597mm x 336mm
   2560x1440     59.95*+
DP-2 disconnected (normal left inverted right x axis y axis)
EOF
cat >"$work/x/xdpyinfo" <<'EOF'
name of display:    :99
screen #0:
  dimensions:    1366x768 pixels (361x203 millimeters)
  resolution:    96x96 dots per inch
EOF
expect_eq "xrandr's primary monitor decides" 3 "$(xscale)"
sed -i 's/ primary / /' "$work/x/xrandr"
expect_eq "without a primary monitor the first one switched on decides" 2 "$(xscale)"
rm "$work/x/xrandr"
expect_eq "without xrandr xdpyinfo's screen size decides" 1 "$(xscale)"
sed -i 's/1366x768/3840x2160/' "$work/x/xdpyinfo"
expect_eq "xdpyinfo's 3840x2160 gives scale 5" 5 "$(xscale)"
out=$(PATH="$work/xbin:$PATH" launch)
expect_eq "without DISPLAY no X tool is asked" 1 "$(field "$out" scale)"
rm "$work/x/xdpyinfo"
expect_eq "when every tool fails the scale is 1" 1 "$(xscale)"

echo "== Refusals"
# refused WHAT MESSAGE NAME=value...: the launcher run with these settings
# exits with status 1, saying MESSAGE, and starts no game.
refused() {
    local what=$1 message=$2 out
    shift 2
    out=$(launch "$@")
    expect_eq "$what stops the launcher" 1 "$(field "$out" status)"
    expect_grep "... and says: $message" "$message" "$work/stderr"
    expect_eq "... and starts no game" "" "$(field "$out" cwd)"
}
touch "$work/a file"
refused "a folder that cannot be made" \
    "cannot make the folder for your scores: $work/a file/data/tessalorium" \
    XDG_DATA_HOME="$work/a file/data"
if [ "$(id -u)" -ne 0 ]; then # root may write anywhere
    mkdir -p "$work/locked/tessalorium"
    chmod a-w "$work/locked/tessalorium"
    refused "a folder that cannot be written" "cannot write in the folder" XDG_DATA_HOME="$work/locked"
    chmod u+w "$work/locked/tessalorium"
fi
mkdir -p "$work/own/tessalorium/gfx"
touch "$work/own/tessalorium/gfx/mine.bmp"
refused "a real gfx folder in the player's folder" "tessalorium/gfx is in the way" \
    XDG_DATA_HOME="$work/own"
expect_true "... and leaves it alone" test -f "$work/own/tessalorium/gfx/mine.bmp"
refused "no HOME and no XDG_DATA_HOME" "neither XDG_DATA_HOME nor HOME is set" HOME=
mv "$prefix/share/tessalorium/gfx" "$work/gfx aside"
refused "a missing pictures folder" "pictures are missing"
mv "$work/gfx aside" "$prefix/share/tessalorium/gfx"

status=0
env -i PATH="$PATH" HOME="$home" "$launcher" --level 3 >/dev/null 2>"$work/stderr" || status=$?
expect_eq "an argument is refused" 2 "$status"
expect_grep "... by name" "unknown argument: --level" "$work/stderr"
help=$(env -i PATH="$PATH" HOME="$home" XDG_DATA_HOME="$work/data home" "$launcher" --help)
expect_true "--help names the player's score file" \
    grep -qF "$work/data home/tessalorium/hiscores.dat" <<<"$help"

if command -v shellcheck >/dev/null; then
    expect_true "shellcheck finds nothing in the launcher" shellcheck -s sh "$launcher"
fi

summary
