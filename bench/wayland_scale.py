#!/usr/bin/python3
"""Measures the game's window on a Wayland desktop, by each way it can get there, and prints a table:
    bench/wayland_scale.py           measure and print
    bench/wayland_scale.py --write   ... and put the table into docs/wayland.md
    bench/wayland_scale.py --quick   only the outputs of 3840 x 2160 at scale 1 and 2

Installs what is missing (tools/deps.sh wayland) and builds the game in build/wayland. For each
output it starts an Xvfb and Weston's X11 backend in it (which gives Weston a seat; its headless
backend has none, and SDL 2.26 crashes without one) at that many pixels and scale, with XWayland.
Weston draws its output into a window filling the Xvfb, so a screenshot of the Xvfb is what the
output shows. Each path starts the real game (or the launcher) in a scratch folder, waits until its
window is drawn, takes the output, and finds the window as what differs from the empty black desktop.
"""
import datetime, io, os, re, shutil, signal, subprocess, sys, tempfile, time  # noqa: E401

Image = ImageChops = None  # from python3-pil, which tools/deps.sh installs first

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "wayland")
DOC = os.path.join(ROOT, "docs", "wayland.md")
BEGIN, END = "<!-- table: begin (bench/wayland_scale.py --write) -->", "<!-- table: end -->"
GAME_W, GAME_H, MAX_THIRDS = 206, 274, 2
HUD_ROWS = 56  # rows above the board: the title screen's animation never touches them
OUTPUTS = [(3840, 2160, 1), (3840, 2160, 2), (3840, 2160, 3), (1920, 1080, 2)]
WINDOW_WAIT, GONE_WAIT, POLL = 20.0, 5.0, 0.2
SOCKET = "tessalorium-measure"
# A black desktop without panel or animations: Weston's shadow around an XWayland window stays black.
WESTON_INI = """[core]
idle-time=0
[shell]
background-image=/nonexistent
background-color=0xff000000
panel-position=none
startup-animation=none
close-animation=none
animation=none
locking=false
"""


