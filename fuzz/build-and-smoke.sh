#!/usr/bin/env bash
# Builds the high score loader fuzzer with clang's libFuzzer and gives it a
# short run over the seed corpus; any crash or broken invariant fails.
#   fuzz/build-and-smoke.sh            20000 runs
#   FUZZ_ARGS="-max_total_time=600" fuzz/build-and-smoke.sh
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/fuzz
mkdir -p "$out" fuzz/findings
clang++ -std=c++17 -g -O1 -Wall -Wextra \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I. $(pkg-config --cflags sdl) \
    fuzz/highscore_loader.cpp scores/highscores.cpp \
    -o "$out/highscore_loader"

# New inputs go to a scratch corpus, so the seeds in the repository stay put.
# The fuzzer works in a folder of its own, hence the absolute paths.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
"$out/highscore_loader" ${FUZZ_ARGS:--runs=20000} -max_len=4096 \
    -artifact_prefix="$PWD/fuzz/findings/" "$corpus" "$PWD/fuzz/corpus/highscore_loader"
