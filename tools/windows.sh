#!/usr/bin/env bash
# Builds Tessalorium for 64-bit Windows on this Debian machine and leaves in
# build/windows/ the portable zip and the installer (...-setup.exe):
#   tools/windows.sh
# Installs what is missing, fetches SDL 1.2's Debian source package
# libsdl1.2 with apt-get source (adding a deb-src entry when apt has none),
# checks it against packaging/windows/libsdl1.2.sha256, which also names
# the version, and builds it once into build/windows-sdl/; a later run
# builds only the game (build/windows-game/) and packs it with CPack.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/deps.sh windows
jobs=$(nproc)
triple=x86_64-w64-mingw32

sums=$root/packaging/windows/libsdl1.2.sha256
dsc=$(awk '$2 ~ /\.dsc$/ { print $2 }' "$sums")
version=${dsc#libsdl1.2_} && version=${version%.dsc}
# Windows' own graphics (GDI) and nothing SDL would need a DLL or DirectX
# for; the game has no sound. SDLmain leaves standard output and error
# alone (no stdout.txt beside the program). Only the DLL is used.
sdl_flags=("--host=$triple" --disable-directx --disable-audio --disable-cdrom --disable-joystick
    --disable-assembly --disable-stdio-redirect --disable-static)
sdl_dir=$root/build/windows-sdl
prefix=$sdl_dir/root
# A change of version, flags or place builds it again.
stamp="libsdl1.2 $version ${sdl_flags[*]} $prefix"
game=$root/build/windows-game

# Runs a long step quietly; its log is shown when it fails.
logged() { # LOG COMMAND...
    "${@:2}" >"$1" 2>&1 || { tail -40 "$1" >&2 && echo "$0: failed, see $1" >&2 && return 1; }
}

build_sdl() {
    echo "== SDL $version for Windows (once)"
    rm -rf "$sdl_dir"
    mkdir -p "$sdl_dir/download"
    tools/windows/deb-src.sh "libsdl1.2=$version" libsdl1.2debian
    local apt_options=()
    # As root, apt would try and fail to download as its own user first.
    [ "$(id -u)" -ne 0 ] || apt_options=(-o APT::Sandbox::User=root)
    (cd "$sdl_dir/download" &&
        apt-get source --download-only -qq "${apt_options[@]}" "libsdl1.2=$version" &&
        sha256sum --quiet --strict -c "$sums")
    logged "$sdl_dir/unpack.log" dpkg-source -x "$sdl_dir/download/$dsc" "$sdl_dir/src"
    (cd "$sdl_dir/src" &&
        logged ../configure.log ./configure --prefix="$prefix" "${sdl_flags[@]}" &&
        logged ../make.log make -j "$jobs" &&
        logged ../install.log make install)
    $triple-strip --strip-unneeded "$prefix/bin/SDL.dll"
    {
        echo "SDL.dll is the Simple DirectMedia Layer library 1.2, built without"
        echo "changes from Debian's source package libsdl1.2, version $version"
        echo "(\`apt-get source libsdl1.2=$version\`, or"
        echo "https://snapshot.debian.org/package/libsdl1.2/$version/), for"
        echo "64-bit Windows with MinGW-w64, configured with"
        echo "  ${sdl_flags[*]}"
        echo "It is free software under the GNU Lesser General Public License,"
        echo "version 2.1 or later, which follows; after it, Debian's record of"
        echo "the source's authors and licences. SDL.dll may be replaced by"
        echo "another build of SDL 1.2."
        printf '\n%s\n\n' "================================================================"
        cat "$sdl_dir/src/COPYING"
        printf '\n%s\n\n' "================================================================"
        cat "$sdl_dir/src/debian/copyright"
    } >"$prefix/share/SDL-LICENSE.txt"
    rm -rf "$sdl_dir/src" "$sdl_dir"/libsdl1.2_*  # and dpkg-source's link to the tarball
    echo "$stamp" >"$sdl_dir/built"
    rm -rf "$game"  # its cache holds what it found of the SDL before
}
[ "$(cat "$sdl_dir/built" 2>/dev/null)" = "$stamp" ] || build_sdl

echo "== Tessalorium for Windows"
cmake -S . -B "$game" -DCMAKE_TOOLCHAIN_FILE="$root/packaging/windows/toolchain.cmake" \
    -DTESSALORIUM_SDL_ROOT="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$game" -j "$jobs"
rm -rf "$game/packages" build/windows
logged "$game/cpack.log" cpack --config "$game/CPackConfig.cmake" -B "$game/packages"
mkdir -p build/windows
cp "$game"/packages/tessalorium-*-win64.zip "$game"/packages/tessalorium-*-win64-setup.exe \
    build/windows/
ls -l build/windows