def run(*command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


def pick(w, h):
    """The launcher's whole scale for a screen of w x h pixels (two thirds of it at most)."""
    scale = 1
    while 3 * (scale + 1) * GAME_W <= MAX_THIRDS * w and 3 * (scale + 1) * GAME_H <= MAX_THIRDS * h:
        scale += 1
    return scale


def number(value):
    return ("%.4f" % value).rstrip("0").rstrip(".")


def best(w, h, s):
    """The window scale the launcher picks on a Wayland output: its pixels' pick over s, in halves."""
    pixels = pick(w, h)
    while 2 * pixels % s and pixels > 1:
        pixels -= 1
    return number(pixels / s) if 2 * pixels % s == 0 else "1"


def paths(w, h, s, launcher, no_wayland_info):
    """(name, environment) of each way to the window on this output; the launcher's last."""
    x_pick, right, raw = str(pick(w // s, h // s)), best(w, h, s), number(pick(w, h) / s)
    ways = [("before: SDL's default driver", "", x_pick, ""), ("XWayland", "x11", x_pick, ""),
            ("XWayland", "x11", x_pick, "1"),
            ("native Wayland", "wayland", x_pick, ""), ("native Wayland", "wayland", x_pick, "1")]
    if right != x_pick:  # the size X11 gives on as many pixels
        ways += [("XWayland", "x11", right, ""), ("native Wayland", "wayland", right, ""),
                 ("native Wayland", "wayland", right, "1")]
    if raw != right:  # what the pixels alone would ask for: no whole size in the desktop's units
        ways.append(("native Wayland", "wayland", raw, ""))
    ways = [(name, dict({"SDL12COMPAT_WINDOW_SCALING": scale, "SDL12COMPAT_SCALE_METHOD": "nearest"},
                        **({"SDL_VIDEODRIVER": driver} if driver else {}),
                        **({"SDL12COMPAT_HIGHDPI": "1"} if hidpi else {})))
            for name, driver, scale, hidpi in ways]
    return ways + [("launcher", {"GAME": launcher}),
                   ("launcher, no wayland-info", {"GAME": launcher, "PATH": no_wayland_info})]


def screenshot(display):
    ppm = subprocess.run(["import", "-display", display, "-window", "root", "-depth", "8", "ppm:-"],
                         check=True, capture_output=True).stdout
    return Image.open(io.BytesIO(ppm)).convert("RGB")


def window_box(shot, empty):
    return ImageChops.difference(shot, empty).getbbox()


def measure(shot, box):
    """Size, scale, colours (all, and the HUD's), mixed blocks and whether it is crisp."""
    window = shot.crop(box)
    w, h = window.size
    block = max(1, round(w / GAME_W))
    hud = window.crop((0, 0, w, round(HUD_ROWS * h / GAME_H)))
    # A smoothed window bleeds a pixel past each edge: take the middle block grid.
    left, top = (w - GAME_W * block) // 2, (h - GAME_H * block) // 2
    grid = window.crop((left, top, left + GAME_W * block, top + GAME_H * block))
    back = grid.resize((GAME_W, GAME_H), Image.NEAREST).resize(grid.size, Image.NEAREST)
    differs = ImageChops.difference(grid, back).convert("L").point(lambda v: 255 if v else 0)
    mixed = sum(1 for v in differs.resize((GAME_W, GAME_H), Image.BOX).getdata() if v)
    exact = (w, h) == (GAME_W * block, GAME_H * block)
    return {"size": "%d × %d" % (w, h), "scale": "%.2f" % (w / GAME_W), "colours": len(window.getcolors(1 << 24)),
            "hud": len(hud.getcolors(1 << 24)), "mixed": mixed, "crisp": exact and mixed == 0}


def free_display():
    n = 90
    while os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
        n += 1
    return ":%d" % n


def wait(condition, limit, what):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        found = condition()
        if found:
            return found
        time.sleep(POLL)
    raise RuntimeError("timed out waiting for " + what)


class Desktop:
    """Xvfb with Weston's X11 backend in it: one output of w x h pixels at scale s, and XWayland."""

    def __init__(self):
        self.processes = []

    def open(self, w, h, s, scratch):
        self.display = free_display()
        self.runtime = tempfile.mkdtemp(prefix="runtime.", dir=scratch)  # mode 0700, as Wayland wants
        ini, log = os.path.join(scratch, "weston.ini"), os.path.join(self.runtime, "weston.log")
        with open(ini, "w") as f:
            f.write(WESTON_INI)
        self.start(["Xvfb", self.display, "-screen", "0", "%dx%dx24" % (w, h), "-nolisten", "tcp"], {})
        wait(lambda: subprocess.run(["xdpyinfo", "-display", self.display], capture_output=True).returncode == 0,
             10, "Xvfb")
        self.start(["weston", "--backend=x11-backend.so", "--width=%d" % (w // s), "--height=%d" % (h // s),
                    "--scale=%d" % s, "--use-pixman", "--xwayland", "--config=" + ini, "--socket=" + SOCKET,
                    "--log=" + log], {"DISPLAY": self.display, "XDG_RUNTIME_DIR": self.runtime})
        xwayland = wait(lambda: os.path.exists(log) and re.search(r"xserver listening on display (:\d+)",
                                                                  open(log).read()), 20, "Weston")
        self.env = {"WAYLAND_DISPLAY": SOCKET, "XDG_RUNTIME_DIR": self.runtime, "DISPLAY": xwayland.group(1)}
        time.sleep(2)  # the shell client draws the desktop
        # Weston draws its pointer where the Xvfb's is: park it in the corner, out of the way.
        run("xdotool", "mousemove", str(w - 1), str(h - 1), env=dict(os.environ, DISPLAY=self.display))
        time.sleep(0.5)
        self.empty = screenshot(self.display)

    def start(self, command, env):
        self.processes.append(subprocess.Popen(command, env=dict(os.environ, **env), stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def show(self, env, play):
        """Starts the game with env, measures its window once drawn, kills it and waits till it is gone."""
        command = [env.pop("GAME", os.path.join(BUILD, "tessalorium"))]
        base = {k: v for k, v in os.environ.items() if not k.startswith(("SDL", "WAYLAND", "DISPLAY"))}
        base.update(self.env, HOME=play, XDG_DATA_HOME=os.path.join(play, "data"))
        game = subprocess.Popen(command, cwd=play, env=dict(base, **env), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            boxes = []

            def drawn():
                if game.poll() is not None:
                    raise RuntimeError("the game exited with status %d" % game.returncode)
                shot = screenshot(self.display)
                boxes.append((window_box(shot, self.empty), shot))
                return len(boxes) > 1 and boxes[-1][0] and boxes[-1][0] == boxes[-2][0] and boxes[-1]
            box, shot = wait(drawn, WINDOW_WAIT, "the window")
            with open("/proc/%d/environ" % game.pid) as f:
                chosen = dict(v.split("=", 1) for v in f.read().split("\0") if "=" in v)
            return measure(shot, box), chosen
        finally:
            game.send_signal(signal.SIGKILL)
            game.wait()
            end = time.monotonic() + GONE_WAIT
            while window_box(screenshot(self.display), self.empty) and time.monotonic() < end:
                time.sleep(POLL)


def settings(chosen):
    words = [chosen.get("SDL_VIDEODRIVER") or "SDL's default driver",
             "scale " + (chosen.get("SDL12COMPAT_WINDOW_SCALING") or "1")]
    return ", ".join(words + (["HIGHDPI"] if chosen.get("SDL12COMPAT_HIGHDPI") else []))


def prepare(scratch):
    """The game built from the repo, the launcher installed around it, and a PATH without wayland-info."""
    run(os.path.join(ROOT, "tools", "deps.sh"), "wayland")
    run("cmake", "-S", ROOT, "-B", BUILD, "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF",
        stdout=subprocess.DEVNULL)
    run("cmake", "--build", BUILD, "-j", "2", "--target", "tessalorium", stdout=subprocess.DEVNULL)
    tree = os.path.join(scratch, "tree")
    for folder in ("bin", "libexec/tessalorium", "share/games/tessalorium"):
        os.makedirs(os.path.join(tree, folder))
    launcher = os.path.join(tree, "bin", "tessalorium")
    shutil.copy(os.path.join(BUILD, "packaging", "tessalorium"), launcher)
    os.chmod(launcher, 0o755)
    os.symlink(os.path.join(BUILD, "tessalorium"), os.path.join(tree, "libexec/tessalorium/tessalorium"))
    os.symlink(os.path.join(ROOT, "gfx"), os.path.join(tree, "share/games/tessalorium/gfx"))
    bare = os.path.join(scratch, "no-wayland-info")
    os.makedirs(bare)
    for name in os.listdir("/usr/bin"):
        if name != "wayland-info":
            os.symlink(os.path.join("/usr/bin", name), os.path.join(bare, name))
    return launcher, bare


def table(rows):
    lines = ["| Output: pixels @ scale | Path | Settings | Window on the output | Scale | Colours | HUD colours"
             " | Mixed blocks | Crisp |", "|---|---|---|---|---:|---:|---:|---:|---|"]
    for output, name, chosen, m in rows:
        if isinstance(m, str):
            lines.append("| %s | %s | %s | %s | | | | | no |" % (output, name, settings(chosen), m))
            continue
        lines.append("| %s | %s | %s | %s | %s | %d | %d | %d of %d | %s |" % (
            output, name, settings(chosen), m["size"], m["scale"], m["colours"], m["hud"], m["mixed"],
            GAME_W * GAME_H, "yes" if m["crisp"] else "no"))
    return lines


def main():
    options = set(sys.argv[1:])
    if options - {"--write", "--quick"}:
        sys.exit(__doc__)
    begun = time.monotonic()
    load = open("/proc/loadavg").read().split()[:3]
    scratch = tempfile.mkdtemp(prefix="wayland-scale.")
    rows = []
    try:
        launcher, bare = prepare(scratch)
        global Image, ImageChops
        from PIL import Image, ImageChops
        for index, (w, h, s) in enumerate(OUTPUTS[:2] if "--quick" in options else OUTPUTS):
            output = "%d × %d @ %d" % (w, h, s)
            print("== " + output, file=sys.stderr)
            desktop = Desktop()
            try:
                desktop.open(w, h, s, scratch)
                for n, (name, env) in enumerate(paths(w, h, s, launcher, bare)):
                    play = os.path.join(scratch, "play-%d-%d" % (index, n))
                    os.makedirs(play)
                    os.symlink(os.path.join(ROOT, "gfx"), os.path.join(play, "gfx"))
                    try:
                        m, chosen = desktop.show(dict(env), play)
                    except RuntimeError as error:
                        m, chosen = "no window: %s" % error, env
                    rows.append((output, name, chosen, m))
                    print(table(rows[-1:])[-1], file=sys.stderr)
            finally:
                desktop.close()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    versions = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${Version}, ", "weston", "xwayland",
                               "libsdl1.2-compat", "libsdl2-2.0-0"], capture_output=True, text=True).stdout
    lines = table(rows) + ["", "Measured %s at commit %s with %s in %.0f s; load average %s before the run." % (
        datetime.date.today().isoformat(), commit, versions.rstrip(", "), time.monotonic() - begun, " ".join(load))]
    print("\n".join(lines))
    if "--write" in options:
        text = open(DOC).read()
        head, rest = text.split(BEGIN)
        tail = rest.split(END)[1]
        with open(DOC, "w") as f:
            f.write(head + BEGIN + "\n" + "\n".join(lines) + "\n" + END + tail)


if __name__ == "__main__":
    main()
