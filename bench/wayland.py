#!/usr/bin/python3
"""Prints the table of docs/wayland.md: the game's window on Wayland outputs, started through the launcher
installed from build/bench. bench/run.sh --wayland [--quick] [--write] runs it.

Each output is Weston's X11 backend, with XWayland, in an Xvfb of the output's pixels: a screenshot
of the Xvfb is what the output shows, and the window is what differs from the empty black desktop."""
import datetime, io, os, re, subprocess, sys, tempfile, time  # noqa: E401
from PIL import Image, ImageChops

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GAME_W, GAME_H, WAIT = 206, 274, 20.0
OUTPUTS = [(3840, 2160, 1), (3840, 2160, 2), (3840, 2160, 3), (1920, 1080, 2)]
WESTON_INI = ("[core]\nidle-time=0\n[shell]\nbackground-image=/nonexistent\nbackground-color=0xff000000\n"
              "panel-position=none\nstartup-animation=none\nclose-animation=none\nanimation=none\nlocking=false\n")


def wait(found, what):
    end = time.monotonic() + WAIT
    while time.monotonic() < end:
        value = found()
        if value:
            return value
        time.sleep(0.2)
    raise RuntimeError("no " + what)


def screenshot(display):
    ppm = subprocess.run(["import", "-display", display, "-window", "root", "-depth", "8", "ppm:-"],
                         capture_output=True).stdout
    return Image.open(io.BytesIO(ppm)).convert("RGB")


def window(shot, box):
    """Size, scale, blocks of scale x scale pixels not all of one colour, and whether it is crisp."""
    w, h = box[2] - box[0], box[3] - box[1]
    block = max(1, round(w / GAME_W))
    left, top = box[0] + (w - GAME_W * block) // 2, box[1] + (h - GAME_H * block) // 2
    grid = shot.crop((left, top, left + GAME_W * block, top + GAME_H * block))  # past a smoothed edge
    flat = grid.resize((GAME_W, GAME_H), Image.NEAREST).resize(grid.size, Image.NEAREST)
    differs = ImageChops.difference(grid, flat).point(lambda v: 255 if v else 0).convert("L").convert("F")
    mixed = sum(1 for v in differs.resize((GAME_W, GAME_H), Image.BOX).getdata() if v)
    crisp = "yes" if (w, h) == (GAME_W * block, GAME_H * block) and not mixed else "no"
    return "%d × %d | %.2f | %d of %d | %s" % (w, h, w / GAME_W, mixed, GAME_W * GAME_H, crisp)


def output_rows(w, h, s, launcher, scratch, ways):
    """Starts the output, then the launcher each way; yields a row as each window is measured."""
    runtime = tempfile.mkdtemp(dir=scratch)  # mode 0700, as Wayland wants
    log, ini = os.path.join(runtime, "weston.log"), os.path.join(runtime, "weston.ini")
    with open(ini, "w") as f:
        f.write(WESTON_INI)
    quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    servers = [subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % (w, h), "-nolisten",
                                 "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)]
    try:
        xvfb = ":" + servers[0].stdout.readline().strip()  # once it is ready
        servers.append(subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--width=%d" % (w // s), "--height=%d" % (h // s),
             "--scale=%d" % s, "--use-pixman", "--xwayland", "--config=" + ini, "--log=" + log,
             "--socket=tessalorium"], env=dict(os.environ, DISPLAY=xvfb, XDG_RUNTIME_DIR=runtime), **quiet))
        xwayland = wait(lambda: os.path.exists(log) and re.search(r"listening on display (:\d+)",
                                                                  open(log).read()), "XWayland")[1]
        time.sleep(2)  # the desktop is drawn; Weston's pointer goes out of the way
        subprocess.run(["xdotool", "mousemove", str(w - 1), str(h - 1)], env=dict(os.environ, DISPLAY=xvfb))
        empty = screenshot(xvfb)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("SDL", "WAYLAND", "DISPLAY"))}
        env.update(WAYLAND_DISPLAY="tessalorium", XDG_RUNTIME_DIR=runtime, DISPLAY=xwayland, HOME=runtime)
        for name, extra in ways:
            game, boxes = subprocess.Popen([launcher], env=dict(env, **extra), **quiet), []

            def drawn():  # the window's box the same in two screenshots in a row
                shot = screenshot(xvfb)
                boxes.append(ImageChops.difference(shot, empty).getbbox())
                return len(boxes) > 1 and boxes[-1] and boxes[-1] == boxes[-2] and shot
            try:
                shot = wait(drawn, "window")
                with open("/proc/%d/environ" % game.pid) as f:  # the launcher's exec kept the pid
                    chosen = dict(v.split("=", 1) for v in f.read().split("\0") if "=" in v)
            finally:
                game.kill()
                game.wait()
                wait(lambda: ImageChops.difference(screenshot(xvfb), empty).getbbox() is None, "empty desktop")
            settings = "%s, scale %s" % (chosen["SDL_VIDEODRIVER"], chosen["SDL12COMPAT_WINDOW_SCALING"])
            yield "| %d × %d @ %d | %s | %s | %s |" % (w, h, s, name, settings, window(shot, boxes[-1]))
    finally:
        for server in reversed(servers):
            server.terminate()
            server.wait()


def main():
    load = " ".join(open("/proc/loadavg").read().split()[:3])
    print("| Output: pixels @ scale | Way | Settings the game got | Window on the output | Scale | Mixed blocks"
          " | Crisp |\n|---|---|---|---|---:|---:|---|")
    with tempfile.TemporaryDirectory() as scratch:
        subprocess.run(["cmake", "--install", os.path.join(ROOT, "build", "bench"), "--prefix", scratch],
                       check=True, stdout=subprocess.DEVNULL)
        os.makedirs(os.path.join(scratch, "stub"))
        with open(os.path.join(scratch, "stub", "wayland-info"), "w") as f:  # as if not installed
            f.write("#!/bin/sh\nexit 127\n")
        os.chmod(f.name, 0o755)
        ways = [("launcher", {}), ("launcher, no wayland-info", {"PATH": scratch + "/stub:" + os.environ["PATH"]}),
                ("launcher, SDL_VIDEODRIVER=x11", {"SDL_VIDEODRIVER": "x11"})]
        for output in OUTPUTS[:2] if "--quick" in sys.argv else OUTPUTS:
            for row in output_rows(*output, os.path.join(scratch, "bin", "tessalorium"), scratch, ways):
                print(row, flush=True)
    commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True, text=True)
    versions = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${Version}, ", "weston", "xwayland",
                               "libsdl1.2-compat", "libsdl2-2.0-0"], capture_output=True, text=True).stdout
    print("\nMeasured %s at commit %s with %s; load average %s before the run." % (
        datetime.date.today(), commit.stdout.strip(), versions.rstrip(", "), load))


if __name__ == "__main__":
    main()
