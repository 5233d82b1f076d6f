#!/usr/bin/env python3
"""Turns the raw results of bench/run.sh into the figures: prints them, and
with --write puts them into the results page between its two markers.
--baseline adds the figures measured before the performance changes
(bench/baseline.json, written with --save-summary on that build)."""
import argparse
import datetime
import json
import os
import platform
import subprocess

BEGIN = "<!-- figures: begin (bench/run.sh --write) -->"
END = "<!-- figures: end -->"


def google_benchmark(path):
    """Median CPU and wall time of each benchmark, in microseconds."""
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
    with open(path) as f:
        data = json.load(f)
    out = {}
    for entry in data["benchmarks"]:
        if entry.get("aggregate_name") != "median":
            continue
        name = entry["run_name"].replace("/process_time", "")
        unit = scale[entry["time_unit"]]
        out[name] = {"cpu_us": entry["cpu_time"] * unit, "wall_us": entry["real_time"] * unit}
        if "per_char" in entry:
            out[name]["per_char_us"] = entry["per_char"] * 1e6
    return out, data["context"]


def summarise(results):
    bench, context = google_benchmark(os.path.join(results, "draw_bench.json"))
    s = {}
    for depth, label in (("0", "32"), ("8", "8")):
        s[f"draw_board_cpu_us_{label}"] = bench[f"drawBoard/{depth}"]["cpu_us"]
        s[f"flip_cpu_us_{label}"] = bench[f"flip/{depth}"]["cpu_us"]
        s[f"draw_text_cpu_us_per_char_{label}"] = bench[f"drawText/{depth}"]["per_char_us"]
    s["turn_quiet_cpu_ms"] = bench["turn/0"]["cpu_us"] / 1e3
    s["turn_group_cpu_ms"] = bench["turn/1"]["cpu_us"] / 1e3

    with open(os.path.join(results, "instructions.txt")) as f:
        for line in f:
            name, instructions, calls = line.split()
            per = int(instructions) / int(calls)
            if name.startswith("text"):
                per /= len("Tessalorium Highscores: 12345")
            s[f"instructions_{name}"] = per

    with open(os.path.join(results, "removal.json")) as f:
        s.update(json.load(f))

    with open(os.path.join(results, "processes.json")) as f:
        processes = json.load(f)
    for program, figures in processes.items():
        key = program.replace("-", "_")
        for name, value in figures.items():
            if name != "samples":
                s[f"{key}.{name}"] = value

    for name in ("load_before", "load_after"):
        with open(os.path.join(results, name)) as f:
            s[name] = " ".join(f.read().split()[:3])
    s["cpu"] = f"{context.get('num_cpus')} x {context.get('mhz_per_cpu')} MHz"
    s["date"] = datetime.date.today().isoformat()
    try:
        s["commit"] = subprocess.run(["git", "rev-parse", "--short", "HEAD"], check=True,
                                     capture_output=True, text=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        s["commit"] = "?"
    s["kernel"] = platform.release()
    return s


def number(value, digits):
    if value is None:
        return "–"
    if isinstance(value, str):
        return value
    return f"{value:.{digits}f}"


# (label, summary key, digits, target) of the figures measured in-process.
DRAWING = [
    ("drawBoard, 32 bpp: CPU µs per call", "draw_board_cpu_us_32", 0, "≤ 100"),
    ("drawBoard, 8 bpp: CPU µs per call", "draw_board_cpu_us_8", 0, ""),
    ("… of it SDL_Flip alone, 32 bpp: CPU µs", "flip_cpu_us_32", 0, ""),
    ("… of it SDL_Flip alone, 8 bpp: CPU µs", "flip_cpu_us_8", 0, ""),
    ("drawText, 32 bpp: CPU µs per character", "draw_text_cpu_us_per_char_32", 2, ""),
    ("drawText, 8 bpp: CPU µs per character", "draw_text_cpu_us_per_char_8", 2, ""),
    ("drawBoard, 32 bpp: instructions per call", "instructions_board_32", 0, ""),
    ("drawBoard, 8 bpp: instructions per call", "instructions_board_8", 0, ""),
    ("drawText, 32 bpp: instructions per character", "instructions_text_32", 0, ""),
    ("drawText, 8 bpp: instructions per character", "instructions_text_8", 0, ""),
    ("one turn, quiet move: CPU ms (pauses out)", "turn_quiet_cpu_ms", 2, ""),
    ("one turn removing a group of 4: CPU ms (pauses out)", "turn_group_cpu_ms", 1, ""),
    ("removal animation: wall ms per cell", "removal_cell_ms", 1, ""),
    ("removal animation: ratio to the 80 ms floor", "removal_ratio", 3, "≤ 1.05"),
    ("… the 16 pauses of 5 ms alone: ratio to 80 ms", "sleep_only_ratio", 3, ""),
    ("… drawBoard on the display: wall µs", "draw_board_wall_us", 0, ""),
    ("… SDL_Flip on the display: wall µs", "flip_wall_us", 0, ""),
]

# (label, key within a program, digits, target, scale) of the running programs.
PROCESS = [
    ("launch → mapped window, ms", "map_ms", 1, "", 1),
    ("launch → first frame, ms", "first_frame_ms", 1, "≤ 30", 1),
    ("resident memory (VmRSS), MB", "rss_kb", 1, "≤ 12", 1 / 1024),
    ("proportional memory (Pss), MB", "pss_kb", 1, "", 1 / 1024),
    ("threads", "threads", 0, "1", 1),
    ("CPU while waiting on the play screen, ms per s", "idle_cpu_ms_per_s", 2,
     "≤ bare loop", 1),
    ("wake-ups while waiting, per s", "idle_wakeups_per_s", 0, "", 1),
    ("CPU while showing the title screen, ms per s", "title_cpu_ms_per_s", 2, "", 1),
    ("wake-ups on the title screen, per s", "title_wakeups_per_s", 0, "", 1),
]


def figure(summary, program, key, scale):
    if summary is None:
        return None
    value = summary.get(f"{program}.{key}")
    return None if value is None or value < 0 else value * scale


def tables(after, before):
    lines = ["| Figure | Target | Before | After |", "|---|---|---:|---:|"]
    for label, key, digits, target in DRAWING:
        old = before.get(key) if before else None
        lines.append(f"| {label} | {target} | {number(old, digits)} | "
                     f"{number(after.get(key), digits)} |")
    lines += ["", "| Running program | Target | Before | After | bare SDL loop |",
              "|---|---|---:|---:|---:|"]
    for label, key, digits, target, scale in PROCESS:
        old = figure(before, "tessalorium", key, scale)
        new = figure(after, "tessalorium", key, scale)
        bare = figure(after, "bare_wait", key, scale)
        lines.append(f"| {label} | {target} | {number(old, digits)} | {number(new, digits)} | "
                     f"{number(bare, digits)} |")
    lines += ["", f"Measured {after['date']} at commit {after['commit']} on {after['cpu']}, "
              f"Linux {after['kernel']}; load average (1, 5, 15 min) {after['load_before']} "
              f"before the run and {after['load_after']} after it."]
    if before:
        lines.append(f"Before: commit {before['commit']}, {before['date']}, load average "
                     f"{before['load_before']} before and {before['load_after']} after.")
    return "\n".join(lines)


def write_page(path, block):
    text = ""
    if os.path.exists(path):
        with open(path) as f:
            text = f.read()
    if BEGIN in text and END in text:
        head, _, rest = text.partition(BEGIN)
        _, _, tail = rest.partition(END)
        text = f"{head}{BEGIN}\n{block}\n{END}{tail}"
    else:
        text = f"# Performance\n\n{BEGIN}\n{block}\n{END}\n" + text
    with open(path, "w") as f:
        f.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--results", required=True)
    parser.add_argument("--baseline")
    parser.add_argument("--write", metavar="PAGE")
    parser.add_argument("--save-summary", metavar="FILE")
    args = parser.parse_args()

    after = summarise(args.results)
    before = None
    if args.baseline and os.path.exists(args.baseline):
        with open(args.baseline) as f:
            before = json.load(f)
    block = tables(after, before)
    print(block)
    if args.save_summary:
        with open(args.save_summary, "w") as f:
            json.dump(after, f, indent=1, sort_keys=True)
    if args.write:
        write_page(args.write, block)


if __name__ == "__main__":
    main()
