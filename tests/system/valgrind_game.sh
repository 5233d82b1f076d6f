#!/usr/bin/env bash
# One scripted game of the real program under Valgrind's memcheck: title,
# a game played to game over with groups removed, the name entry, the save,
# a quit request on the title, a second game cut short, shut-down. Fails on
# any memory error and on memory definitely lost; what SDL and the system
# libraries under it keep is listed in tests/valgrind.supp.
#   tests/system/valgrind_game.sh PATH/TO/tessalorium_scripted
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
driver=$(realpath "${1:?usage: $0 PATH/TO/tessalorium_scripted}")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$here/gfx" "$work/gfx"
cat >"$work/game.script" <<'SCRIPT'
seed 5
key space
play
type Kim
key return
quit
moves 5
click 30 245
click 140 245
moves 3
end
SCRIPT

cd "$work"
status=0
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy valgrind --quiet --error-exitcode=1 \
    --leak-check=full --errors-for-leak-kinds=definite --show-leak-kinds=definite \
    --suppressions="$here/tests/valgrind.supp" --log-file=valgrind.log \
    "$driver" game.script 2>summary.txt || status=$?
cat summary.txt valgrind.log
if [ "$status" -ne 0 ]; then
    echo "valgrind_game: exit status $status" >&2
    exit 1
fi
# The run must really have played: a game over and the score saved.
grep -q ' 1 game overs' summary.txt
[ "$(sed -n 2p hiscores.dat)" = "Kim" ]
echo "valgrind_game: no memory errors, nothing definitely lost"
