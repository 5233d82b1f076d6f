#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the whole
# suite on a normal build, with the Windows zip and installer under Wine,
# then the unit tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh test windows
jobs=$(nproc)

echo "== Windows build"
tools/windows.sh

echo "== Build and test"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSALORIUM_WINDOWS_PACKAGES="$PWD/build/windows" \
    -DTESSALORIUM_WINDOWS_SDL="$PWD/build/windows-sdl/root" >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test -j "$jobs" --output-on-failure

echo "== Sanitizer build and unit tests"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTESSALORIUM_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
# SDL keeps some memory for the life of the process; see the file.
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    ctest --test-dir build/asan -j "$jobs" -L unit --output-on-failure
