#!/usr/bin/env bash
# Measures every figure of docs/performance.md and prints its table:
#   bench/run.sh           measure and print
#   bench/run.sh --write   ... and put the table into docs/performance.md
#   bench/run.sh --quick   fewer and shorter runs, for trying the scripts out
# Installs what is missing (tools/deps.sh bench), builds in build/bench and
# runs everything on a virtual X display of its own (Xvfb, depth 24). Takes
# about four minutes on two cores; best run on an otherwise idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."

write=() repetitions=7 launches=21 runs=3 idle_seconds=10
for argument in "$@"; do
    case "$argument" in
    --write) write=(--write) ;;
    --quick) repetitions=2 launches=3 runs=1 idle_seconds=2 ;;
    *) echo "usage: $0 [--write] [--quick]" >&2 && exit 2 ;;
    esac
done

tools/deps.sh bench
build=build/bench results=build/bench/results
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DTESSALORIUM_BENCH=ON >/dev/null
cmake --build "$build" -j 2 >/dev/null
rm -rf "$results" && mkdir -p "$results"
cat /proc/loadavg >"$results/load_before"

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=":$display"
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

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

echo "== Launch, memory and idle cost: game, bare SDL loop, game on SDL's defaults" >&2
/usr/bin/python3 bench/measure.py "$results" "$launches" "$runs" "$idle_seconds" "${write[@]}"
