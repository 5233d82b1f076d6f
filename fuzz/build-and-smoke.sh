#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and gives each a short run from its seeds in
# fuzz/corpus/; inputs that break something are kept in fuzz/findings/.
#   highscore_loader   any bytes as hiscores.dat
#   event_loop         any bytes as the input of the whole program
# FUZZ_ARGS="-max_total_time=600" for a long run; FUZZ_OUT to build elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${FUZZ_OUT:-build/fuzz}
mkdir -p "$out" fuzz/findings
read -ra sdl <<<"$(pkg-config --cflags --libs sdl)"
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer -fsanitize=address -fsanitize=undefined
    -fno-sanitize-recover=undefined -DTESSALORIUM_LIBFUZZER -DTESSALORIUM_SOURCE_DIR="\"$PWD\"" -I.)
# The two targets build side by side.
clang++ "${flags[@]}" fuzz/highscore_loader.cpp scores/highscores.cpp "${sdl[@]}" \
    -o "$out/highscore_loader" &
GLOBIGNORE=app/main.cpp
clang++ "${flags[@]}" fuzz/event_loop.cpp tests/support/harness.cpp app/*.cpp game/*.cpp \
    render/*.cpp play/*.cpp scores/*.cpp "${sdl[@]}" -o "$out/event_loop" \
    -Wl,--wrap=SDL_Delay,--wrap=SDL_GetTicks,--wrap=SDL_Flip,--wrap=SDL_WaitEvent \
    -Wl,--wrap=SDL_PollEvent,--wrap=SDL_UpperBlit,--wrap=SDL_FillRect
wait %1

# New inputs go to a scratch corpus, so the seeds in the repository stay put.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
for run in "highscore_loader 5000" "event_loop 200"; do
    target=${run% *}
    echo "== $target"
    mkdir -p "$corpus/$target"
    # shellcheck disable=SC2086 # FUZZ_ARGS holds several words
    "$out/$target" ${FUZZ_ARGS:--runs=${run#* } -max_len=4096} \
        -artifact_prefix="$PWD/fuzz/findings/$target-" "$corpus/$target" "$PWD/fuzz/corpus/$target"
done
