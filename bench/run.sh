#!/usr/bin/env bash
# Builds and runs the benchmarks and prints every figure (medians over
# repeated runs):
#   bench/run.sh           measure and print
#   bench/run.sh --write   ... and publish the figures in docs/performance.md
#   bench/run.sh --quick   fewer repetitions, for trying the scripts out
# Installs what is missing (tools/deps.sh bench), builds in build/bench and
# runs the programs on a virtual X display (Xvfb, depth 24) of its own.
# Takes about three minutes on two idle cores (with the build); best run on
# an otherwise idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."

write=0
quick=0
for argument in "$@"; do
    case "$argument" in
    --write) write=1 ;;
    --quick) quick=1 ;;
    *)
        echo "usage: $0 [--write] [--quick]" >&2
        exit 2
        ;;
    esac
done

repetitions=7 launches=21 runs=3 idle_seconds=10 removal_runs=7 profile_calls=200
if [ "$quick" -eq 1 ]; then
    repetitions=2 launches=3 runs=1 idle_seconds=2 removal_runs=2 profile_calls=20
fi

tools/deps.sh bench
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DTESSALORIUM_BENCH=ON >/dev/null
cmake --build "$build" -j 2 >/dev/null
results="$build/results"
rm -rf "$results"
mkdir -p "$results"
cat /proc/loadavg >"$results/load_before"

# A display of our own, at the depth of a usual desktop.
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

echo "== Drawing and turn CPU time (Google Benchmark, $repetitions repetitions)" >&2
"$build/bench/draw_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --benchmark_min_time=0.5 \
    --benchmark_out="$results/draw_bench.json" --benchmark_out_format=json >&2

echo "== Removal animation on the display ($removal_runs runs)" >&2
"$build/bench/removal_timing" "$removal_runs" >"$results/removal.json"

echo "== Instruction counts (callgrind, dummy video driver)" >&2
count_instructions() { # name function mode depth
    local out="$results/callgrind.$1"
    SDL_VIDEODRIVER=dummy valgrind --tool=callgrind --callgrind-out-file="$out" \
        --toggle-collect="$2" "$build/bench/draw_profile" "$3" "$4" "$profile_calls" \
        >/dev/null 2>&1
    echo "$1 $(sed -n 's/^summary: *//p' "$out") $profile_calls"
}
{
    count_instructions board_32 'Game::drawBoard()' board 0
    count_instructions board_8 'Game::drawBoard()' board 8
    count_instructions text_32 'Game::drawText(*)' text 0
    count_instructions text_8 'Game::drawText(*)' text 8
} >"$results/instructions.txt"

echo "== Launch, memory and idle CPU: game, bare SDL loop" >&2
/usr/bin/python3 bench/measure.py --bench-dir "$build/bench" --game "$build/tessalorium" \
    --gfx gfx --launches "$launches" --runs "$runs" --idle-seconds "$idle_seconds" \
    --out "$results/processes.json"

cat /proc/loadavg >"$results/load_after"
report=(/usr/bin/python3 bench/report.py --results "$results" --baseline bench/baseline.json)
[ "$write" -eq 1 ] && report+=(--write docs/performance.md)
"${report[@]}"
