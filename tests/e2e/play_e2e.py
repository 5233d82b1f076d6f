#!/usr/bin/python3
"""Plays Tessalorium as a player would, on a real (virtual) display under a window manager at a
window scale: the window's name, icon and class, the title screen, then at scale 1 a whole game to
the end, the desktop's ping answered during Game Over, the name entry, a restart that shows the
score, and closing from the title, timed; at scale 2 what the scale changes: a crisp window, the
mouse mapped back in a move, and the desktop's close in play. --wine: the Windows zip's program under
Wine on 1920 x 1080, centred at the factor N it picks, through the whole game and a missing picture.
The rules themselves are the unit tests' business; this is about the real window, mouse and keys.

    play_e2e.py --game PATH --gfx DIR --scale N --shots DIR [--wine ZIP]

The real binary runs on a private Xvfb under openbox in a scratch folder; xdotool moves the real
mouse and keyboard; ImageMagick's import reads the window back. Cells are compared with the tiles of
pieces.bmp, texts with the glyphs of c18font.bmp drawn in their exact colours. Every wait polls
screenshots up to a limit; a failure says what was awaited, and last.png in --shots is what showed.
"""
import glob, io, os, random, shlex, shutil, signal, subprocess, sys, tempfile, time, zipfile  # noqa: E401

import xping

from PIL import Image

MAGENTA, GREEN, BLUE = (255, 0, 255), (136, 255, 119), (0, 153, 255)
YELLOW, WHITE = (255, 238, 119), (255, 255, 255)
WILD, FIXED, EMPTY, NAME, NOBODY = 4, 5, 7, "Tess42", "%5d %6s" % (0, "Nobody")
NEUTRAL, NEW_GAME, CLOSE_BOX = (100, 30), (143, 245), (198, 6)
OPT = dict(zip(sys.argv[1::2], sys.argv[2::2]))
GFX, S, SHOTS = os.path.abspath(OPT["--gfx"]), int(OPT.get("--scale", 1)), OPT.get("--shots", "e2e-shots")
WINE = OPT.get("--wine")
SCREEN, CLOSE_S = ((1920, 1080), 2) if WINE else ((1024, 768), 10)  # Wine: a close ends it as soon as on Windows

SHEET = Image.open(os.path.join(GFX, "pieces.bmp"))
TILE = [SHEET.convert("RGB").crop((16 * i, 0, 16 * i + 16, 16)) for i in range(9)]
# The new-piece marker, tile 8, lets the piece show through its pixels of palette index 2.
MARKER = SHEET.crop((128, 0, 144, 16)).point(lambda i: 255 * (i != 2), "1")
TILES = {t.tobytes(): code for code, t in enumerate(TILE[:8])}  # a cell's picture -> code (+ 8 if marked)
TILES.update({Image.composite(TILE[8], t, MARKER).tobytes(): code + 8 for code, t in enumerate(TILE[:8])})
FONT = Image.open(os.path.join(GFX, "c18font.bmp")).load()
# The menu entry the window must be tied to, by its StartupWMClass, and its icons.
PACKAGING = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../packaging")
APP_ID = open(glob.glob(os.path.join(PACKAGING, "*.desktop"))[0]).read().split("StartupWMClass=")[1].split()[0]
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
    begun, GAME = time.monotonic(), subprocess.Popen(COMMAND, cwd=WORK, env=ENV)
    try:
        WINDOW = xdo("search", "--sync", "--onlyvisible", "--pid", GAME.pid).split()[-1]
    except subprocess.TimeoutExpired:
        sys.exit("no visible game window in 60 s; the game " + ("running" if GAME.poll() is None else "ended"))
    print("a window %.2f s after the start" % (time.monotonic() - begun))
    if WINE:  # centred on the screen
        place = lambda: tuple(map(int, xdo("getwindowgeometry", WINDOW).split("Position: ")[1].split()[0].split(",")))
        x, y = (SCREEN[0] - 206 * S) // 2, (SCREEN[1] - 274 * S) // 2
        assert place() == (x, y), "the window at %s, not centred" % (place(),)
        # Under load Wine can miss openbox placing the window: its Windows side keeps it at 0,0 and gives the
        # clicks to the desktop there. A move by the window manager, once seen, puts both sides in line.
        subprocess.check_call(["wmctrl", "-i", "-r", WINDOW, "-e", "0,%d,%d,-1,-1" % (x + 1, y)], env=ENV)
        until("the window moved by openbox", lambda: place() == (x + 1, y))


