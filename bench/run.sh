#!/usr/bin/env bash
# Measures the figures of docs/performance.md and prints its table:
#   bench/run.sh           measure and print
#   bench/run.sh --write   ... and put the table into docs/performance.md
#   bench/run.sh --quick   fewer and shorter runs, for trying the scripts out
#   bench/run.sh --wayland the window on Wayland outputs instead (docs/wayland.md)
#   bench/run.sh --windows the Windows build (tools/windows.sh) under Wine instead
# Installs what is missing (tools/deps.sh bench, and wayland), builds in
# build/bench and runs everything on virtual displays of its own. Takes about
# 3.5 minutes on two loaded cores (--wayland 2); best on an idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."

write=0 quick=() wayland=0 windows=() screen=640x480x24 marker=figures repetitions=7 launches=21 runs=3 idle_seconds=10
for argument in "$@"; do
    case "$argument" in
    --write) write=1 ;;
    --quick) quick=(--quick) repetitions=2 launches=3 runs=1 idle_seconds=2 ;;
    --wayland) wayland=1 ;;
    # measure.py's last argument: the zip unpacked, with bench's Windows programs beside the game
    --windows) windows=("$PWD/build/bench/results/windows") screen=3840x2160x24 marker=windows ;;
    *) echo "usage: $0 [--write] [--quick] [--wayland | --windows]" >&2 && exit 2 ;;
    esac
done

tools/deps.sh bench
[ "$wayland" -eq 0 ] || tools/deps.sh wayland
build=build/bench results=build/bench/results
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DTESSALORIUM_BENCH=ON >/dev/null
cmake --build "$build" -j 2 >/dev/null
rm -rf "$results" && mkdir -p "$results"
if [ ${#windows[@]} -eq 1 ]; then
    tools/windows.sh >&2
    unzip -q build/windows/tessalorium-*-win64.zip -d "$results" && mv "$results"/tessalorium-*-win64 "${windows[0]}"
    # bare_wait.c as the game is built, and again with the game's own SDL_Flip (app/window_windows.cpp).
    read -ra sdl < <(PKG_CONFIG_LIBDIR=build/windows-sdl/root/lib/pkgconfig pkg-config --cflags --static --libs sdl)
    cc=(x86_64-w64-mingw32-g++-win32 -O3 -s -static-libgcc -static-libstdc++ -x c bench/bare_wait.c -x none
        -l:libwinpthread.a)
    "${cc[@]}" "${sdl[@]}" -o "${windows[0]}/bare_wait.exe"
    "${cc[@]}" build/windows-game/libtessalorium_core.a "${sdl[@]}" -Wl,--wrap=SDL_SetVideoMode,--wrap=SDL_Flip \
        -o "${windows[0]}/present.exe"
fi

if [ "$wayland" -eq 1 ]; then
    page=docs/wayland.md marker=table
    /usr/bin/python3 bench/wayland.py "${quick[@]}" | tee "$results/table"
else
    page=docs/performance.md
    cat /proc/loadavg >"$results/load_before"
    # A display of our own, at the depth of a usual desktop; for Windows 4K, room for factor 5.
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$results/display" 2>/dev/null &
    xvfb=$!
    trap 'kill "$xvfb" 2>/dev/null || true' EXIT
    while [ ! -s "$results/display" ] && kill -0 "$xvfb"; do sleep 0.1; done
    DISPLAY=":$(cat "$results/display")"
    export DISPLAY

    if [ ${#windows[@]} -eq 1 ]; then
        # A new Wine prefix (not measured), in scratch folders: nothing reaches the real home (menu
        # entries and file types: winemenubuilder off too); no Mono or Gecko offered. Wine's server
        # and its own programs stay up between launches, as Windows' own do.
        export HOME="$PWD/$results/home" WINEPREFIX="$PWD/$results/wine" WINEDEBUG=-all
        export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
        unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
        trap 'wineserver -k 2>/dev/null; kill "$xvfb" 2>/dev/null || true' EXIT
        mkdir -p "$HOME" "$WINEPREFIX" && wineserver -p && wineboot -i >"$results/wineboot.log" 2>&1
    else
        echo "== Drawing and removal (Google Benchmark, $repetitions repetitions)" >&2
        "$build/bench/draw_bench" --benchmark_repetitions="$repetitions" --benchmark_min_time=0.5 \
            --benchmark_report_aggregates_only=true --benchmark_out="$results/draw_bench.json" >&2

        echo "== Instructions per drawBoard (callgrind)" >&2
        valgrind --tool=callgrind --compress-strings=no --callgrind-out-file="$results/callgrind" \
            "$build/bench/draw_bench" --benchmark_filter='^drawBoard' --benchmark_min_time=0.05 >/dev/null 2>&1
        # The benchmark loop's calls, not the set-up's: their count and inclusive cost.
        awk '/^fn=/ { caller = $0 }
            caller ~ /drawBoard\(benchmark/ && /^cfn=Game::drawBoard\(\)/ {
                getline; calls += substr($1, 7); getline; cost += $2 }
            END { printf "%.0f\n", cost / calls }' "$results/callgrind" >"$results/instructions"
    fi

    echo "== Launch, memory and idle cost: the game, the bare SDL loop and a third program" >&2
    /usr/bin/python3 bench/measure.py "$results" "$launches" "$runs" "$idle_seconds" "${windows[@]}" |
        tee "$results/table"
fi

# The table replaces what lies between the page's begin and end markers.
if [ "$write" -eq 1 ]; then
    awk -v table="$results/table" -v marker="$marker" '$0 ~ "^<!-- " marker ": end -->" { skip = 0 } !skip
        $0 ~ "^<!-- " marker ": begin" { while ((getline line <table) > 0) print line; skip = 1 }' \
        "$page" >"$results/page" && cp "$results/page" "$page"
fi
