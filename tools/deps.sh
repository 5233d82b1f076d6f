#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those not yet installed.
#   tools/deps.sh play    what building and running the game needs
#   tools/deps.sh package ... plus what building the .deb needs
#   tools/deps.sh test    ... plus everything the test suite uses
#   tools/deps.sh bench   ... plus what the benchmarks use
#   tools/deps.sh wayland what bench/run.sh --wayland adds
#   tools/deps.sh windows what tools/windows.sh and its test under Wine use
# Several tasks at once: tools/deps.sh test windows
set -euo pipefail

play=(g++ cmake make pkg-config libsdl1.2-compat-dev)
# CPack finds the package's dependencies with dpkg-shlibdeps and file.
package=("${play[@]}" dpkg-dev file)
# The suite also plays the game on a virtual X display under a window
# manager, runs it under valgrind, fuzzes it with clang's libFuzzer and
# checks the package.
test=("${package[@]}" libgtest-dev
    xvfb xauth xdotool x11-utils openbox wmctrl imagemagick python3 python3-pil
    valgrind clang libclang-rt-14-dev
    desktop-file-utils appstream xfonts-terminus shellcheck)
# Benchmarks.
bench=("${test[@]}" libbenchmark-dev)
# The window's scale on Wayland: Weston nested in Xvfb, with XWayland, and
# the tools the launcher and the measuring script read the outputs with.
wayland=("${play[@]}" weston xwayland wayland-utils xvfb x11-utils x11-xserver-utils
    xdotool imagemagick python3 python3-pil)
# The Windows build: MinGW-w64, NSIS, SDL's Debian source unpacked
# (dpkg-source), Python for the icon; Wine (64-bit) for its test.
windows=(cmake make pkg-config dpkg-dev xz-utils g++-mingw-w64-x86-64 nsis python3 wine unzip)

wanted=()
for task in "${@:-play}"; do
    case "$task" in
    play) wanted+=("${play[@]}") ;;
    package) wanted+=("${package[@]}") ;;
    test) wanted+=("${test[@]}") ;;
    bench) wanted+=("${bench[@]}") ;;
    wayland) wanted+=("${wayland[@]}") ;;
    windows) wanted+=("${windows[@]}") ;;
    *)
        echo "usage: $0 [play|package|test|bench|wayland|windows]..." >&2
        exit 2
        ;;
    esac
done

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' &&
        [[ " ${missing[*]} " != *" $package "* ]]; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
# Fonts installed after fontconfig (xfonts-terminus, fonts-urw-base35) write
# their folders' fonts.dir from their own scripts and fire no fontconfig
# trigger, so those folders' caches stay stale and the first fontconfig
# program to start, openbox in the tests, rescans them.
if command -v fc-cache >/dev/null; then $sudo fc-cache; fi