def until(what, probe):
    """probe()'s first true answer, asked every 50 ms for a minute."""
    for tries in range(1200, -1, -1):
        if answer := probe():
            return answer
        assert tries, "no %s in a minute" % what
        time.sleep(0.05)


def closes(where, request=lambda: subprocess.check_call(["wmctrl", "-i", "-c", hex(int(WINDOW))], env=ENV)):
    """The game ends with status 0 within CLOSE_S of a close request, by default the desktop's Close."""
    begun = time.monotonic()
    request()
    try:
        assert GAME.wait(CLOSE_S) == 0, "closed from %s: status %d" % (where, GAME.returncode)
    except subprocess.TimeoutExpired:
        sys.exit("closed from %s: still running after %d s" % (where, CLOSE_S))
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
    return wait_for(what, lambda image: shows(image, "< Tessalorium >", 21, 57, MAGENTA)
             and shows(image, "Highscores:", 43, 93, BLUE) and shows(image, "NEW GAME", 100, 237, YELLOW)
             and all(shows(image, row, 37, 111 + 18 * i, GREEN) for i, row in enumerate(rows)) and image, shot)


def new_game(shot="last.png"):
    return settle("a new game", lambda image: view(image, 0), [*at(*NEUTRAL), "click", 1], shot)


def joins(codes, s, t):
    """How many pieces the piece moved from s to t touches there that it could form a group with."""
    near = [k for k in (t - 10, t + 10, t - 1 if t % 10 else -1, t + 1 if t % 10 < 9 else -1)
            if 0 <= k < 100 and k != s]
    return sum(codes[k] != EMPTY and (codes[k] == codes[s] or WILD in (codes[k], codes[s])) for k in near)


def identity():
    """The window as taskbars see it: named, tied to the menu entry (on X11), its largest icon the menu icon's."""
    shown = subprocess.check_output(["xprop", "-id", WINDOW, "-notype", "WM_NAME", "_NET_WM_NAME", "WM_CLASS"],
                                    env=ENV, text=True)
    assert shown.startswith('WM_NAME = "Tessalorium"\n_NET_WM_NAME = "Tessalorium"\n') and (WINE or shown.endswith(
        'WM_CLASS = "%s", "%s"\n' % (APP_ID, APP_ID))), "the window as taskbars see it:\n" + shown
    values = [int(v) & 0xFFFFFF for v in subprocess.check_output(
        ["xprop", "-len", "1000000", "-id", WINDOW, "-notype", "-f", "_NET_WM_ICON", "32c", " = $0+\n",
         "_NET_WM_ICON"], env=ENV, text=True).partition(" = ")[2].split(",")]
    icons = {}
    while len(values) > 2:
        icons[values[0]], values = values[2:2 + values[0] * values[1]], values[2 + values[0] * values[1]:]
    menu = Image.open(os.path.join(PACKAGING, "icons/tessalorium-%d.png" % max(icons))).convert("RGB")
    assert icons[max(icons)] == [r << 16 | g << 8 | b for r, g, b in menu.getdata()], "not the menu icon"


