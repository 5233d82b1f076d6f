#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and gives each a short run
# over its seed corpus; any crash or broken invariant fails.
#   highscore_loader   any bytes as "hiscores.dat"
#   event_loop         any bytes as the input events of the screen flow
#
#   fuzz/build-and-smoke.sh                          both, a short run each
#   FUZZ_TARGETS=event_loop fuzz/build-and-smoke.sh  one of them
#   FUZZ_ARGS="-runs=1000000" fuzz/build-and-smoke.sh  a long run
#   FUZZ_OUT=build/x fuzz/build-and-smoke.sh         build elsewhere
set -euo pipefail
cd "$(dirname "$0")/.."

out=${FUZZ_OUT:-build/fuzz}
targets=${FUZZ_TARGETS:-highscore_loader event_loop}
mkdir -p "$out" fuzz/findings
flags=(-std=c++17 -g -O1 -Wall -Wextra
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
    -I. $(pkg-config --cflags sdl))

build_highscore_loader() {
    clang++ "${flags[@]}" fuzz/highscore_loader.cpp scores/highscores.cpp \
        -o "$out/highscore_loader"
}

# The whole game but main, with the target's own stand-ins for SDL's clock,
# input and pixel copying, and Game::drawBoard sampled (see the target). The renderer and the input helpers are built
# without coverage feedback: their loops over glyphs, tiles and cells would
# cost half of every run and steer nothing.
build_event_loop() {
    local objects=() source object
    mkdir -p "$out/event_loop.o"
    for source in render/*.cpp tests/soak/event_storm.cpp; do
        object="$out/event_loop.o/$(basename "$source" .cpp).o"
        clang++ "${flags[@]/-fsanitize=fuzzer,/-fsanitize=}" -c "$source" -o "$object"
        objects+=("$object")
    done
    # Without comparison tracing: the game's loops compare at every step and
    # hold no magic values to find (the input names its keys and cells).
    # shellcheck disable=SC2046
    clang++ "${flags[@]}" -fno-sanitize-coverage=trace-cmp -DTESSALORIUM_SOURCE_DIR="\"$PWD\"" \
        $(ls app/*.cpp game/*.cpp play/*.cpp scores/*.cpp | grep -v '^app/main.cpp$') \
        fuzz/event_loop.cpp "${objects[@]}" $(pkg-config --libs sdl) \
        -Wl,--wrap=SDL_Delay,--wrap=SDL_GetTicks,--wrap=SDL_WaitEvent,--wrap=SDL_PollEvent \
        -Wl,--wrap=SDL_Flip,--wrap=SDL_UpperBlit,--wrap=SDL_FillRect,--wrap=SDL_SetColors \
        -Wl,--wrap=_ZN4Game9drawBoardEv \
        -o "$out/event_loop"
}

# Short runs: about ten seconds each.
smoke_runs() {
    case "$1" in
    highscore_loader) echo "-runs=20000 -max_len=4096" ;;
    event_loop) echo "-runs=1000 -max_len=256" ;;
    esac
}

# New inputs go to a scratch corpus, so the seeds in the repository stay put.
# The fuzzers work in folders of their own, hence the absolute paths.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
# SDL keeps some memory for the life of the process (see the file).
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
for target in $targets; do
    echo "== $target"
    "build_$target"
    mkdir -p "$corpus/$target"
    # shellcheck disable=SC2046
    "$out/$target" ${FUZZ_ARGS:-$(smoke_runs "$target")} \
        -artifact_prefix="$PWD/fuzz/findings/$target-" "$corpus/$target" \
        "$PWD/fuzz/corpus/$target"
done
