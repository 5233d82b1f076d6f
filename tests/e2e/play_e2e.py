#!/usr/bin/python3
"""Plays Tessalorium as a player would, on a real (virtual) display under a window manager at a
window scale: the window's name, icon and class, the title screen, then at scale 1 a whole game to
the end, the desktop's ping answered during Game Over, the name entry, a restart that shows the
score, and closing from the title, timed; at scale 2 what the scale changes: a crisp window, the
mouse mapped back in a move, and the desktop's close in play.
The rules themselves are the unit tests' business; this is about the real window, mouse and keys.

    play_e2e.py --game PATH --gfx DIR --scale N --shots DIR

The real binary runs on a private Xvfb under openbox in a scratch folder; xdotool moves the real
mouse and keyboard; ImageMagick's import reads the window back. Cells are compared with the tiles of
pieces.bmp, texts with the glyphs of c18font.bmp drawn in their exact colours. Every wait polls
screenshots up to a limit; a failure says what was awaited, and last.png in --shots is what showed.
"""
import glob, io, os, random, shlex, shutil, signal, subprocess, sys, tempfile, time  # noqa: E401

import xping

from PIL import Image

MAGENTA, GREEN, BLUE = (255, 0, 255), (136, 255, 119), (0, 153, 255)
YELLOW, WHITE = (255, 238, 119), (255, 255, 255)
WILD, FIXED, EMPTY, NAME, NOBODY = 4, 5, 7, "Tess42", "%5d %6s" % (0, "Nobody")
NEUTRAL, NEW_GAME, CLOSE_BOX = (100, 30), (143, 245), (198, 6)
OPT = dict(zip(sys.argv[1::2], sys.argv[2::2]))
GFX, S, SHOTS = os.path.abspath(OPT["--gfx"]), int(OPT.get("--scale", 1)), OPT.get("--shots", "e2e-shots")

SHEET = Image.open(os.path.join(GFX, "pieces.bmp"))
TILE = [SHEET.convert("RGB").crop((16 * i, 0, 16 * i + 16, 16)) for i in range(9)]
# The new-piece marker, tile 8, lets the piece show through its pixels of palette index 2.
MARKER = SHEET.crop((128, 0, 144, 16)).point(lambda i: 255 * (i != 2), "1")
TILES = {t.tobytes(): code for code, t in enumerate(TILE[:8])}  # a cell's picture -> code (+ 8 if marked)
TILES.update({Image.composite(TILE[8], t, MARKER).tobytes(): code + 8 for code, t in enumerate(TILE[:8])})
FONT = Image.open(os.path.join(GFX, "c18font.bmp")).load()
# The menu entry the window must be tied to, by its StartupWMClass; the icon the game makes of its tiles.
PACKAGING = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../packaging")
APP_ID = open(glob.glob(os.path.join(PACKAGING, "*.desktop"))[0]).read().split("StartupWMClass=")[1].split()[0]
ICON = Image.open(ICON_FILE := os.path.join(PACKAGING, "icons/tessalorium-64.png")).convert("RGB")
GLYPHS = {chr(c): {(x, y + drop) for x in range(11) for y in range(18)
                   if FONT[11 * (c - ord(a)) + x, 18 * row + y] == 1}  # ink pixels, dropped to the line
          for row, (a, z, drop) in enumerate((("!", "@", 2), ("A", "Z", 1), ("a", "z", 0)))
          for c in range(ord(a), ord(z) + 1)}


def xdo(*args):
    return subprocess.check_output(["xdotool", *map(str, args)], env=ENV, text=True, timeout=60)