def as_on_linux(image):
    """Outside the board, where the title's tiles fall, the Linux golden title; picture pixels square blocks."""
    golden = Image.open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../golden/title.bmp"))
    for picture in (image, golden := golden.convert("RGB")):
        picture.paste((0, 0, 0), (23, 57, 183, 217))
    assert image.tobytes() == golden.tobytes(), "outside the board not the golden title screen"
    blocks = (full := FULL.convert("RGB")).resize((206, 274), Image.NEAREST).resize(full.size, Image.NEAREST)
    assert blocks.tobytes() == full.tobytes(), "picture pixels not square blocks of one colour"


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
    as_on_linux(title("title screen with an empty table", [NOBODY] * 5, "title.png"))
    identity()
    board, turn = new_game("new-game.png"), 0
    if S > 1 and not WINE:  # what the scale changes: a crisp window, the mouse mapped back
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
    assert open(SCORES).read() == saved, "%s is not %r" % (SCORES, saved)
    start()
    title("restarted title screen listing " + rows[0], rows, "restart-title.png")
    if not WINE:
        return closes("the title by SIGTERM", GAME.terminate)
    closes("the title")
    start()
    move(new_game(), 0)
    closes("play")
    missing_picture()


def missing_picture():
    """A picture gone: a message box titled Tessalorium, then status 1, and no stdout.txt or other file new."""
    global GAME
    os.rename(os.path.join(FOLDER, "gfx/board.bmp"), os.path.join(WORK, "board.bmp"))
    GAME = subprocess.Popen(COMMAND, cwd=WORK, env=ENV)
    box = until("message box", lambda: subprocess.run(  # xdotool trips over windows that go meanwhile
        ["xdotool", "search", "--onlyvisible", "--name", "^Tessalorium$"], env=ENV, capture_output=True,
        text=True).stdout.split())[-1]
    subprocess.check_call(["import", "-window", box, os.path.join(SHOTS, "missing-picture.png")], env=ENV)
    xdo("key", "--window", box, "Return")
    assert GAME.wait(CLOSE_S) == 1, "a missing picture: status %d" % GAME.returncode
    assert sorted(os.listdir(FOLDER)) == UNPACKED, "beside the program now: %s" % os.listdir(FOLDER)


signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))  # cleans up as any failure
os.makedirs(SHOTS, exist_ok=True)
WORK, GAME, WM, XVFB = tempfile.mkdtemp(), None, None, None
SCORES, COMMAND = os.path.join(WORK, "hiscores.dat"), [os.path.abspath(OPT.get("--game", ""))]
if WINE:  # unpacked into a folder beyond ASCII, apart from the one it is started in (as from the Start menu)
    zipfile.ZipFile(WINE).extractall(os.path.join(WORK, "Spiele für Jürgen"))
    FOLDER = glob.glob(os.path.join(WORK, "Spiele für Jürgen/*/"))[0]
    COMMAND, UNPACKED = ["wine", os.path.join(FOLDER, "tessalorium.exe")], sorted(os.listdir(FOLDER))
    # A user folder beyond ASCII; a prefix of its own, no add-on offered, nothing in the real home.
    GAME_ENV = dict(USER="Jürgen", HOME=WORK, WINEPREFIX=os.path.join(WORK, "prefix"), WINEDEBUG="-all",
                    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    SCORES = os.path.join(WORK, "prefix/drive_c/users/Jürgen/AppData/Roaming/Tessalorium/hiscores.dat")
else:
    os.symlink(GFX, os.path.join(WORK, "gfx"))
    GAME_ENV = dict(SDL_VIDEODRIVER="x11", SDL12COMPAT_WINDOW_SCALING=str(S), SDL12COMPAT_SCALE_METHOD="nearest")
try:
    XVFB = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    ENV = {k: v for k, v in os.environ.items() if not k.startswith("SDL")}  # the game's own choices
    ENV.update(GAME_ENV, DISPLAY=":" + XVFB.stdout.readline().decode().strip())
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
    if WINE:
        begun = time.monotonic()
        subprocess.run(["wineboot", "-i"], env=ENV, capture_output=True, timeout=600)
        print("a new Wine prefix in %.1f s" % (time.monotonic() - begun))
    play()
finally:
    if WINE:
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, **GAME_ENV))
    for process in filter(None, (GAME, WM, XVFB)):
        process.kill()
    shutil.rmtree(WORK, ignore_errors=True)
print("PASS at scale %d" % S)
