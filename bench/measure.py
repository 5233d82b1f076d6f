#!/usr/bin/env python3
"""Measures the running programs on the X display ($DISPLAY) and prints the table of docs/performance.md
with draw_bench's figures, which it reads from RESULTS; bench/run.sh runs it.

    measure.py RESULTS LAUNCHES RUNS IDLE_SECONDS [WINDOWS_FOLDER]

With WINDOWS_FOLDER (an absolute path: the unpacked Windows zip, with bench/bare_wait.c built beside the
game as bare_wait.exe, and as present.exe with the game's SDL_Flip) it measures those under Wine, and
present.exe's flips take the place of draw_bench's figures.
The game, the bare SDL loop and the third program take turns, so that they share the machine's load;
every figure is a median."""
import ctypes, datetime, json, os, platform, select, statistics, struct, subprocess, sys, tempfile, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "bench")
TITLE_CLICK = (100, 40)  # leaves the title screen and touches no button of the play screen
PRESENT_FACTORS, FLIPS, GAME_W, GAME_H = (1, 2, 5), 500, 206, 274
LAUNCH_TIMEOUT, GROUP_CELLS, CELL_FLOOR_MS = 10.0, 4, 16 * 5

X = ctypes.cdll.LoadLibrary("libX11.so.6")
DISPLAY, INT, LONG = ctypes.c_void_p, ctypes.c_int, ctypes.c_ulong  # Display *, int, Window or mask
for name, result, *arguments in (
        ("XOpenDisplay", DISPLAY, ctypes.c_char_p), ("XDefaultRootWindow", LONG, DISPLAY),
        ("XSelectInput", INT, DISPLAY, LONG, LONG), ("XSync", INT, DISPLAY, INT), ("XPending", INT, DISPLAY),
        ("XNextEvent", INT, DISPLAY, ctypes.c_void_p), ("XConnectionNumber", INT, DISPLAY)):
    getattr(X, name).restype, getattr(X, name).argtypes = result, arguments
MAP_NOTIFY, SUBSTRUCTURE_NOTIFY = 19, 1 << 19


class MapEvent(ctypes.Structure):  # XMapEvent, padded to the size of any XEvent
    _fields_ = [("type", INT), ("serial", LONG), ("send_event", INT), ("display", DISPLAY), ("event", LONG),
                ("window", LONG), ("override_redirect", INT), ("pad", LONG * 24)]


def launch(display, command, env, cwd):
    """Starts a program; returns it with the ms from just before the start to its first top-level
    window mapped (MapNotify on the root) and to the return of its first SDL_Flip (from the shim,
    which a program under Wine has not)."""
    X.XSync(display, 1)  # forget the windows of earlier programs
    read, write = os.pipe()
    start = time.monotonic_ns()
    program = subprocess.Popen(command, cwd=cwd, env=dict(env, BENCH_FLIP_FD=str(write)), pass_fds=(write,),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    mapped, flipped = None, None if "LD_PRELOAD" in env else 0
    event, deadline = MapEvent(), start + LAUNCH_TIMEOUT * 1e9
    while (mapped is None or flipped is None) and time.monotonic_ns() < deadline:
        while X.XPending(display):
            X.XNextEvent(display, ctypes.byref(event))
            if event.type == MAP_NOTIFY and not event.override_redirect and mapped is None:
                mapped = time.monotonic_ns()
        if read in select.select([X.XConnectionNumber(display)] + [read] * (flipped is None), [], [], 0.1)[0]:
            data = os.read(read, 8)
            if len(data) < 8:
                break  # it ended without a frame
            flipped = struct.unpack("=Q", data)[0]
    os.close(read)
    if mapped is None or flipped is None:
        stop(program)
        raise RuntimeError("%s: no window or no frame within %.0f s" % (command[0], LAUNCH_TIMEOUT))
    figures = {"map_ms": (mapped - start) / 1e6}
    return program, dict(figures, first_frame_ms=(flipped - start) / 1e6) if flipped else figures


def stop(program):
    program.kill()
    program.wait()


def idle_cost(pid, seconds):
    """CPU ms per second and wake-ups (context switches) per second of all threads over a period."""
    def totals():
        cpu = switches = 0
        for tid in os.listdir("/proc/%d/task" % pid):
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                cpu += int(f.read().split()[0])
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                switches += sum(int(line.split()[1]) for line in f if "ctxt_switches" in line)
        return cpu, switches
    (cpu, switches), begun = totals(), time.monotonic()
    time.sleep(seconds)
    (cpu_end, switches_end), elapsed = totals(), time.monotonic() - begun
    return (cpu_end - cpu) / 1e6 / elapsed, (switches_end - switches) / elapsed


def steady(program, title, seconds):
    """Idle cost on the title screen (for the game: `title` is its window factor), then waiting after a
    click into the window, as the game's starts a game (a window of Wine's wakes more often with the
    focus, so the bare loop is clicked too); memory."""
    figures, pid = {}, program.pid
    time.sleep(1.0)  # past start-up
    if title:
        figures["title_cpu"], figures["title_wakeups"] = idle_cost(pid, seconds)
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], check=True,
                            capture_output=True, text=True).stdout.split()[-1]
    subprocess.run(["xdotool", "mousemove", "--window", window, *(str(max(title, 1) * c) for c in TITLE_CLICK),
                    "click", "1"], check=True)
    time.sleep(0.5)
    figures["idle_cpu"], figures["idle_wakeups"] = idle_cost(pid, seconds)
    status = dict(line.split(":", 1) for line in open("/proc/%d/status" % pid))
    pss = next(line for line in open("/proc/%d/smaps_rollup" % pid) if line.startswith("Pss:"))
    figures.update(rss=int(status["VmRSS"].split()[0]) / 1024, pss=int(pss.split()[1]) / 1024,
                   threads=int(status["Threads"]))
    return figures