def at(x, y):  # the pointer onto a window pixel, in the middle of its scaled block
    return ["mousemove", "--window", WINDOW, S * x + S // 2, S * y + S // 2]


def start():
    global GAME, WINDOW
    GAME = subprocess.Popen(os.path.abspath(OPT["--game"]), cwd=WORK, env=ENV)
    try:
        WINDOW = xdo("search", "--sync", "--onlyvisible", "--pid", GAME.pid).split()[-1]
    except subprocess.TimeoutExpired:
        sys.exit("no visible game window in 60 s; the game " + ("running" if GAME.poll() is None else "ended"))


def closes(where, request=lambda: subprocess.check_call(["wmctrl", "-i", "-c", hex(int(WINDOW))], env=ENV)):
    """The game ends with status 0 within 10 s of a close request, by default the desktop's Close."""
    begun = time.monotonic()
    request()
    try:
        assert GAME.wait(10) == 0, "closed from %s: status %d" % (where, GAME.returncode)
    except subprocess.TimeoutExpired:
        sys.exit("closed from %s: still running after 10 s" % where)
    print("closed from %s in %.2f s" % (where, time.monotonic() - begun))


def wait_for(what, condition, shot="last.png"):
    """The first true condition(picture) of the window as the game drew it, 206 x 274, among the
    next 2000 screenshots (a minute and more); the picture is kept as shot. A scaled window is
    averaged block by block, so a blurred enlargement shows no exact colour."""
    global FULL
    for tries in range(2000, 0, -1):
        assert GAME.poll() is None, "the game exited while waiting for " + what
        window = ["import", "-window", WINDOW, "-depth", "8", "ppm:-"]
        FULL = Image.open(io.BytesIO(subprocess.check_output(window, env=ENV)))
        found = FULL.size == (206 * S, 274 * S) and condition(FULL.reduce(S))
        if found or tries == 1:
            FULL.save(os.path.join(SHOTS, shot if found else "last.png"))
            assert found, "no %s in 2000 screenshots (the last: last.png)" % what
            return found
        time.sleep(0.02)


def shows(image, text, x, y, colour):
    """Every pixel of the text as the game draws it: glyph by glyph, a black outline, then the ink."""
    pixels = {}
    for i, c in enumerate(text):
        ink = [(x + 11 * i + dx, y + dy) for dx, dy in GLYPHS.get(c, ())]
        pixels.update({(a + dx, b + dy): (0, 0, 0) for a, b in ink for dx in (-1, 0, 1) for dy in (-1, 0, 1)})
        pixels.update(dict.fromkeys(ink, colour))
    return all(image.getpixel(p) == c for p, c in pixels.items())


def number(image, x, width):
    """The magenta HUD number printed "%<width>u" at x."""
    return int("".join(next(d for d in "0123456789 " if shows(image, d, x + 11 * i, 26, MAGENTA))
                       for i in range(width)))


def settle(what, condition, actions, shot="last.png"):
    """Does the actions, then hovers over NEW GAME: the play loop turns it white only once it has
    handled all input before, animations and banners included. Game over, which shows no hover,
    gives its picture instead."""
    xdo(*actions, *at(*NEUTRAL), *at(*NEW_GAME))
    return wait_for(what, lambda image: condition(image) if shows(image, "NEW GAME", 100, 237, WHITE) else
                    shows(image, "Game Over", 53, 70, MAGENTA) and shows(image, "Turn Bonus", 48, 90, GREEN)
                    and image, shot)


def view(image, turn):
    """The code of every cell of the play screen at this turn, or None."""
    board = [TILES.get(image.crop((x, y, x + 16, y + 16)).tobytes()) for y in range(57, 217, 16)
             for x in range(23, 183, 16)]
    return None not in board and number(image, 16, 4) == turn and board


def title(what, rows, shot):
    wait_for(what, lambda image: shows(image, "< Tessalorium >", 21, 57, MAGENTA)
             and shows(image, "Highscores:", 43, 93, BLUE) and shows(image, "NEW GAME", 100, 237, YELLOW)
             and all(shows(image, row, 37, 111 + 18 * i, GREEN) for i, row in enumerate(rows)), shot)


def joins(codes, s, t):
    """How many pieces the piece moved from s to t touches there that it could form a group with."""
    near = [k for k in (t - 10, t + 10, t - 1 if t % 10 else -1, t + 1 if t % 10 < 9 else -1)
            if 0 <= k < 100 and k != s]
    return sum(codes[k] != EMPTY and (codes[k] == codes[s] or WILD in (codes[k], codes[s])) for k in near)


def identity():
    """The window as taskbars see it: named, tied to the menu entry, and the menu icon's own picture."""
    shown = subprocess.check_output(["xprop", "-id", WINDOW, "-notype", "WM_NAME", "_NET_WM_NAME", "WM_CLASS"],
                                    env=ENV, text=True)
    assert shown == 'WM_NAME = "Tessalorium"\n_NET_WM_NAME = "Tessalorium"\nWM_CLASS = "%s", "%s"\n' % (
        APP_ID, APP_ID), "the window as taskbars see it:\n" + shown
    icon = subprocess.check_output(["xprop", "-id", WINDOW, "-notype", "-f", "_NET_WM_ICON", "32c", " = $0+\n",
                                    "_NET_WM_ICON"], env=ENV, text=True).partition(" = ")[2]
    size, pixels = icon.split(",")[:2], [int(v) & 0xFFFFFF for v in icon.split(",")[2:]]
    assert [int(v) for v in size] == list(ICON.size), "a window icon of %s, not %s" % (size, ICON.size)
    assert pixels == [r << 16 | g << 8 | b for r, g, b in ICON.getdata()], "the window icon is not " + ICON_FILE


def move(board, turn):
    """Drags a movable piece one step onto an empty cell, one joining few, so that the board fills;
    returns the board after the turn, or the Game Over picture."""
    codes = [c % 8 for c in board]
    moves = [(s, s + dx + 10 * dy) for s in range(100) for dx in (-1, 0, 1) for dy in (-1, 0, 1)
             if 0 <= s % 10 + dx < 10 and 0 <= s + dx + 10 * dy < 100
             and codes[s] not in (FIXED, EMPTY) and codes[s + dx + 10 * dy] == EMPTY]
    s, t = min(moves, key=lambda m: (joins(codes, *m), random.random()))
    src, dst = (at(31 + 16 * (i % 10), 65 + 16 * (i // 10)) for i in (s, t))
    return settle("turn %d: cell %d to %d" % (turn + 1, s, t), lambda image: view(image, turn + 1),
                  [*src, "mousedown", 1, *dst, "mouseup", 1],  # a picture of turn 25 for people
                  "play.png" if turn == 24 else "last.png")


def play():
    start()
    title("title screen with an empty table", [NOBODY] * 5, "title.png")
    identity()
    board, turn = settle("a new game", lambda image: view(image, 0), [*at(*NEUTRAL), "click", 1], "new-game.png"), 0
    if S > 1:  # what the scale changes: a crisp window (every wait checks it), the mouse mapped back
        move(board, 0)
        return closes("play")
    while isinstance(board, list):
        board, turn = move(board, turn), turn + 1
    FULL.save(os.path.join(SHOTS, "game-over.png"))
    score, turns = number(board, 132, 5), number(board, 16, 4)
    assert turns == turn, "game over: not turn %d in the HUD" % turn
    answered = xping.ping(int(WINDOW), 10, ENV["DISPLAY"])  # as mutter and KWin ask, to grey out a hung window
    assert answered is not None and answered < 1, "Game Over answered no ping within 1 s: %s" % answered
    print("Game Over answered the desktop's ping in %.3f s" % answered)
    # A second of mouse motion, then keys, all within the pause: the keys wait for the name entry.
    xdo(*[word for i in range(100) for word in (*at(20 + i, 100 + i % 7), "sleep", 0.01)])
    xdo("type", "--delay", 50, NAME)
    wait_for("name %s typed" % NAME, lambda image: shows(image, "Enter your name", 21, 70, BLUE) and shows(
        image, NAME, 21, 110, WHITE) and shows(image, "And press ENTER", 21, 150, GREEN), "name-entry.png")
    xdo("key", "Return")
    rows = ["%5d %6s" % (score + turns, NAME)] + [NOBODY] * 4
    title("title screen listing " + rows[0], rows, "title-scores.png")
    closes("the title by its close box", lambda: xdo(*at(*CLOSE_BOX), "click", 1))  # at the press
    saved = "\n".join(["5", NAME, str(score + turns)] + ["Nobody", "0"] * 4) + "\n"
    assert open(os.path.join(WORK, "hiscores.dat")).read() == saved, "hiscores.dat is not " + repr(saved)
    start()
    title("restarted title screen listing " + rows[0], rows, "restart-title.png")
    closes("the title by SIGTERM", GAME.terminate)


signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))  # cleans up as any failure
os.makedirs(SHOTS, exist_ok=True)
WORK, GAME, WM, XVFB = tempfile.mkdtemp(), None, None, None
os.symlink(GFX, os.path.join(WORK, "gfx"))
try:
    XVFB = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    ENV = dict(os.environ, DISPLAY=":" + XVFB.stdout.readline().decode().strip(), SDL_VIDEODRIVER="x11",
               SDL12COMPAT_WINDOW_SCALING=str(S), SDL12COMPAT_SCALE_METHOD="nearest")
    # No mouse bindings: openbox's click-to-focus would freeze the pointer at each press while xdotool's
    # warps go on at once, so that a release arrives where the pointer went next. No hand is that quick.
    open(RC := os.path.join(WORK, "rc.xml"), "w").write("<openbox_config><mouse/></openbox_config>")
    # openbox answers wmctrl -m as soon as it owns the screen, then goes on starting (slowly on stale font
    # caches). A map request arriving meanwhile lands in its private queue, which its event loop reads
    # only when some later X event comes: the game would wait for its window forever. openbox runs the
    # --startup command just before that loop, so every request after it is seen.
    READY = os.path.join(WORK, "openbox-ready")
    WM = subprocess.Popen(["openbox", "--config-file", RC, "--startup", "touch " + shlex.quote(READY)], env=ENV,
                          stderr=subprocess.DEVNULL)
    for tries in range(1200, -1, -1):  # a minute
        if os.path.exists(READY):
            break
        assert WM.poll() is None, "openbox ended (%d) while starting" % WM.returncode
        assert tries, "openbox running but not started in 60 s"
        time.sleep(0.05)
    play()
finally:
    for process in filter(None, (GAME, WM, XVFB)):
        process.kill()
    shutil.rmtree(WORK, ignore_errors=True)
print("PASS at scale %d" % S)
