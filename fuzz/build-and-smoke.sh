#!/usr/bin/env bash
# Builds the fuzz target event_loop (any bytes as the input of the whole
# program, and as hiscores.dat) with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and gives it a short run from its seeds in
# fuzz/corpus/; inputs that break something are kept in fuzz/findings/.
# FUZZ_ARGS="-max_total_time=600" for a long run; FUZZ_OUT to build elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${FUZZ_OUT:-build/fuzz}
mkdir -p "$out" fuzz/findings
read -ra sdl <<<"$(pkg-config --cflags --libs sdl)"
# Not main, nor the Windows build's own files (NAME_windows.cpp).
GLOBIGNORE="app/main.cpp:*/*_windows.cpp"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer -fsanitize=address -fsanitize=undefined \
    -fno-sanitize-recover=undefined -DTESSALORIUM_LIBFUZZER -DTESSALORIUM_SOURCE_DIR="\"$PWD\"" \
    -I. fuzz/event_loop.cpp tests/support/harness.cpp app/*.cpp game/*.cpp render/*.cpp \
    play/*.cpp scores/*.cpp "${sdl[@]}" -o "$out/event_loop" \
    -Wl,--wrap=SDL_Delay,--wrap=SDL_GetTicks,--wrap=SDL_Flip,--wrap=SDL_WaitEvent \
    -Wl,--wrap=SDL_PollEvent,--wrap=SDL_UpperBlit,--wrap=SDL_FillRect

# New inputs go to a scratch corpus, so the seeds in the repository stay put.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
# shellcheck disable=SC2086 # FUZZ_ARGS holds several words
"$out/event_loop" ${FUZZ_ARGS:--runs=400 -max_len=4096} \
    -artifact_prefix="$PWD/fuzz/findings/event_loop-" "$corpus" "$PWD/fuzz/corpus/event_loop"