def linux_programs():
    """Column: command, environment, window factor of a title screen to click away (0: none)."""
    env = dict(os.environ, LD_PRELOAD=os.path.join(BUILD, "bench", "first_flip_shim.so"))
    game = os.path.join(BUILD, "tessalorium")
    return {
        "game": ([game], env, 1),
        # with the two SDL settings the game chooses for itself
        "bare SDL loop": ([os.path.join(BUILD, "bench", "bare_wait")],
                          dict(env, SDL_RENDER_DRIVER="software", SDL_FRAMEBUFFER_ACCELERATION="0"), 0),
        # the game leaves a variable that is set alone, and SDL takes an empty one for its default
        "game on SDL's defaults": ([game], dict(env, SDL_RENDER_DRIVER="", SDL_FRAMEBUFFER_ACCELERATION=""),
                                   1)}


def windows_programs(folder):
    """As linux_programs, under Wine (its exec chain keeps the pid): the game, and at factor 5."""
    game, bare = (["wine", os.path.join(folder, name)] for name in ("tessalorium.exe", "bare_wait.exe"))
    one, five = (dict(os.environ, SDL12COMPAT_WINDOW_SCALING=str(factor)) for factor in (1, 5))
    return {"game": (game, one, 1), "bare SDL loop": (bare, one, 0), "game at factor 5": (game, five, 5)}


def measure_programs(programs, launches, runs, seconds):
    display = X.XOpenDisplay(None)
    X.XSelectInput(display, X.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY)
    launched, steadied = ({name: [] for name in programs} for _ in range(2))
    with tempfile.TemporaryDirectory(prefix="tessalorium-bench-") as scratch:
        os.symlink(os.path.join(ROOT, "gfx"), os.path.join(scratch, "gfx"))
        for number in range(launches + 1):  # the first, unrecorded, warms the file cache
            for name, (command, environment, _) in programs.items():
                program, times = launch(display, command, environment, scratch)
                stop(program)
                launched[name] += [times] if number else []
        for run in range(runs):
            for name, (command, environment, title) in programs.items():
                program, _ = launch(display, command, environment, scratch)
                try:
                    steadied[name].append(steady(program, title, seconds))
                finally:
                    stop(program)
            print("measure: steady runs %d/%d" % (run + 1, runs), file=sys.stderr)
    return {name: {key: statistics.median(sample[key] for sample in samples[name])
                   for samples in (launched, steadied) for key in samples[name][0]} for name in programs}


