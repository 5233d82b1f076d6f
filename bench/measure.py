#!/usr/bin/env python3
"""Launch time, memory and idle CPU of running programs on an X display.

Measures the game and the bare SDL_WaitEvent loop, interleaved so that they
share the machine's load. Every
figure is a median over the runs. Writes one JSON file; run.sh prints and
publishes it.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

# Where a click leaves the title screen without touching a button of the
# play screen (above the board, left of the close box).
TITLE_CLICK = (100, 40)


def task_ids(pid):
    return os.listdir(f"/proc/{pid}/task")


def cpu_and_switches(pid):
    """Nanoseconds on a CPU and context switches, summed over all threads."""
    cpu = 0
    switches = 0
    for tid in task_ids(pid):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                cpu += int(f.read().split()[0])
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
        except FileNotFoundError:
            pass  # a thread that just ended
    return cpu, switches


def idle_cost(pid, seconds):
    """CPU milliseconds per second and wake-ups per second over a period."""
    cpu0, sw0 = cpu_and_switches(pid)
    start = time.monotonic()
    time.sleep(seconds)
    cpu1, sw1 = cpu_and_switches(pid)
    elapsed = time.monotonic() - start
    return (cpu1 - cpu0) / 1e6 / elapsed, (sw1 - sw0) / elapsed


def memory(pid):
    figures = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "Threads"):
                figures[key] = int(value.split()[0])
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith("Pss:"):
                figures["Pss"] = int(line.split()[1])
    return {"rss_kb": figures["VmRSS"], "pss_kb": figures["Pss"], "threads": figures["Threads"]}


class Subject:
    def __init__(self, name, command, env, cwd, flip):
        self.name = name
        self.command = command
        self.env = env
        self.cwd = cwd
        self.flip = flip  # whether the first-flip shim reports its first frame


class Running:
    """A subject started under launch_probe; stopped when the block ends."""

    def __init__(self, probe, subject):
        args = [probe] + ([] if subject.flip else ["--no-flip"]) + ["--"] + subject.command
        for attempt in range(3):
            # The program's own messages go to a log, not into the figures.
            with open(os.path.join(subject.cwd, "probe.log"), "a") as log:
                self.process = subprocess.Popen(args, cwd=subject.cwd, env=subject.env,
                                                stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                                stderr=log, text=True)
            line = self.process.stdout.readline()
            if line:
                break
            # The probe died before reporting (seen rarely under heavy load).
            self.process.stdin.close()
            self.process.wait(timeout=30)
            with open(os.path.join(subject.cwd, "probe.log")) as log:
                said = log.read().strip().splitlines()[-3:]
            print(f"measure: {subject.name}: probe gave no figures (exit "
                  f"{self.process.returncode}: {' / '.join(said)}), trying again",
                  file=sys.stderr)
        else:
            raise RuntimeError(f"{subject.name}: no figures after three launches")
        self.times = json.loads(line)
        self.pid = self.times["pid"]

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.stdin.close()
        self.process.wait(timeout=30)


def launch_figures(times, flip):
    first_frame = times["flip_ms"] if flip else times["damage_ms"]
    return {"map_ms": times["map_ms"], "first_frame_ms": first_frame,
            "damage_ms": times["damage_ms"]}


def click(pid, x, y):
    """Clicks into the program's window (the one it has now: SDL may have
    replaced the first one)."""
    windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                             check=True, capture_output=True, text=True).stdout.split()
    subprocess.run(["xdotool", "mousemove", "--window", windows[-1], str(x), str(y),
                    "click", "1"], check=True)


def steady_run(probe, subject, idle_seconds):
    figures = {}
    with Running(probe, subject) as run:
        time.sleep(1.0)  # past start-up
        if subject.name == "tessalorium":
            figures["title_cpu_ms_per_s"], figures["title_wakeups_per_s"] = idle_cost(
                run.pid, idle_seconds)
            click(run.pid, *TITLE_CLICK)
            time.sleep(0.5)
        figures["idle_cpu_ms_per_s"], figures["idle_wakeups_per_s"] = idle_cost(
            run.pid, idle_seconds)
        figures.update(memory(run.pid))
    return figures


def medians(samples):
    keys = samples[0].keys()
    return {key: statistics.median(sample[key] for sample in samples) for key in keys}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bench-dir", required=True, help="build directory of bench/")
    parser.add_argument("--game", required=True)
    parser.add_argument("--gfx", required=True)
    parser.add_argument("--launches", type=int, default=15)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--idle-seconds", type=float, default=10.0)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    bench_dir = os.path.abspath(args.bench_dir)
    probe = os.path.join(bench_dir, "launch_probe")
    shim = os.path.join(bench_dir, "first_flip_shim.so")
    scratch = tempfile.mkdtemp(prefix="tessalorium-bench-")
    os.symlink(os.path.abspath(args.gfx), os.path.join(scratch, "gfx"))
    sdl_env = dict(os.environ, LD_PRELOAD=shim)
    # The bare loop runs with the SDL settings the game chooses for itself.
    bare_env = dict(sdl_env)
    for name, value in (("SDL_RENDER_DRIVER", "software"),
                        ("SDL_FRAMEBUFFER_ACCELERATION", "0")):
        bare_env.setdefault(name, value)
    subjects = [
        Subject("tessalorium", [os.path.abspath(args.game)], sdl_env, scratch, True),
        Subject("bare_wait", [os.path.join(bench_dir, "bare_wait")], bare_env, scratch, True),
    ]

    try:
        result = measure(probe, subjects, args)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    with open(args.out, "w") as f:
        json.dump(result, f, indent=1)


def measure(probe, subjects, args):
    launches = {s.name: [] for s in subjects}
    steady = {s.name: [] for s in subjects}
    # One launch each first, unrecorded: the file cache is warm for all.
    for subject in subjects:
        with Running(probe, subject):
            pass
    for i in range(args.launches):
        for subject in subjects:
            with Running(probe, subject) as run:
                launches[subject.name].append(launch_figures(run.times, subject.flip))
        print(f"measure: launches {i + 1}/{args.launches}", file=sys.stderr)
    for i in range(args.runs):
        for subject in subjects:
            steady[subject.name].append(steady_run(probe, subject, args.idle_seconds))
        print(f"measure: steady runs {i + 1}/{args.runs}", file=sys.stderr)

    result = {}
    for subject in subjects:
        result[subject.name] = dict(medians(launches[subject.name]),
                                    **medians(steady[subject.name]))
        result[subject.name]["samples"] = {"launches": launches[subject.name],
                                           "steady": steady[subject.name]}
    return result


if __name__ == "__main__":
    main()