DRAWING = [  # label, draw_bench's benchmark, which time, divided by, digits, target
    ("drawBoard: CPU µs per call", "drawBoard/process_time", "cpu_time", 1, 0, "≤ 100"),
    ("… of it SDL_Flip alone: CPU µs", "flip/process_time", "cpu_time", 1, 0, ""),
    ("drawBoard on the display: wall µs", "drawBoard/process_time", "real_time", 1, 0, ""),
    ("… of it SDL_Flip alone: wall µs", "flip/process_time", "real_time", 1, 0, ""),
    ("removing a group of four, pauses out: CPU ms", "removal/0/process_time", "cpu_time", 1, 1, ""),
    ("removal animation: wall ms per cell", "removal/1/real_time", "real_time", GROUP_CELLS, 1, ""),
    ("removal animation: ratio to its floor, 16 pauses of 5 ms per cell", "removal/1/real_time", "real_time",
     GROUP_CELLS * CELL_FLOOR_MS, 3, "≤ 1.05"),
    ("… the 16 pauses of 5 ms alone: ratio to 80 ms", "pauses/real_time", "real_time", CELL_FLOOR_MS, 3, "")]
RUNNING = [  # label, key, digits, target
    ("launch → mapped window, ms", "map_ms", 1, ""), ("launch → first frame, ms", "first_frame_ms", 1, "≤ 30"),
    ("resident memory (VmRSS), MB", "rss", 1, "≤ 12"), ("proportional memory (Pss), MB", "pss", 1, ""),
    ("threads", "threads", 0, "1"),
    ("CPU while waiting on the play screen, ms per s", "idle_cpu", 2, "≤ bare loop"),
    ("wake-ups while waiting, per s", "idle_wakeups", 0, ""),
    ("CPU while showing the title screen, ms per s", "title_cpu", 2, ""),
    ("wake-ups on the title screen, per s", "title_wakeups", 0, "")]


def drawing(results):
    """The first table's rows from draw_bench and callgrind, and the machine."""
    with open(os.path.join(results, "draw_bench.json")) as f:
        bench = json.load(f)
    medians = {b["run_name"]: b for b in bench["benchmarks"] if b.get("aggregate_name") == "median"}
    rows = ["| %s | %s | %.*f |" % (label, target, digits, medians[name][kind] / divisor)
            for label, name, kind, divisor, digits, target in DRAWING]
    with open(os.path.join(results, "instructions")) as f:
        rows.append("| drawBoard: instructions per call (callgrind) | | %s |" % f.read().strip())
    return rows, "%s x %s MHz" % (bench["context"]["num_cpus"], bench["context"]["mhz_per_cpu"])


def presenting(folder, runs):
    """The first table's rows from present.exe's flips at each window factor, and the machine."""
    flips = {factor: [] for factor in PRESENT_FACTORS}
    for _ in range(runs):
        for factor, times in flips.items():
            times += map(float, subprocess.run(["wine", os.path.join(folder, "present.exe"), str(FLIPS)],
                                               env=dict(os.environ, SDL12COMPAT_WINDOW_SCALING=str(factor)),
                                               capture_output=True, check=True).stdout.split())
    rows = ["| SDL_Flip at window factor %d (%d × %d): wall µs | | %.0f |" % (factor, factor * GAME_W,
            factor * GAME_H, statistics.median(times)) for factor, times in flips.items()]
    version = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.partition("-")[2]
    return rows, "%d CPUs, tested under Wine %s" % (os.cpu_count(), version.strip())


def table(results, running, rows, machine, targets):
    lines = ["| Figure | Target | Measured |", "|---|---|---:|"] + rows + [
        "", "| Running program | Target | %s |" % " | ".join(running), "|---|---|---:|---:|---:|"]
    for label, key, digits, target in RUNNING:
        cells = ["%.*f" % (digits, ran[key]) if key in ran else "–" for ran in running.values()]
        if any(key in ran for ran in running.values()):
            lines.append("| %s | %s | %s |" % (label, target if targets else "", " | ".join(cells)))
    with open(os.path.join(results, "load_before")) as f, open("/proc/loadavg") as g:
        load = [" ".join(text.split()[:3]) for text in (f.read(), g.read())]
    commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    lines += ["", "Measured %s at commit %s on %s, Linux %s; load average (1, 5, 15 min) %s before the run "
              "and %s after it." % (datetime.date.today(), commit, machine, platform.release(), *load)]
    return "\n".join(lines)


def main():
    if len(sys.argv) not in (5, 6):
        sys.exit(__doc__)
    results, launches, runs, seconds, *windows = sys.argv[1:]
    rows, machine = presenting(windows[0], int(runs)) if windows else drawing(results)
    programs = windows_programs(windows[0]) if windows else linux_programs()
    running = measure_programs(programs, int(launches), int(runs), float(seconds))
    print(table(results, running, rows, machine, not windows))


if __name__ == "__main__":
    main()
